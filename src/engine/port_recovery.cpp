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
  if (error.WhatHappened() == platform::PortLostError::Cause::kPcWoke) {
    // The line was silent or garbled since the wake, so nothing is drained
    // and the first try starts at once.
    afterWake_ = true;
    return Start(now, now);
  }
  ++counters_.writeFailures;
  Lose(now, LossReason(error));
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
}

void PortRecovery::Lose(Duration now, std::u16string_view why) {
  ++counters_.portLosses;
  journal_.Lost(port_.PortNumber(), why);
  afterWake_ = false;
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
  if (afterWake_) {
    journal_.RenewedAfterWake(number, lostNumber_);
  } else {
    journal_.Back(number, lostNumber_, now - lostAt_);
  }
  if (number != lostNumber_) moved_(number);
}

}  // namespace tarvolk::engine
