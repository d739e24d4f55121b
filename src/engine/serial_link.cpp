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

}  // namespace

SerialLink::SerialLink(std::unique_ptr<platform::SerialPort> port, const platform::Clock& clock,
                       PortJournal& journal)
    : port_(std::move(port)),
      clock_(clock),
      journal_(journal),
      byteTime_(ByteTimeOf(kDefaultSettings)),
      recovery_(*port_, journal, counters_, [this](std::int16_t number) { portMoved_(number); }) {}

SerialLink::~SerialLink() = default;

bool SerialLink::IsOpen() const { return recovery_.Active() || port_->IsOpen(); }

bool SerialLink::Carries() const { return port_->IsOpen(); }

void SerialLink::Close() { CloseLink(true); }

void SerialLink::CloseForOpen() { CloseLink(false); }

// Only a port that was open is journalled as closed, not one being reopened.
void SerialLink::CloseLink(bool endTry) {
  if (port_->IsOpen()) {
    FinishStartedFrame();
    // A port lost while finishing is closed already, and journalled as lost.
    if (port_->IsOpen()) {
      port_->Close(DrainTime(clock_.Now()));
      journal_.Closed(port_->PortNumber());
    }
  } else if (recovery_.Active() && endTry) {
    port_->Close(Duration{0});
  }
  recovery_.Stop();
  DropEverything();
}

// Until the last byte handed over has left the line and the device behind it.
SerialLink::Duration SerialLink::DrainTime(Duration now) const {
  const Duration longest = byteTime_ * static_cast<std::int64_t>(kOutputBufferSize);
  return std::clamp(LineEnd(now) + kDeviceLatency - now, Duration{0}, longest + kDeviceLatency);
}

void SerialLink::DropEverything() {
  waiting_.Clear();
  lineFreeAt_ = Duration::zero();
}

void SerialLink::FinishStartedFrame() {
  std::size_t left = waiting_.RestOfStartedFrame();
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
  recovery_.Stop();
  const std::int16_t number = port_->PortNumber();
  journal_.Opened(number, port_->Adapter());
  if (const auto& untold = port_->SleepsUntold()) journal_.SleepsUntold(*untold);
  // An earlier try to reopen it found the adapter under another number.
  if (number != asked) portMoved_(number);
}

bool SerialLink::QueueFrame(std::span<const std::uint8_t> frame, Duration maxBacklog) {
  if (!port_->IsOpen()) return false;
  if (Backlog() > maxBacklog) return false;
  return waiting_.Add(frame);
}

void SerialLink::Pump(Duration maxAhead) {
  const Duration now = clock_.Now();
  if (recovery_.RenewAfterSleep(now)) DropEverything();
  recovery_.TryWhenDue(now);
  if (!port_->IsOpen() || !CheckFinishedWrites(now)) return;
  journal_.NeighboursUnknown(port_->PortNumber(), port_->NeighboursUnknown());
  if (waiting_.Bytes() == 0) return;
  const Duration room = maxAhead - QueuedInOperatingSystem(now);
  if (room < byteTime_) return;
  HandOver(std::min(waiting_.Bytes(), static_cast<std::size_t>(room / byteTime_)), now);
}

// Runs a step on the port that may find it failing or lost. Nothing reaches
// a device that has gone, so a port given up is dropped at once with
// everything that waited for it; the next device starts on a frame.
template <class Step>
void SerialLink::Guarded(Duration now, Step step) {
  try {
    step();
  } catch (const platform::PortLostError& error) {
    recovery_.PortLost(now, error);
    DropEverything();
  } catch (const platform::PlatformError& error) {
    if (recovery_.WriteFailed(now, error)) DropEverything();
  }
}

// Returns how many of the first count waiting bytes the operating system took.
std::size_t SerialLink::HandOver(std::size_t count, Duration now) {
  std::size_t taken = 0;
  Guarded(now, [&] {
    taken = std::min(count, port_->Write(waiting_.First(count)));
    waiting_.Forget(taken);
    lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime_ * static_cast<std::int64_t>(taken);
  });
  return taken;
}

// Returns whether the port is still open: it may turn out lost.
bool SerialLink::CheckFinishedWrites(Duration now) {
  Guarded(now, [&] {
    if (port_->CollectFinishedWrites() > 0) recovery_.WriteFinished();
  });
  return port_->IsOpen();
}

SerialLink::Duration SerialLink::Backlog() const {
  if (!port_->IsOpen()) return Duration{0};
  return QueuedInOperatingSystem(clock_.Now()) +
         byteTime_ * static_cast<std::int64_t>(waiting_.Bytes());
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
