#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tarvolk::platform {
class PlatformError;
class PortLostError;
class SerialPort;
}  // namespace tarvolk::platform

namespace tarvolk::engine {

class PortJournal;

// How the link fared, counted since it was made.
struct LinkCounters {
  std::uint64_t writeFailures = 0;   // writes the operating system refused
  std::uint64_t portLosses = 0;      // times the device behind the port went away
  std::uint64_t reopenAttempts = 0;  // tries to open it again
  std::uint64_t recoveries = 0;      // tries that succeeded
};

// Tells when the link's port stopped carrying frames, and brings it back: the
// device went away (an adapter pulled out mid-show, or writes that keep
// failing), or the PC woke from sleep with a driver that kept its handle but
// not the line, or output paused so long that the PC may have slept unseen.
// The dead port is dropped and opened again with the same number and
// settings, kReopenInterval apart after a loss and at once after a wake or a
// pause, until it comes back or its USB adapter turns up under another number. The tries run aside,
// so the host notices nothing but the missing frames even when a driver takes seconds to answer
// one. They never give up; only Stop ends them.
class PortRecovery {
 public:
  using Duration = std::chrono::nanoseconds;
  // Short enough that output resumes within a second of the device's return.
  static constexpr Duration kReopenInterval = std::chrono::milliseconds(500);
  // How often a lost port is asked while a driver holds every write it may
  // keep: output comes back by itself once the driver lets them go.
  static constexpr Duration kHeldWritesRetryInterval = std::chrono::seconds(1);
  // A port whose writes keep failing this long counts as lost too, for
  // drivers that still answer for a device that has gone; it counts as
  // working again only once a write has finished.
  static constexpr Duration kFailingPortLostAfter = std::chrono::seconds(1);
  // No tick for this long while the port is open is a pause after which the
  // port is opened anew: a process that Modern Standby froze may see no
  // other sign of the PC's sleep.
  static constexpr Duration kPauseRenewsAfter = std::chrono::seconds(5);

  // moved: told the new number when the port's adapter was found under another.
  PortRecovery(platform::SerialPort& port, PortJournal& journal, LinkCounters& counters,
               std::function<void(std::int16_t)> moved);

  // Whether the port is being brought back.
  bool Active() const { return active_; }
  // The port said it was lost: the port is closed, and opened again from
  // kReopenInterval on.
  void PortLost(Duration now, const platform::PortLostError& error);
  // At every tick, before the port's writes are looked at: when the PC slept
  // since the port opened, or no tick came for longer than
  // kPauseRenewsAfter while it is open (the PC may have slept without a
  // word, or the host stalled), the port is closed and opened again at once,
  // and this returns true.
  bool RenewAfterSleep(Duration now);
  // A write failed, or one finished. Returns whether the port now counts as
  // lost (and is closed, to be opened again).
  bool WriteFailed(Duration now, const platform::PlatformError& error);
  void WriteFinished() { failingSince_.reset(); }
  // Tries to open the port when a try is due; never waits and never throws.
  void TryWhenDue(Duration now);
  // The port was opened or closed on the operator's word: no more tries,
  // and the next tick starts afresh.
  void Stop();

 private:
  // Why the port is being opened again, as the journal says once it is.
  enum class Renewal { kAfterLoss, kAfterWake, kAfterPause };

  void Lose(Duration now, std::u16string_view why);
  void Renew(Duration now, Renewal renewal);
  void Start(Duration now, Duration firstTryAt);
  void Recovered(Duration now);

  platform::SerialPort& port_;
  PortJournal& journal_;
  LinkCounters& counters_;
  std::function<void(std::int16_t)> moved_;
  bool active_ = false;
  Renewal renewal_ = Renewal::kAfterLoss;
  Duration pause_{0};
  std::optional<Duration> lastTick_;
  bool tryUnderWay_ = false;
  Duration tryStartedAt_{0};
  Duration nextTryAt_{0};
  Duration lostAt_{0};
  std::int16_t lostNumber_ = 0;
  std::optional<Duration> failingSince_;
};

}  // namespace tarvolk::engine
