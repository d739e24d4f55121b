#include "platform/win32/serial/wake_count.h"

namespace tarvolk::platform::win32::serial {

void WakeCount::OnPowerEvent(ULONG type) {
  if (type == PBT_APMSUSPEND) {
    asleep_ = true;
  } else if ((type == PBT_APMRESUMEAUTOMATIC || type == PBT_APMRESUMESUSPEND) &&
             asleep_.exchange(false)) {
    ++wakes_;
  }
}

}  // namespace tarvolk::platform::win32::serial
