#include "platform/win32/serial/comm_port.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "platform/platform_error.h"
#include "platform/win32/serial/comm_line.h"
#include "platform/win32/serial/comm_open.h"
#include "platform/win32/win32_error.h"

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
    : driver_(driver), settings_(ParseSettings(kDefaultSettings)) {}

// Also at thread exit, under the loader lock: nothing here waits. Writes
// left to the driver that it has finished since go with the port.
CommPort::~CommPort() {
  Close(Duration{0});
  TakeBackFinishedWrites();
}

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
  AbandonBackgroundOpen();
  if (std::optional<OpenedPort> port = TakeOwnTry()) return Adopt(std::move(*port));
  const HANDLE handle = OpenCommPort(driver_, portNumber_, settings_);
  Adopt({handle, portNumber_, SightAdapterAt(driver_, portNumber_)});
}

// The plug-in's own try, given up a moment ago (here, or by a port whose
// thread has ended), may be opening this very port right now: opening it a
// second time would be refused as "in use". It is waited for instead, and its
// port or its failure taken; one that outlasts the wait is given up again.
// Tries busy with other ports cannot be in the way and end by themselves.
std::optional<OpenedPort> CommPort::TakeOwnTry() {
  std::shared_ptr<BackgroundOpen> attempt;
  auto& given = driver_.TriesGivenUp();
  {
    const std::lock_guard lock(given.mutex);
    const auto mine = std::find_if(given.tries.begin(), given.tries.end(), [&](const auto& other) {
      return other->Opening() == portNumber_ && other->Reclaim();
    });
    if (mine == given.tries.end()) return std::nullopt;
    attempt = std::move(*mine);
    given.tries.erase(mine);
  }
  const Duration deadline = driver_.Now() + kOwnTryWait;
  while (!attempt->Finished()) {
    if (driver_.Now() >= deadline) {
      attempt->Abandon();
      const std::lock_guard lock(given.mutex);
      given.tries.push_back(std::move(attempt));
      throw PlatformError("the port is still being opened");
    }
    driver_.Sleep(1);
  }
  OpenedPort opened = attempt->TakePort();
  if (opened.number == portNumber_ && attempt->Asked().settings == settings_) return opened;
  // Opened with other settings, or its adapter elsewhere: not what is wanted.
  driver_.Close(opened.handle);
  return std::nullopt;
}

SerialPort::OpenProgress CommPort::OpenInBackground() {
  if (IsOpen()) return OpenProgress::kOpen;
  if (!opening_) {
    TakeBackFinishedWrites();
    if (driver_.WritesLeft().Count() >= kMostWritesLeft) {
      throw DriverHoldsWritesError("the driver still holds " + std::to_string(kMostWritesLeft) +
                                   " writes given up on");
    }
    // The first try after a loss notes the alike ports present; searching
    // starts from a later one.
    const bool renew = sighting_ && !lastAdapterSearch_;
    if (renew) lastAdapterSearch_ = driver_.Now();
    opening_ = BackgroundOpen::Start(
        driver_, {portNumber_, settings_, sighting_, !renew && AdapterSearchDue(), renew});
    if (!opening_) throw PlatformError("no thread to open the port on");
    return OpenProgress::kOpening;
  }
  if (!opening_->Finished()) return OpenProgress::kOpening;
  const std::shared_ptr<BackgroundOpen> finished = std::move(opening_);
  sighting_ = finished->Sighting();
  Adopt(finished->TakePort());
  return OpenProgress::kOpen;
}

// Whether a try may look for the adapter under other numbers now.
bool CommPort::AdapterSearchDue() {
  const Duration now = driver_.Now();
  if (!sighting_ || (lastAdapterSearch_ && now - *lastAdapterSearch_ < kAdapterSearchEvery)) {
    return false;
  }
  lastAdapterSearch_ = now;
  return true;
}

std::optional<SerialAdapter> CommPort::Adapter() const {
  if (!IsOpen() || !sighting_) return std::nullopt;
  return sighting_->adapter;
}

void CommPort::Adopt(OpenedPort port) {
  handle_ = port.handle;
  portNumber_ = port.number;
  sighting_ = std::move(port.sighting);
  lastAdapterSearch_.reset();
  lineFreeAt_ = Duration{0};
  finishedAtOnce_ = 0;
  live_.Raise();
}

void CommPort::AbandonBackgroundOpen() {
  if (!opening_) return;
  opening_->Abandon();
  auto& given = driver_.TriesGivenUp();
  const std::lock_guard lock(given.mutex);
  // A try that has ended closed what it opened.
  std::erase_if(given.tries, [](const auto& other) { return other->Finished(); });
  given.tries.push_back(std::move(opening_));
}

