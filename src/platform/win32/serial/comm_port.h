#pragma once

#include <chrono>
#include <memory>

#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/win32/live_resources.h"
#include "platform/win32/serial/adapter_watch.h"
#include "platform/win32/serial/comm_driver.h"
#include "platform/win32/serial/comm_open.h"
#include "platform/win32/serial/port_writes.h"

namespace tarvolk::platform::win32::serial {

// MSComm1's kind: a COM port opened for overlapped output, so that a write
// never waits for the line. Whoever writes paces the bytes to the line; the
// port takes all it is given (PortWrites).
//
// Nothing here waits without a bound, whatever the driver does: a write the
// driver never finishes is given up, a port that takes seconds to open is
// reopened on a thread of its own (BackgroundOpen), and a close waits only
// for the line time it is given. While open, the port keeps its adapter's
// picture fresh (AdapterWatch), and once the PC has slept since it opened it
// reports itself lost, as some drivers keep the handle while the chip has
// lost its line settings.
class CommPort final : public SerialPort {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr Duration kHungWriteAfter = PortWrites::kHungWriteAfter;
  // The longest Open waits for the plug-in's own earlier try to open the
  // port: as long as the slowest ports (Bluetooth, a sleeping USB device)
  // take to open at all, and so no longer than opening it again would.
  static constexpr Duration kOwnTryWait = std::chrono::seconds(30);
  static constexpr Duration kAdapterSearchEvery = AdapterWatch::kSearchEvery;
  static constexpr std::uint32_t kMostWritesLeft = PortWrites::kMostLeftOnAPort;
  // Time asleep that shows a sleep: well above the clocks' granularity.
  static constexpr Duration kSleepShowsAfter = std::chrono::seconds(1);

  explicit CommPort(CommDriver& driver);
  // Also at thread exit, under the loader lock: nothing here waits.
  ~CommPort() override { Close(Duration{0}); }
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
  std::optional<AdapterSighting> Adapter() const override;

  std::size_t Write(std::span<const std::uint8_t> bytes) override;
  std::size_t CollectFinishedWrites() override;
  bool SleptSinceOpen() override;
  // At least what unfinished writes still hold: all of them but the oldest,
  // which may have left the line but for its last byte (a UART whose driver
  // finishes a write only then). A pseudo-terminal (Wine) finishes every
  // write at once and a USB adapter once its own buffer took it, so this
  // only tells of a line slower than its nominal speed.
  std::optional<std::size_t> PendingOutputBytes() const override { return writes_.Pending(); }
  const std::optional<NeighboursTrouble>& NeighboursUnknown() const override {
    return adapter_.Trouble();
  }
  const std::optional<PlatformError>& SleepsUntold() const override {
    return driver_.Wakes().Refusal();
  }

 private:
  void SleepUntil(Duration deadline);
  std::optional<OpenedPort> TakeOwnTry();
  void AbandonBackgroundOpen();
  void Adopt(OpenedPort port);

  CommDriver& driver_;
  std::int16_t portNumber_ = 1;
  LineSettings settings_;
  std::int16_t receiveThreshold_ = 0;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  // The clocks just before handle_ opened.
  OpenMark opened_;
  LiveFlag live_;  // up while handle_ is open
  AdapterWatch adapter_;
  std::shared_ptr<BackgroundOpen> opening_;
  PortWrites writes_;
};

}  // namespace tarvolk::platform::win32::serial
