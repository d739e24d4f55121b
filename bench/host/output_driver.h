#pragma once

#include <windows.h>
// windows.h must come first.
#include <oleauto.h>
#include <wrl/client.h>

#include "com/tarvolk_dmx.h"

namespace tarvolk::bench {

// Tarvolk_DMX.clsOutputDriver created and called as a host compiled against
// its type library does: through the interface's slots. Throws
// std::runtime_error when a call fails.
class OutputDriver {
 public:
  OutputDriver();

  void Init(const wchar_t* title, const wchar_t* fileName);
  bool Enable();
  void Disable();
  void Term();
  // Opens the configuration dialog and, from a second thread, enters the
  // channel count and closes it (needs a display).
  void ConfigureChannelCount(int channels);

  bool SetChannel(LONG channel, LONG value) {
    VARIANT_BOOL result = VARIANT_FALSE;
    return SUCCEEDED(driver_->SetChannel(&channel, &value, &result)) && result == VARIANT_TRUE;
  }
  _clsOutputDriver* Slots() const { return driver_.Get(); }

 private:
  Microsoft::WRL::ComPtr<_clsOutputDriver> driver_;
};

}  // namespace tarvolk::bench
