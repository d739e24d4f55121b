#include "engine/serial_link.h"

#include <algorithm>

#include "engine/port_journal.h"
#include "platform/clock.h"
#include "platform/line_settings.h"
#include "platform/platform_error.h"
#include "platform/serial_port.h"

namespace tarvolk::engine {
namespace {

// The control's settings until the open sequence sets its own.
constexpr std::string_view kDefaultSettings = "9600,N,8,1";

SerialLink::Duration ByteTimeOf(std::string_view settings) {
  const auto parsed = platform::LineSettings::Parse(settings);
  if (!parsed) throw platform::PlatformError("invalid line settings");
  return parsed->ByteTime();
}

// Why the link gave a port up, as the journal says it.
std::u16string LossReason(const platform::PortLostError& error) {
  if (error.WhatHappened() == platform::PortLostError::Cause::kWriteHangs) {
    return u"ein Schreibauftrag wird nicht fertig";
  }
  return PortJournal::WithSystemError(u"das Gerät antwortet nicht mehr", error);
}

}  // namespace

SerialLink::SerialLink(std::unique_ptr<platform::SerialPort> port, const platform::Clock& clock,
                       PortJournal& journal)
    : port_(std::move(port)),
      clock_(clock),
      journal_(journal),
      byteTime_(ByteTimeOf(kDefaultSettings)) {
  waiting_.reserve(kOutputBufferSize);
}

SerialLink::~SerialLink() = default;

bool SerialLink::IsOpen() const { return reopening_ || port_->IsOpen(); }

bool SerialLink::Carries() const { return port_->IsOpen(); }

void SerialLink::Close() {
  const bool held = IsOpen();
  if (port_->IsOpen()) {
    FinishStartedFrame();
    // A port lost while finishing is closed already.
    if (port_->IsOpen()) port_->Close(DrainTime(clock_.Now()));
  } else if (reopening_) {
    port_->Close(Duration{0});  // ends a try under way
  }
  if (held) journal_.Closed(port_->PortNumber());
  reopening_ = false;
  DropEverything();
}

// Until the last byte handed over has left the line and the device behind it.
SerialLink::Duration SerialLink::DrainTime(Duration now) const {
  const Duration longest = byteTime_ * static_cast<std::int64_t>(kOutputBufferSize);
  return std::clamp(LineEnd(now) + kDeviceLatency - now, Duration{0}, longest + kDeviceLatency);
}

void SerialLink::DropEverything() {
  failingSince_.reset();
  waiting_.clear();
  waitingFrames_.clear();
  firstFrameStarted_ = false;
  lineFreeAt_ = Duration::zero();
}

void SerialLink::FinishStartedFrame() {
  if (!firstFrameStarted_) return;
  std::size_t left = waitingFrames_.front();
  while (left > 0 && port_->IsOpen()) {
    const std::size_t taken = HandOver(left, clock_.Now());
    if (taken == 0) return;  // a port that takes nothing more cannot be helped
    left -= taken;
  }
}

void SerialLink::SetPortNumber(std::int16_t portNumber) { port_->SetPortNumber(portNumber); }

void SerialLink::SetSettings(std::string_view settings) {
  const Duration byteTime = ByteTimeOf(settings);
  port_->SetSettings(settings);
  byteTime_ = byteTime;
}

void SerialLink::SetReceiveThreshold(std::int16_t threshold) {
  port_->SetReceiveThreshold(threshold);
}

void SerialLink::Open() {
  const std::int16_t asked = port_->PortNumber();
  try {
    port_->Open();
  } catch (const platform::PlatformError& error) {
    journal_.Refused(asked, error);
    throw;
  }
  reopening_ = false;
  const std::int16_t number = port_->PortNumber();
  journal_.Opened(number, port_->Adapter());
  // An earlier try to reopen it found the adapter under another number.
  if (number != asked) portMoved_(number);
}

bool SerialLink::QueueFrame(std::span<const std::uint8_t> frame, Duration maxBacklog) {
  if (!port_->IsOpen()) return false;
  if (waiting_.size() + frame.size() > kOutputBufferSize) return false;
  if (Backlog() > maxBacklog) return false;
  waiting_.insert(waiting_.end(), frame.begin(), frame.end());
  waitingFrames_.push_back(frame.size());
  return true;
}

void SerialLink::Pump(Duration maxAhead) {
  const Duration now = clock_.Now();
  if (reopening_) ReopenWhenDue(now);
  if (!port_->IsOpen() || !CheckFinishedWrites(now) || waiting_.empty()) return;
  const Duration room = maxAhead - QueuedInOperatingSystem(now);
  if (room < byteTime_) return;
  HandOver(std::min(waiting_.size(), static_cast<std::size_t>(room / byteTime_)), now);
}

// Returns how many of the first count waiting bytes the operating system took.
std::size_t SerialLink::HandOver(std::size_t count, Duration now) {
  try {
    const std::size_t taken = std::min(count, port_->Write(std::span(waiting_.data(), count)));
    Forget(taken);
    lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime_ * static_cast<std::int64_t>(taken);
    return taken;
  } catch (const platform::PortLostError& error) {
    ++counters_.writeFailures;
    LoseThePort(now, LossReason(error));
  } catch (const platform::PlatformError& error) {
    NoteFailedWrite(now, error);
  }
  return 0;
}

// Returns whether the port is still open: it may turn out lost.
bool SerialLink::CheckFinishedWrites(Duration now) {
  try {
    if (port_->CollectFinishedWrites() > 0) failingSince_.reset();
  } catch (const platform::PortLostError& error) {
    ++counters_.writeFailures;
    LoseThePort(now, LossReason(error));
  } catch (const platform::PlatformError& error) {
    NoteFailedWrite(now, error);
  }
  return port_->IsOpen();
}

// A driver may take each write and fail it a moment later, so only a
// finished write ends a run of failures.
void SerialLink::NoteFailedWrite(Duration now, const platform::PlatformError& error) {
  ++counters_.writeFailures;
  if (!failingSince_) failingSince_ = now;
  if (now - *failingSince_ < kFailingPortLostAfter) return;
  LoseThePort(now,
              PortJournal::WithSystemError(u"Schreibaufträge scheitern seit einer Sekunde", error));
}

// Nothing reaches a device that has gone, so the dead port is dropped at once
// with everything that waited for it; the next device starts on a frame.
void SerialLink::LoseThePort(Duration now, std::u16string_view why) {
  ++counters_.portLosses;
  lostAt_ = now;
  lostNumber_ = port_->PortNumber();
  journal_.Lost(lostNumber_, why);
  port_->Close(Duration{0});
  DropEverything();
  reopening_ = true;
  reopenUnderWay_ = false;
  nextReopenAt_ = now + kReopenInterval;
}

// Tries start kReopenInterval apart, and never while one is under way: a
// driver that takes seconds to refuse is asked again as soon as it has
// answered, so that output is back soon after the device.
void SerialLink::ReopenWhenDue(Duration now) {
  if (!reopenUnderWay_) {
    if (now < nextReopenAt_) return;
    ++counters_.reopenAttempts;
    reopenStartedAt_ = now;
  }
  try {
    reopenUnderWay_ = port_->OpenInBackground() == platform::SerialPort::OpenProgress::kOpening;
  } catch (const platform::DriverHoldsWritesError&) {
    reopenUnderWay_ = false;
    nextReopenAt_ = reopenStartedAt_ + kHeldWritesRetryInterval;
    journal_.DriverHoldsWrites(port_->PortNumber(), kHeldWritesRetryInterval);
    return;
  } catch (const platform::PlatformError& error) {
    reopenUnderWay_ = false;
    nextReopenAt_ = reopenStartedAt_ + kReopenInterval;
    journal_.TryFailed(port_->PortNumber(), error);
    return;
  }
  if (reopenUnderWay_) return;
  reopening_ = false;
  ++counters_.recoveries;
  const std::int16_t number = port_->PortNumber();
  journal_.Back(number, lostNumber_, now - lostAt_);
  if (number != lostNumber_) portMoved_(number);
}

void SerialLink::Forget(std::size_t handedOver) {
  waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(handedOver));
  while (handedOver > 0) {
    std::size_t& first = waitingFrames_.front();
    const std::size_t part = std::min(first, handedOver);
    first -= part;
    handedOver -= part;
    firstFrameStarted_ = first > 0;
    if (first == 0) waitingFrames_.pop_front();
  }
}

SerialLink::Duration SerialLink::Backlog() const {
  if (!port_->IsOpen()) return Duration{0};
  return QueuedInOperatingSystem(clock_.Now()) +
         byteTime_ * static_cast<std::int64_t>(waiting_.size());
}

// When what was handed over will have left the line: our own model of it,
// corrected by a port that can tell its queue and shows the line slower.
SerialLink::Duration SerialLink::LineEnd(Duration now) const {
  const auto pending = port_->PendingOutputBytes().value_or(0);
  if (pending == 0) return lineFreeAt_;
  return std::max(lineFreeAt_, now + byteTime_ * static_cast<std::int64_t>(pending));
}

SerialLink::Duration SerialLink::QueuedInOperatingSystem(Duration now) const {
  return std::max(LineEnd(now) - now, Duration{0});
}

}  // namespace tarvolk::engine