// What was handed over ends on a frame boundary: let it leave the line, so
// the device does not see a frame cut short. Only writes still unfinished then
// (a stalled line, a driver that never finishes) are cancelled; a purge would
// also discard bytes a pseudo-terminal (Wine) holds for its far end.
void CommPort::Close(Duration drainFor) {
  AbandonBackgroundOpen();
  if (!IsOpen()) return;
  if (drainFor > Duration{0}) SleepUntil(driver_.Now() + drainFor);
  const bool unfinished = std::any_of(pending_.begin(), pending_.end(),
                                      [](const auto& write) { return write->Unfinished(); });
  if (unfinished) {
    driver_.PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
    driver_.CancelIo(handle_);
  }
  LeaveUnfinishedWrites();
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

// Writes the driver still holds, even after a cancel, are never waited for:
// a driver need not honour cancels. Their buffers stay with it.
void CommPort::LeaveUnfinishedWrites() {
  for (auto& write : pending_) {
    if (write->Unfinished()) {
      driver_.WritesLeft().Add(std::move(write));
    } else {
      spareWrites_.push_back(std::move(write));
    }
  }
  pending_.clear();
}

// Writes left to the driver, by any port, that it has finished since serve
// here again.
void CommPort::TakeBackFinishedWrites() {
  for (auto& write : driver_.WritesLeft().TakeFinished()) spareWrites_.push_back(std::move(write));
}

std::size_t CommPort::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) throw PlatformError("the port is not open");
  if (bytes.empty()) return 0;
  // A driver that keeps writes for ever is given no more than kMostWritesLeft.
  const std::uint32_t left = driver_.WritesLeft().Count();
  if (left >= kMostWritesLeft) throw PlatformError("the driver holds every write it may");
  if (left + pending_.size() >= kMostWritesLeft) return 0;
  const Duration now = driver_.Now();
  const Duration byteTime = settings_.ByteTime();
  std::unique_ptr<PendingWrite> write = NewWrite(bytes);
  const auto count = static_cast<DWORD>(bytes.size());
  if (driver_.Write(handle_, write->bytes.data(), count, write->overlapped)) {
    DWORD transferred = 0;
    driver_.WriteResult(handle_, write->overlapped, transferred);
    lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime * static_cast<std::int64_t>(transferred);
    finishedAtOnce_ += transferred;
    spareWrites_.push_back(std::move(write));
    return transferred;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    spareWrites_.push_back(std::move(write));
    ThrowWriteFailure(error);
  }
  // The driver owns the bytes now and sends them while we go on.
  lineFreeAt_ = std::max(lineFreeAt_, now) + byteTime * static_cast<std::int64_t>(count);
  write->lineEndsAt = lineFreeAt_;
  pending_.push_back(std::move(write));
  return bytes.size();
}

// A finished write's buffer and event serve the next one: under Wine every
// new event costs two round trips to the wineserver, at every tick.
std::unique_ptr<PendingWrite> CommPort::NewWrite(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<PendingWrite> write;
  if (spareWrites_.empty()) {
    write = std::make_unique<PendingWrite>(driver_);
  } else {
    write = std::move(spareWrites_.back());
    spareWrites_.pop_back();
  }
  write->Prepare(bytes);
  return write;
}

void CommPort::ThrowWriteFailure(DWORD error) {
  if (!driver_.ClearCommError(handle_)) {
    throw PortLostError(ErrorText("WriteFile", error), PortLostError::Cause::kDeviceGone,
                        SystemErrorOf(error));
  }
  throw PlatformError(ErrorText("WriteFile", error), SystemErrorOf(error));
}

// Drivers finish writes in order; the newest finished one tells whether the
// port works.
std::size_t CommPort::CollectFinishedWrites() {
  if (!IsOpen()) return 0;
  TakeBackFinishedWrites();
  std::size_t finished = std::exchange(finishedAtOnce_, 0);
  DWORD failure = ERROR_SUCCESS;
  while (!pending_.empty()) {
    PendingWrite& write = *pending_.front();
    DWORD transferred = 0;
    if (driver_.WriteResult(handle_, write.overlapped, transferred)) {
      finished += transferred;
      failure = ERROR_SUCCESS;
    } else if (const DWORD error = GetLastError(); error != ERROR_IO_INCOMPLETE) {
      finished = 0;
      failure = error;
    } else {
      if (driver_.Now() - write.lineEndsAt > kHungWriteAfter) {
        throw PortLostError("a write hangs in the driver", PortLostError::Cause::kWriteHangs);
      }
      break;
    }
    spareWrites_.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  if (failure != ERROR_SUCCESS) ThrowWriteFailure(failure);
  return finished;
}

std::optional<std::size_t> CommPort::PendingOutputBytes() const {
  std::size_t held = 0;
  bool oldestSeen = false;
  for (const auto& write : pending_) {
    if (!write->Unfinished()) continue;
    if (oldestSeen) held += write->bytes.size();
    oldestSeen = true;
  }
  return held;
}

}  // namespace tarvolk::platform::win32::serial
