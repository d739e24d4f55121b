#include "platform/win32/serial/wake_notices.h"

#include <utility>

namespace tarvolk::platform::win32::serial {

// One wake is told by two resume notices when a user is there, in either
// order; only PBT_APMRESUMEAUTOMATIC comes at every wake.
void WakeNotices::OnPowerEvent(ULONG type, Duration now) {
  const std::lock_guard lock(mutex_);
  if (type == PBT_APMSUSPEND) {
    suspendedAt_ = now;
    return;
  }
  if (type != PBT_APMRESUMEAUTOMATIC && type != PBT_APMRESUMESUSPEND) return;
  if (suspendedAt_) {
    sleptFrom_ = std::exchange(suspendedAt_, std::nullopt);
    resumedAt_ = now;
    return;
  }
  if (type != PBT_APMRESUMEAUTOMATIC || SameWakeAs(resumedAt_, now) ||
      SameWakeAs(seenByClocksAt_, now)) {
    return;
  }
  sleptFrom_.reset();
  resumedAt_ = now;
}

void WakeNotices::SeenByClocks(Duration now) {
  const std::lock_guard lock(mutex_);
  seenByClocksAt_ = now;
}

bool WakeNotices::WokeSince(Duration openedAt) const {
  const std::lock_guard lock(mutex_);
  return resumedAt_ && *resumedAt_ > openedAt && sleptFrom_.value_or(openedAt) >= openedAt;
}

}  // namespace tarvolk::platform::win32::serial
