#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32::serial {

// The PC's wakes from sleep or hibernation, counted from the suspend and
// resume notifications as Windows delivers them, on a thread of its own:
// PBT_APMSUSPEND before it sleeps, then PBT_APMRESUMEAUTOMATIC at the wake
// and PBT_APMRESUMESUSPEND as well when a user is there. However many resume
// notifications follow one suspend, they are one wake.
class WakeCount {
 public:
  void OnPowerEvent(ULONG type);
  std::uint32_t Count() const { return wakes_.load(); }

 private:
  std::atomic<bool> asleep_{false};
  std::atomic<std::uint32_t> wakes_{0};
};

}  // namespace tarvolk::platform::win32::serial
