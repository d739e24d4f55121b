#pragma once

#include <deque>
#include <memory>
#include <vector>

#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/win32/live_resources.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// MSComm1's kind: a COM port opened for overlapped output, so that a write
// never waits for the line. Whoever writes paces the bytes to the line; the
// port takes all it is given.
//
// A device that has gone is told from a passing error by asking the port for
// its state after a write failed: both fail once the device behind it is
// gone (Wine: ERROR_NOT_READY for a pseudo-terminal whose far end closed;
// Windows: the errors of a USB adapter pulled out), while a port that still
// answers only lost that write.
class CommPort final : public SerialPort {
 public:
  static constexpr DWORD kInputBufferSize = 1024;
  static constexpr DWORD kOutputBufferSize = 512;

  CommPort();
  ~CommPort() override;
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;

  void SetPortNumber(std::int16_t portNumber) override;
  void SetSettings(std::string_view settings) override;
  void SetReceiveThreshold(std::int16_t threshold) override;

  void Open() override;
  void Close(std::chrono::nanoseconds drainFor) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  std::size_t Write(std::span<const std::uint8_t> bytes) override;
  // The bytes of writes Windows has not finished. ClearCommError's queue is no
  // use here: a port emulated on a pseudo-terminal (Wine) always reports it
  // empty. A real serial driver finishes a write once the line carried it, so
  // this catches a line slower than its nominal speed.
  std::optional<std::size_t> PendingOutputBytes() const override;

 private:
  struct PendingWrite;

  std::unique_ptr<PendingWrite> NewWrite(std::span<const std::uint8_t> bytes);
  void ForgetFinishedWrites();
  [[noreturn]] void ThrowWriteFailure(std::string_view step, DWORD error);
  void WaitForWrites(ULONGLONG deadline);
  void AbandonWrites();

  std::int16_t portNumber_ = 1;
  LineSettings settings_;
  std::int16_t receiveThreshold_ = 0;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  LiveFlag live_;  // up while handle_ is open
  // Writes Windows still works on; their bytes and OVERLAPPED must stay put.
  std::deque<std::unique_ptr<PendingWrite>> pending_;
  std::vector<std::unique_ptr<PendingWrite>> spareWrites_;
  // The error of a write Windows finished without sending it, until reported.
  DWORD failedWriteError_ = ERROR_SUCCESS;
};

}  // namespace tarvolk::platform::win32
