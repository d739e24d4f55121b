#pragma once

#include <deque>
#include <memory>

#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// MSComm1's kind: a COM port opened for overlapped output, so that a write
// never waits for the line. Like the control, it queues at most its output
// buffer's worth of bytes; beyond that a write takes nothing.
class CommPort final : public SerialPort {
 public:
  static constexpr DWORD kInputBufferSize = 1024;
  static constexpr std::size_t kOutputBufferSize = 512;

  CommPort();
  ~CommPort() override;
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;

  void SetPortNumber(std::int16_t portNumber) override;
  std::int16_t PortNumber() const override { return portNumber_; }
  void SetSettings(std::string_view settings) override;
  void SetReceiveThreshold(std::int16_t threshold) override;

  void Open() override;
  void Close() override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  std::size_t Write(std::span<const std::uint8_t> bytes) override;
  // Always nullopt: a port emulated on a pseudo-terminal (Wine) reports an
  // empty queue whatever it holds, so the count cannot be trusted anywhere.
  std::optional<std::size_t> PendingOutputBytes() const override { return std::nullopt; }

 private:
  struct PendingWrite;

  void ForgetFinishedWrites();
  void AbandonWrites();

  std::int16_t portNumber_ = 1;
  LineSettings settings_;
  std::int16_t receiveThreshold_ = 0;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  // Writes Windows still works on; their bytes and OVERLAPPED must stay put.
  std::deque<std::unique_ptr<PendingWrite>> pending_;
  std::size_t pendingBytes_ = 0;
};

}  // namespace tarvolk::platform::win32
