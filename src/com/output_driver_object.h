#pragma once

#include <wrl/client.h>

#include <atomic>

#include "com/com_api.h"
#include "com/tarvolk_dmx.h"
#include "plugin/cls_output_driver.h"

namespace tarvolk::com {

// The COM object of class clsOutputDriver: the dual interface _clsOutputDriver
// over one core object on the creating thread's shared driver state. Dispatch
// goes through the type library, so every method is reachable by slot, by
// name and by dispatch ID with the same behaviour.
class OutputDriverObject final : public _clsOutputDriver, public ISupportErrorInfo {
 public:
  // Creates an object and hands out the interface asked for. Never throws.
  static HRESULT Create(REFIID iid, void** object) noexcept;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

  // _clsOutputDriver
  HRESULT STDMETHODCALLTYPE Disable(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Enable(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE PluginName(BSTR* result) override;
  HRESULT STDMETHODCALLTYPE SetChannel(LONG* channel, LONG* value, VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Configure(VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Init(BSTR* CallingAppTitle, BSTR* MyFilename,
                                 VARIANT_BOOL* result) override;
  HRESULT STDMETHODCALLTYPE Term(VARIANT_BOOL* result) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  explicit OutputDriverObject(Microsoft::WRL::ComPtr<ITypeInfo> typeInfo);
  ~OutputDriverObject();
  OutputDriverObject(const OutputDriverObject&) = delete;
  OutputDriverObject& operator=(const OutputDriverObject&) = delete;

  std::atomic<ULONG> references_{1};
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
  plugin::clsOutputDriver core_;
};

}  // namespace tarvolk::com
