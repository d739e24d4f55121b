#pragma once

#include <atomic>

#include "com/com_api.h"

namespace tarvolk::com {

// The class object of clsOutputDriver that DllGetClassObject hands out.
class ClassFactory final : public IClassFactory {
 public:
  // Hands out a new class object with the interface asked for. Never throws.
  static HRESULT Create(REFIID iid, void** object) noexcept;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IClassFactory
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ClassFactory() = default;
  ~ClassFactory() = default;

  std::atomic<ULONG> references_{1};
};

}  // namespace tarvolk::com
