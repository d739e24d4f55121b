#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "fakes/wire.h"

namespace tarvolk::fakes {

// A serial port whose driver queues up to `driverQueue` bytes and sends them
// at the line's real speed under the fake clock, like a UART that a real
// driver swallows kilobytes for. It cannot report its queue (as on a pty).
class SimulatedLinePort final : public FakeSerialPort {
 public:
  using Duration = std::chrono::nanoseconds;

  SimulatedLinePort(EventLog& log, const FakeClock& clock, std::size_t driverQueue)
      : FakeSerialPort(log), clock_(clock), driverQueue_(driverQueue) {}

  // Every byte handed over, with the moment it goes onto the line; bytes whose
  // start lies after the clock's present are still in the driver's queue.
  const std::vector<WireByte>& Wire() const { return wire_; }
  std::size_t QueuedAt(Duration time) const;

 protected:
  std::size_t Accept(std::span<const std::uint8_t> bytes) override;

 private:
  Duration ByteTime() const;

  const FakeClock& clock_;
  std::size_t driverQueue_;
  std::vector<WireByte> wire_;
};

}  // namespace tarvolk::fakes
