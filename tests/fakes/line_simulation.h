#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "fakes/event_log.h"
#include "fakes/fake_clock.h"
#include "fakes/wire.h"
#include "platform/serial_port.h"

namespace tarvolk::fakes {

// Runs the real engine against a serial line that drains at its true speed,
// under a fake clock, and reads back what went onto the wire.
struct LineSimulationConfig {
  enum class Ticks {
    kAsAsked,      // every tick exactly at the period asked for
    kWindowsLike,  // never shorter than 10.05 ms, and late by up to jitter
    // Windows at its default timer resolution: the period rounded up to whole
    // 15.625 ms clock ticks, each tick late by up to jitter (not adding up).
    kWindowsDefaultResolution,
  };
  std::int32_t channelCount = 10;
  Ticks ticks = Ticks::kAsAsked;
  std::chrono::nanoseconds jitter = std::chrono::microseconds(1500);
  std::chrono::nanoseconds duration = std::chrono::seconds(60);
  std::size_t driverQueue = 4096;  // what the default line's driver would swallow
  unsigned seed = 1;
};

struct WireFrame {
  std::chrono::nanoseconds start;  // start bit of its first byte
  std::vector<std::uint8_t> channels;
};

// A value the host set on the last channel, and when.
struct ValueChange {
  std::chrono::nanoseconds at;
  std::uint8_t value;
};

struct LineSimulationResult {
  std::vector<WireFrame> frames;  // every whole frame, in wire order
  bool wireHoldsOnlyWholeFrames = true;
  std::vector<ValueChange> changes;
  std::chrono::nanoseconds frameTime{};    // line time of one frame
  std::chrono::nanoseconds longestTick{};  // longest interval between two ticks
  std::chrono::nanoseconds meanTick{};
  double lineShare = 0.0;  // share of the line whole frames used
  std::uint64_t ticks = 0;
  std::uint64_t framesSkipped = 0;
};

// The line the engine runs on: the serial port it gets, and what that port
// put on the wire.
class SimulatedLine {
 public:
  virtual ~SimulatedLine() = default;
  virtual std::unique_ptr<platform::SerialPort> MakePort(EventLog& log, FakeClock& clock) = 0;
  virtual const std::vector<WireByte>& Wire() const = 0;
};

// On a UART whose driver queues config.driverQueue bytes.
LineSimulationResult RunLineSimulation(const LineSimulationConfig& config);
LineSimulationResult RunLineSimulation(const LineSimulationConfig& config, SimulatedLine& line);

// When the ticks of a timer asked for `period` come, in the given pattern.
class TickSchedule {
 public:
  using Duration = std::chrono::nanoseconds;
  TickSchedule(LineSimulationConfig::Ticks ticks, Duration period, Duration jitter, Duration begin,
               std::mt19937& random);

  Duration Next();
  // The interval the platform makes of the period, lateness aside.
  Duration Interval() const { return interval_; }

 private:
  LineSimulationConfig::Ticks ticks_;
  Duration interval_;
  std::uniform_int_distribution<std::int64_t> lateness_;
  std::mt19937& random_;
  Duration last_;  // the last tick delivered
  Duration due_;   // when it was due, for ticks on a clock grid
};

}  // namespace tarvolk::fakes
