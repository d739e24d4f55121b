#include "platform/win32/comm_port.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_error.h"
#include "platform/win32/comm_line.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32 {
namespace {

// The control's line settings until someone sets others.
constexpr std::string_view kDefaultSettings = "9600,N,8,1";

LineSettings ParseSettings(std::string_view text) {
  const auto parsed = LineSettings::Parse(text);
  if (!parsed) throw PlatformError("invalid line settings: " + std::string(text));
  return *parsed;
}

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE Get() const { return handle_; }
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

}  // namespace

// Its own event lets Close wait for exactly this write.
struct CommPort::PendingWrite {
  PendingWrite() {
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) ThrowLastError("CreateEventW");
  }
  ~PendingWrite() { CloseHandle(overlapped.hEvent); }
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;

  // Ready for a new write of data; WriteFile resets the event itself.
  void Prepare(std::span<const std::uint8_t> data) {
    bytes.assign(data.begin(), data.end());
    const HANDLE event = overlapped.hEvent;
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
  }

  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> bytes;
};

CommPort::CommPort() : settings_(ParseSettings(kDefaultSettings)) {}

CommPort::~CommPort() { Close(std::chrono::nanoseconds{0}); }

void CommPort::SetPortNumber(std::int16_t portNumber) {
  if (IsOpen()) throw PlatformError("the port number cannot change while the port is open");
  if (portNumber < 0) throw PlatformError("negative port number");
  portNumber_ = portNumber;
}

void CommPort::SetSettings(std::string_view settings) {
  const LineSettings parsed = ParseSettings(settings);
  if (IsOpen()) ConfigureLine(handle_, parsed);
  settings_ = parsed;
}

// Nothing is ever read, so the threshold is only kept.
void CommPort::SetReceiveThreshold(std::int16_t threshold) { receiveThreshold_ = threshold; }

void CommPort::Open() {
  if (IsOpen()) throw PlatformError("the port is already open");
  if (portNumber_ == 0) throw PlatformError("port 0 names no port");
  const std::wstring name = L"\\\\.\\COM" + std::to_wstring(portNumber_);
  // No sharing: a port another program holds does not open.
  OwnedHandle port(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (port.Get() == INVALID_HANDLE_VALUE) ThrowLastError("CreateFileW");
  if (!SetupComm(port.Get(), kInputBufferSize, kOutputBufferSize)) {
    ThrowLastError("SetupComm");
  }
  ConfigureLine(port.Get(), settings_);
  // Reads return at once; writes have no time limit, as overlapped writes never wait anyway.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!SetCommTimeouts(port.Get(), &timeouts)) ThrowLastError("SetCommTimeouts");
  // No purge here: on a pseudo-terminal (Wine) it would also discard the
  // previous handle's last bytes before the far end has read them.
  handle_ = port.Release();
  failedWriteError_ = ERROR_SUCCESS;
  live_.Raise();
}

// What was handed over ends on a frame boundary: let it leave the line, so
// the device does not see a frame cut short. Only writes still unfinished at
// the deadline (a stalled line) are cancelled; a purge would also discard
// bytes a pseudo-terminal (Wine) holds for its far end.
void CommPort::Close(std::chrono::nanoseconds drainFor) {
  if (!IsOpen()) return;
  const auto drainMs = std::chrono::ceil<std::chrono::milliseconds>(drainFor).count();
  const ULONGLONG deadline =
      GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(drainMs, 0));
  WaitForWrites(deadline);
  if (pending_.empty()) {
    // The last writes are finished, but a UART or a USB adapter still sends
    // what they handed it.
    const ULONGLONG now = GetTickCount64();
    if (now < deadline) Sleep(static_cast<DWORD>(deadline - now));
  } else {
    PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
    AbandonWrites();
  }
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  live_.Lower();
}

std::size_t CommPort::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) throw PlatformError("the port is not open");
  ForgetFinishedWrites();
  if (failedWriteError_ != ERROR_SUCCESS) {
    ThrowWriteFailure("WriteFile", std::exchange(failedWriteError_, ERROR_SUCCESS));
  }
  if (bytes.empty()) return 0;
  std::unique_ptr<PendingWrite> write = NewWrite(bytes);
  DWORD written = 0;
  const BOOL done = WriteFile(handle_, write->bytes.data(), static_cast<DWORD>(bytes.size()),
                              &written, &write->overlapped);
  const DWORD error = done ? ERROR_SUCCESS : GetLastError();
  if (error == ERROR_IO_PENDING) {
    // Windows owns the bytes now and sends them while we go on.
    pending_.push_back(std::move(write));
    return bytes.size();
  }
  spareWrites_.push_back(std::move(write));
  if (!done) ThrowWriteFailure("WriteFile", error);
  return written;
}

// A finished write's buffer and event serve the next one: under Wine every
// new event costs two round trips to the wineserver, at every tick.
std::unique_ptr<CommPort::PendingWrite> CommPort::NewWrite(std::span<const std::uint8_t> bytes) {
  std::unique_ptr<PendingWrite> write;
  if (spareWrites_.empty()) {
    write = std::make_unique<PendingWrite>();
  } else {
    write = std::move(spareWrites_.back());
    spareWrites_.pop_back();
  }
  write->Prepare(bytes);
  return write;
}

void CommPort::ThrowWriteFailure(std::string_view step, DWORD error) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(handle_, &errors, &status)) throw PortLostError(ErrorText(step, error));
  throw PlatformError(ErrorText(step, error));
}

void CommPort::ForgetFinishedWrites() {
  while (!pending_.empty() && HasOverlappedIoCompleted(&pending_.front()->overlapped)) {
    DWORD transferred = 0;
    if (!GetOverlappedResult(handle_, &pending_.front()->overlapped, &transferred, FALSE)) {
      failedWriteError_ = GetLastError();
    }
    spareWrites_.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
}

std::optional<std::size_t> CommPort::PendingOutputBytes() const {
  std::size_t unfinished = 0;
  for (const auto& write : pending_) {
    if (!HasOverlappedIoCompleted(&write->overlapped)) unfinished += write->bytes.size();
  }
  return unfinished;
}

void CommPort::WaitForWrites(ULONGLONG deadline) {
  for (const auto& write : pending_) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    WaitForSingleObject(write->overlapped.hEvent, static_cast<DWORD>(deadline - now));
  }
  ForgetFinishedWrites();
}

// Cancels what is still pending and waits for Windows to let go of the
// buffers; after the purge this returns at once.
void CommPort::AbandonWrites() {
  CancelIo(handle_);
  for (auto& write : pending_) {
    DWORD transferred = 0;
    GetOverlappedResult(handle_, &write->overlapped, &transferred, TRUE);
    spareWrites_.push_back(std::move(write));
  }
  pending_.clear();
}

}  // namespace tarvolk::platform::win32
