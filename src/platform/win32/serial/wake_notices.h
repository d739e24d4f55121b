#pragma once

#include <chrono>
#include <mutex>
#include <optional>

#include "platform/platform_error.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32::serial {

// What Windows tells of the PC's sleeps, on a thread of its own:
// PBT_APMSUSPEND before it sleeps, PBT_APMRESUMEAUTOMATIC at every wake (also
// one no suspend notice came before, as on Modern Standby) and
// PBT_APMRESUMESUSPEND as well when a user is there. The notices may come
// after the first tick that runs again, so a port's own clocks may have seen
// the wake already (CommPort). Times are on the ports' precise clock, which
// counts the time asleep.
class WakeNotices {
 public:
  using Duration = std::chrono::nanoseconds;
  // A resume notice this soon after another, or after the clocks saw a wake,
  // tells of that wake.
  static constexpr Duration kLateNotice = std::chrono::seconds(30);

  void OnPowerEvent(ULONG type, Duration now);
  // A port's clocks saw a wake at `now`.
  void SeenByClocks(Duration now);
  // Whether Windows told of a wake that a port opened at `openedAt` slept
  // through: its suspend notice came after the open, or, with none, its
  // resume notice did.
  bool WokeSince(Duration openedAt) const;

  // Windows refused to tell of sleeps: only the clocks tell. Set before any
  // port opens.
  void Refused(PlatformError error) { refusal_ = std::move(error); }
  const std::optional<PlatformError>& Refusal() const { return refusal_; }

 private:
  bool SameWakeAs(const std::optional<Duration>& earlier, Duration now) const {
    return earlier && now - *earlier < kLateNotice;
  }

  mutable std::mutex mutex_;
  // While the PC sleeps: when the suspend notice came.
  std::optional<Duration> suspendedAt_;
  // The latest wake told: when its sleep began (none without a suspend
  // notice) and when its resume notice came.
  std::optional<Duration> sleptFrom_;
  std::optional<Duration> resumedAt_;
  std::optional<Duration> seenByClocksAt_;
  std::optional<PlatformError> refusal_;
};

}  // namespace tarvolk::platform::win32::serial
