#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fakes/event_log.h"
#include "platform/serial_port.h"

namespace tarvolk::fakes {

// A serial port that records every step in the log and takes every byte.
// A step named in failingSteps throws, as the operating system would refuse it;
// opening port 0 or a port in heldPorts fails like on a real machine. While
// deviceGone, writes fail as for an adapter pulled out and opening fails.
// Writes finish as soon as they are taken, unless finishedWritesFail.
class FakeSerialPort : public platform::SerialPort {
 public:
  explicit FakeSerialPort(EventLog& log) : log_(log) {}

  void SetPortNumber(std::int16_t portNumber) override;
  std::int16_t PortNumber() const override { return portNumber_; }
  void SetSettings(std::string_view settings) override;
  void SetReceiveThreshold(std::int16_t threshold) override;
  void Open() override;
  // Opens as Open does, after telling kOpening openingPolls times.
  OpenProgress OpenInBackground() override;
  void Close(std::chrono::nanoseconds drainFor) override;
  bool IsOpen() const override { return open_; }
  std::optional<platform::AdapterSighting> Adapter() const override {
    if (!adapter) return std::nullopt;
    return platform::AdapterSighting{*adapter, {}};
  }
  std::size_t Write(std::span<const std::uint8_t> bytes) override;
  std::size_t CollectFinishedWrites() override;
  bool SleptSinceOpen() override { return std::exchange(pcWoke, false); }
  std::optional<std::size_t> PendingOutputBytes() const override { return reportedPending; }
  const std::optional<platform::NeighboursTrouble>& NeighboursUnknown() const override {
    return neighboursUnknown;
  }
  const std::optional<platform::PlatformError>& SleepsUntold() const override {
    return sleepsUntold;
  }

  std::set<std::string> failingSteps;
  std::set<std::int16_t> heldPorts;
  bool deviceGone = false;
  // A driver that takes every write and fails it a moment later.
  bool finishedWritesFail = false;
  int openingPolls = 0;
  std::optional<platform::SerialAdapter> adapter;
  // An open while the device is gone finds the adapter here (the port it moved to).
  std::optional<std::int16_t> movedTo;
  // The PC woke since the port opened: the next look says so.
  bool pcWoke = false;
  // Tries to reopen are refused for good.
  bool driverHoldsWrites = false;
  // How long the last Close was allowed to wait for the line.
  std::chrono::nanoseconds lastDrain{0};
  std::optional<std::size_t> reportedPending;
  std::optional<platform::NeighboursTrouble> neighboursUnknown;
  std::optional<platform::PlatformError> sleepsUntold;
  // At most this many bytes are taken per Write.
  std::size_t writeLimit = SIZE_MAX;
  // Everything the operating system took, in order.
  std::vector<std::uint8_t> written;
  std::string settings;
  std::int16_t receiveThreshold = 0;

 protected:
  // Bytes the operating system takes from an offer of `offered`.
  virtual std::size_t Accept(std::span<const std::uint8_t> bytes);

 private:
  void Step(const std::string& name, const std::string& event);

  EventLog& log_;
  std::int16_t portNumber_ = 1;
  bool open_ = false;
  int pollsLeft_ = -1;  // of the try under way; -1 while none is
  std::size_t unreported_ = 0;
};

}  // namespace tarvolk::fakes
