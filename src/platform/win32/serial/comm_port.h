#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/win32/live_resources.h"
#include "platform/win32/serial/comm_driver.h"
#include "platform/win32/serial/comm_open.h"

namespace tarvolk::platform::win32::serial {

// MSComm1's kind: a COM port opened for overlapped output, so that a write
// never waits for the line. Whoever writes paces the bytes to the line; the
// port takes all it is given.
//
// Nothing here waits without a bound, whatever the driver does: a write the
// driver never finishes is given up (its buffer stays with the driver, and
// there are never more than kMostWritesLeft of those), a port that takes
// seconds to open is reopened on a thread of its own, and a close waits only
// for the line time it is given.
//
// A device that has gone is told from a passing error by asking the port for
// its state after a write failed: both fail once the device behind it is
// gone (Wine: ERROR_NOT_READY for a pseudo-terminal whose far end closed;
// Windows: the errors of a USB adapter pulled out), while a port that still
// answers only lost that write.
class CommPort final : public SerialPort {
 public:
  using Duration = std::chrono::nanoseconds;
  // A write the driver has not finished this long after its line time ended
  // will not be finished: the device behind it has gone.
  static constexpr Duration kHungWriteAfter = std::chrono::seconds(1);
  // The longest Open waits for the plug-in's own earlier try to open the
  // port: as long as the slowest ports (Bluetooth, a sleeping USB device)
  // take to open at all, and so no longer than opening it again would.
  static constexpr Duration kOwnTryWait = std::chrono::seconds(30);
  // How often a lost port's adapter is looked for under other numbers:
  // listing the devices takes milliseconds.
  static constexpr Duration kAdapterSearchEvery = std::chrono::seconds(1);
  // The most writes a driver may keep for ever, across every port on it:
  // each holds a buffer and an event. Past it a lost port is not reopened
  // until the driver lets some go.
  static constexpr std::uint32_t kMostWritesLeft = 64;

  explicit CommPort(CommDriver& driver);
  ~CommPort() override;
  CommPort(const CommPort&) = delete;
  CommPort& operator=(const CommPort&) = delete;

  void SetPortNumber(std::int16_t portNumber) override;
  std::int16_t PortNumber() const override { return portNumber_; }
  void SetSettings(std::string_view settings) override;
  void SetReceiveThreshold(std::int16_t threshold) override;

  void Open() override;
  OpenProgress OpenInBackground() override;
  void Close(Duration drainFor) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  std::optional<SerialAdapter> Adapter() const override;

  std::size_t Write(std::span<const std::uint8_t> bytes) override;
  std::size_t CollectFinishedWrites() override;
  // At least what unfinished writes still hold: all of them but the oldest,
  // which may have left the line but for its last byte (a UART whose driver
  // finishes a write only then). A pseudo-terminal (Wine) finishes every
  // write at once and a USB adapter once its own buffer took it, so this
  // only tells of a line slower than its nominal speed.
  std::optional<std::size_t> PendingOutputBytes() const override;

 private:
  std::unique_ptr<PendingWrite> NewWrite(std::span<const std::uint8_t> bytes);
  [[noreturn]] void ThrowWriteFailure(DWORD error);
  void SleepUntil(Duration deadline);
  void LeaveUnfinishedWrites();
  void TakeBackFinishedWrites();
  void AbandonBackgroundOpen();
  std::optional<OpenedPort> TakeOwnTry();
  void Adopt(OpenedPort port);
  bool AdapterSearchDue();

  CommDriver& driver_;
  std::int16_t portNumber_ = 1;
  LineSettings settings_;
  std::int16_t receiveThreshold_ = 0;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  LiveFlag live_;  // up while handle_ is open
  // The USB adapter noted when the port last opened.
  std::optional<AdapterSighting> sighting_;
  std::optional<Duration> lastAdapterSearch_;
  std::shared_ptr<BackgroundOpen> opening_;
  // Writes the driver still works on, oldest first; their bytes and
  // OVERLAPPED must stay put until it is done.
  std::deque<std::unique_ptr<PendingWrite>> pending_;
  std::vector<std::unique_ptr<PendingWrite>> spareWrites_;
  // When what was handed over will have left the line, at nominal speed.
  Duration lineFreeAt_{0};
  // Bytes of writes that finished at once, not yet reported.
  std::size_t finishedAtOnce_ = 0;
};

}  // namespace tarvolk::platform::win32::serial
