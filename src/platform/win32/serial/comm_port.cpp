#include "platform/win32/serial/comm_port.h"

#include <string>
#include <utility>

#include "platform/platform_error.h"
#include "platform/win32/serial/comm_line.h"

namespace tarvolk::platform::win32::serial {
namespace {

// The control's line settings until someone sets others.
constexpr std::string_view kDefaultSettings = "9600,N,8,1";

LineSettings ParseSettings(std::string_view text) {
  const auto parsed = LineSettings::Parse(text);
  if (!parsed) throw PlatformError("invalid line settings: " + std::string(text));
  return *parsed;
}

}  // namespace

CommPort::CommPort(CommDriver& driver)
    : driver_(driver),
      settings_(ParseSettings(kDefaultSettings)),
      adapter_(driver),
      writes_(driver) {}

void CommPort::SetPortNumber(std::int16_t portNumber) {
  if (IsOpen()) throw PlatformError("the port number cannot change while the port is open");
  if (portNumber < 0) throw PlatformError("negative port number");
  portNumber_ = portNumber;
}

void CommPort::SetSettings(std::string_view settings) {
  const LineSettings parsed = ParseSettings(settings);
  if (IsOpen()) ApplyLineState(driver_, handle_, parsed, kInputBufferSize);
  settings_ = parsed;
}

// Nothing is ever read, so the threshold is only kept.
void CommPort::SetReceiveThreshold(std::int16_t threshold) { receiveThreshold_ = threshold; }

void CommPort::Open() {
  if (IsOpen()) throw PlatformError("the port is already open");
  if (std::optional<OpenedPort> port = TakeOwnTry()) return Adopt(std::move(*port));
  OpenedPort port = OpenPortAt(driver_, portNumber_, settings_);
  port.sighting = SightAdapterAt(driver_, portNumber_);
  Adopt(std::move(port));
}

// The plug-in's own try to reopen the port may hold this very port right
// now: this port's, done or under way, or one given up a moment ago (by a
// port whose thread has ended). It is taken rather than the port opened a
// second time, which would be refused as "in use", or closed and opened
// again. Tries busy with other ports cannot be in the way and end by
// themselves.
std::optional<OpenedPort> CommPort::TakeOwnTry() {
  if (opening_ && opening_->Finished()) {
    const std::shared_ptr<BackgroundOpen> finished = std::move(opening_);
    return finished->TakePortAsAsked(portNumber_, settings_);
  }
  AbandonBackgroundOpen();
  return driver_.TriesGivenUp().TakeBack(driver_, portNumber_, settings_, kOwnTryWait);
}

SerialPort::OpenProgress CommPort::OpenInBackground() {
  if (IsOpen()) return OpenProgress::kOpen;
  if (!opening_) {
    writes_.CheckRoomToReopen(portNumber_);
    opening_ = BackgroundOpen::Start(driver_, adapter_.NextTry(portNumber_, settings_));
    if (!opening_) throw PlatformError("no thread to open the port on");
    return OpenProgress::kOpening;
  }
  if (!opening_->Finished()) return OpenProgress::kOpening;
  const std::shared_ptr<BackgroundOpen> finished = std::move(opening_);
  adapter_.TryEnded(finished->Sighting());
  Adopt(finished->TakePort());
  return OpenProgress::kOpen;
}

std::optional<AdapterSighting> CommPort::Adapter() const {
  if (!IsOpen()) return std::nullopt;
  return adapter_.Sighting();
}

void CommPort::Adopt(OpenedPort port) {
  handle_ = port.handle;
  portNumber_ = port.number;
  opened_ = port.mark;
  adapter_.Opened(std::move(port.sighting));
  writes_.Begin(handle_, portNumber_);
  live_.Raise();
}

void CommPort::AbandonBackgroundOpen() {
  if (!opening_) return;
  opening_->Abandon();
  driver_.TriesGivenUp().Add(std::move(opening_));
}

// What was handed over ends on a frame boundary: let it leave the line, so
// the device does not see a frame cut short. Only writes still unfinished then
// (a stalled line, a driver that never finishes) are cancelled; a purge would
// also discard bytes a pseudo-terminal (Wine) holds for its far end.
void CommPort::Close(Duration drainFor) {
  AbandonBackgroundOpen();
  if (!IsOpen()) return;
  if (drainFor > Duration{0}) SleepUntil(driver_.Now() + drainFor);
  if (writes_.AnyUnfinished()) {
    driver_.PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
    driver_.CancelIo(handle_);
  }
  writes_.End();
  adapter_.Closed();
  driver_.Close(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  live_.Lower();
}

// Sleep may end early (Windows ends it on its own clock ticks), so the
// deadline is checked on the precise clock.
void CommPort::SleepUntil(Duration deadline) {
  for (Duration now = driver_.Now(); now < deadline; now = driver_.Now()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    driver_.Sleep(static_cast<DWORD>(left.count()));
  }
}

std::size_t CommPort::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) throw PlatformError("the port is not open");
  return writes_.Write(bytes, settings_.ByteTime());
}

std::size_t CommPort::CollectFinishedWrites() {
  if (!IsOpen()) return 0;
  const std::size_t finished = writes_.CollectFinished();
  adapter_.Tend(portNumber_);
  return finished;
}

// Whichever tells of a sleep first, the clocks or Windows' notice, it is one
// renewal: the port opened after the wake notes the clocks anew, and a notice
// of a sleep that began before that open is not this port's.
bool CommPort::SleptSinceOpen() {
  if (!IsOpen()) return false;
  if (driver_.TimeAsleep() - opened_.asleep > kSleepShowsAfter) {
    driver_.Wakes().SeenByClocks(driver_.Now());
    return true;
  }
  return driver_.Wakes().WokeSince(opened_.at);
}

}  // namespace tarvolk::platform::win32::serial
