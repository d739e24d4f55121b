#include "engine/port_recovery.h"

#include <utility>

#include "engine/port_journal.h"
#include "platform/serial_port.h"

namespace tarvolk::engine {
namespace {

// Why the link gave a port up, as the journal says it.
std::u16string LossReason(const platform::PortLostError& error) {
  if (error.WhatHappened() == platform::PortLostError::Cause::kWriteHangs) {
    return u"ein Schreibauftrag wird nicht fertig";
  }
  return PortJournal::WithSystemError(u"das Gerät antwortet nicht mehr", error);
}

}  // namespace

PortRecovery::PortRecovery(platform::SerialPort& port, PortJournal& journal, LinkCounters& counters,
                           std::function<void(std::int16_t)> moved)
    : port_(port), journal_(journal), counters_(counters), moved_(std::move(moved)) {}

void PortRecovery::PortLost(Duration now, const platform::PortLostError& error) {
  ++counters_.writeFailures;
  Lose(now, LossReason(error));
}

// A sleep the port can tell is journalled as one, though it paused the ticks too.
bool PortRecovery::RenewAfterSleep(Duration now) {
  const std::optional<Duration> lastTick = std::exchange(lastTick_, now);
  if (!port_.IsOpen()) return false;
  if (port_.SleptSinceOpen()) {
    Renew(now, Renewal::kAfterWake);
    return true;
  }
  if (!lastTick || now - *lastTick <= kPauseRenewsAfter) return false;
  pause_ = now - *lastTick;
  Renew(now, Renewal::kAfterPause);
  return true;
}

// The line was silent or garbled since, so nothing is drained and the first
// try starts at once. No loss: only a refusal of the try is journalled.
void PortRecovery::Renew(Duration now, Renewal renewal) {
  renewal_ = renewal;
  journal_.Renewing();
  Start(now, now);
}

// A driver may take each write and fail it a moment later, so only a
// finished write ends a run of failures.
bool PortRecovery::WriteFailed(Duration now, const platform::PlatformError& error) {
  ++counters_.writeFailures;
  if (!failingSince_) failingSince_ = now;
  if (now - *failingSince_ < kFailingPortLostAfter) return false;
  Lose(now, PortJournal::WithSystemError(u"Schreibaufträge scheitern seit einer Sekunde", error));
  return true;
}

void PortRecovery::Stop() {
  active_ = false;
  failingSince_.reset();
  lastTick_.reset();
}

void PortRecovery::Lose(Duration now, std::u16string_view why) {
  ++counters_.portLosses;
  journal_.Lost(port_.PortNumber(), why);
  renewal_ = Renewal::kAfterLoss;
  Start(now, now + kReopenInterval);
}

void PortRecovery::Start(Duration now, Duration firstTryAt) {
  lostAt_ = now;
  lostNumber_ = port_.PortNumber();
  port_.Close(Duration{0});
  failingSince_.reset();
  active_ = true;
  tryUnderWay_ = false;
  nextTryAt_ = firstTryAt;
}

// Tries start kReopenInterval apart, and never while one is under way: a
// driver that takes seconds to refuse is asked again as soon as it has
// answered, so that output is back soon after the device.
void PortRecovery::TryWhenDue(Duration now) {
  if (!active_) return;
  if (!tryUnderWay_) {
    if (now < nextTryAt_) return;
    ++counters_.reopenAttempts;
    tryStartedAt_ = now;
  }
  try {
    tryUnderWay_ = port_.OpenInBackground() == platform::SerialPort::OpenProgress::kOpening;
  } catch (const platform::DriverHoldsWritesError& error) {
    tryUnderWay_ = false;
    nextTryAt_ = tryStartedAt_ + kHeldWritesRetryInterval;
    journal_.DriverHoldsWrites(port_.PortNumber(), error.HeldOn(), kHeldWritesRetryInterval);
    return;
  } catch (const platform::PlatformError& error) {
    tryUnderWay_ = false;
    nextTryAt_ = tryStartedAt_ + kReopenInterval;
    journal_.TryFailed(port_.PortNumber(), error);
    return;
  }
  if (!tryUnderWay_) Recovered(now);
}

void PortRecovery::Recovered(Duration now) {
  active_ = false;
  ++counters_.recoveries;
  const std::int16_t number = port_.PortNumber();
  switch (renewal_) {
    case Renewal::kAfterWake:
      journal_.RenewedAfterWake(number, lostNumber_);
      break;
    case Renewal::kAfterPause:
      journal_.RenewedAfterPause(number, lostNumber_, pause_);
      break;
    case Renewal::kAfterLoss:
      journal_.Back(number, lostNumber_, now - lostAt_);
      break;
  }
  if (number != lostNumber_) moved_(number);
}

}  // namespace tarvolk::engine
