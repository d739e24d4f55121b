#include "platform/win32/comm_port.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_error.h"
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

BYTE ParityCode(Parity parity) {
  switch (parity) {
    case Parity::kOdd:
      return ODDPARITY;
    case Parity::kEven:
      return EVENPARITY;
    case Parity::kMark:
      return MARKPARITY;
    case Parity::kSpace:
      return SPACEPARITY;
    case Parity::kNone:
      break;
  }
  return NOPARITY;
}

BYTE StopBitsCode(double stopBits) {
  if (stopBits == 2.0) return TWOSTOPBITS;
  if (stopBits == 1.5) return ONE5STOPBITS;
  return ONESTOPBIT;
}

// The line as the settings say, without any handshaking.
void ConfigureLine(HANDLE port, const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) ThrowLastError("GetCommState");
  dcb.BaudRate = static_cast<DWORD>(settings.baud);
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
  dcb.Parity = ParityCode(settings.parity);
  dcb.StopBits = StopBitsCode(settings.stopBits);
  dcb.fBinary = TRUE;
  dcb.fParity = settings.parity == Parity::kNone ? FALSE : TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(port, &dcb)) ThrowLastError("SetCommState");
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
  explicit PendingWrite(std::span<const std::uint8_t> data) : bytes(data.begin(), data.end()) {
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) ThrowLastError("CreateEventW");
  }
  ~PendingWrite() { CloseHandle(overlapped.hEvent); }
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;

  OVERLAPPED overlapped{};
  std::vector<std::uint8_t> bytes;
};

CommPort::CommPort() : settings_(ParseSettings(kDefaultSettings)) {}

CommPort::~CommPort() { Close(); }

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
  if (!SetupComm(port.Get(), kInputBufferSize, static_cast<DWORD>(kOutputBufferSize))) {
    ThrowLastError("SetupComm");
  }
  ConfigureLine(port.Get(), settings_);
  // Reads return at once; writes have no time limit, as overlapped writes never wait anyway.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  if (!SetCommTimeouts(port.Get(), &timeouts)) ThrowLastError("SetCommTimeouts");
  PurgeComm(port.Get(), PURGE_TXCLEAR | PURGE_RXCLEAR);
  handle_ = port.Release();
  live_.Raise();
}

// What was handed over ends on a frame boundary: let it leave the line, so
// the device does not see a frame cut short, unless the line has stalled.
void CommPort::Close() {
  if (!IsOpen()) return;
  WaitForWrites(kCloseDrainLimitMs);
  PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT | PURGE_RXCLEAR);
  AbandonWrites();
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  live_.Lower();
}

std::size_t CommPort::Write(std::span<const std::uint8_t> bytes) {
  if (!IsOpen()) throw PlatformError("the port is not open");
  ForgetFinishedWrites();
  const std::size_t count = std::min(bytes.size(), kOutputBufferSize - pendingBytes_);
  if (count == 0) return 0;
  auto write = std::make_unique<PendingWrite>(bytes.first(count));
  DWORD written = 0;
  if (WriteFile(handle_, write->bytes.data(), static_cast<DWORD>(count), &written,
                &write->overlapped)) {
    return written;
  }
  if (GetLastError() != ERROR_IO_PENDING) ThrowLastError("WriteFile");
  // Windows owns the bytes now and sends them while we go on.
  pendingBytes_ += count;
  pending_.push_back(std::move(write));
  return count;
}

void CommPort::ForgetFinishedWrites() {
  while (!pending_.empty() && HasOverlappedIoCompleted(&pending_.front()->overlapped)) {
    pendingBytes_ -= pending_.front()->bytes.size();
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

void CommPort::WaitForWrites(DWORD limitMs) {
  const ULONGLONG deadline = GetTickCount64() + limitMs;
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
  for (const auto& write : pending_) {
    DWORD transferred = 0;
    GetOverlappedResult(handle_, &write->overlapped, &transferred, TRUE);
  }
  pending_.clear();
  pendingBytes_ = 0;
}

}  // namespace tarvolk::platform::win32
