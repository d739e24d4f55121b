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

// Each write has its own event, as Windows asks of overlapped writes that
// overlap; nothing here waits on it, the write's end is only looked up.
struct CommPort::PendingWrite {
  explicit PendingWrite(CommDriver& owner) : driver(owner) {
    overlapped.hEvent = driver.NewEvent();
    if (overlapped.hEvent == nullptr) ThrowLastError("CreateEventW");
  }
  // Never run for a write left to a driver: it may still signal the event.
  ~PendingWrite() { driver.CloseEvent(overlapped.hEvent); }
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;

  void Prepare(std::span<const std::uint8_t> data) {
    bytes.assign(data.begin(), data.end());
    const HANDLE event = overlapped.hEvent;
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
  }

  CommDriver& driver;
  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> bytes;
  Duration lineEndsAt{0};  // when its last byte leaves at the line's nominal speed
};

CommPort::CommPort(CommDriver& driver)
    : driver_(driver), settings_(ParseSettings(kDefaultSettings)) {}

// Also at thread exit, under the loader lock: nothing here waits.
CommPort::~CommPort() {
  Close(Duration{0});
  ForgetWritesLeftBefore();
  // The driver may still write into these: they are never freed.
  for (auto& write : leftWrites_) static_cast<void>(write.release());
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
// thread has ended), may still be opening the port: opening it a second time
// would be refused as "in use". It is waited for instead, and its port or its
// failure taken. A try on another port, which cannot be in the way, is left
// to end by itself.
std::optional<OpenedPort> CommPort::TakeOwnTry() {
  const auto samePort = [this](const BackgroundOpen& other) {
    return other.Asked().number == portNumber_ && other.Asked().settings == settings_;
  };
  std::shared_ptr<BackgroundOpen> attempt;
  {
    auto& given = driver_.TriesGivenUp();
    const std::lock_guard lock(given.mutex);
    const auto mine = std::find_if(given.tries.begin(), given.tries.end(), [&](const auto& other) {
      return (samePort(*other) || other->Asked().follow) && other->Reclaim();
    });
    if (mine == given.tries.end()) return std::nullopt;
    attempt = std::move(*mine);
    given.tries.erase(mine);
  }
  const Duration deadline = driver_.Now() + kOwnTryWait;
  while (!attempt->Finished()) {
    if (driver_.Now() >= deadline) {
      attempt->Abandon();
      throw PlatformError("the port is still being opened");
    }
    driver_.Sleep(1);
  }
  if (samePort(*attempt)) return attempt->TakePort();
  // It went looking for the adapter elsewhere; whatever it opened is not wanted.
  try {
    driver_.Close(attempt->TakePort().handle);
  } catch (const PlatformError&) {
  }
  return std::nullopt;
}

SerialPort::OpenProgress CommPort::OpenInBackground() {
  if (IsOpen()) return OpenProgress::kOpen;
  if (!opening_) {
    ForgetWritesLeftBefore();
    if (driver_.WritesLeft() >= kMostWritesLeft) {
      throw ReopenGivenUpError("the driver still holds " + std::to_string(kMostWritesLeft) +
                               " writes given up on");
    }
    opening_ =
        BackgroundOpen::Start(driver_, {portNumber_, settings_, sighting_, AdapterSearchDue()});
    if (!opening_) throw PlatformError("no thread to open the port on");
    return OpenProgress::kOpening;
  }
  if (!opening_->Finished()) return OpenProgress::kOpening;
  const std::shared_ptr<BackgroundOpen> finished = std::move(opening_);
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
                                      [this](const auto& write) { return Unfinished(*write); });
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
    if (Unfinished(*write)) {
      leftWrites_.push_back(std::move(write));
      ++driver_.WritesLeft();
    } else {
      spareWrites_.push_back(std::move(write));
    }
  }
  pending_.clear();
}

void CommPort::ForgetWritesLeftBefore() {
  for (auto it = leftWrites_.begin(); it != leftWrites_.end();) {
    if (Unfinished(**it)) {
      ++it;
      continue;
    }
    spareWrites_.push_back(std::move(*it));
    it = leftWrites_.erase(it);
    --driver_.WritesLeft();
  }
}

std::size_t CommPort::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) throw PlatformError("the port is not open");
  if (bytes.empty()) return 0;
  // A driver that keeps writes for ever is given no more than kMostWritesLeft.
  const std::uint32_t left = driver_.WritesLeft();
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
std::unique_ptr<CommPort::PendingWrite> CommPort::NewWrite(std::span<const std::uint8_t> bytes) {
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

bool CommPort::Unfinished(PendingWrite& write) const {
  DWORD transferred = 0;
  return !driver_.WriteResult(handle_, write.overlapped, transferred) &&
         GetLastError() == ERROR_IO_INCOMPLETE;
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
  ForgetWritesLeftBefore();
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
    if (!Unfinished(*write)) continue;
    if (oldestSeen) held += write->bytes.size();
    oldestSeen = true;
  }
  return held;
}

}  // namespace tarvolk::platform::win32::serial
