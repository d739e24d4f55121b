#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace tarvolk::fakes {

// Runs the real engine against a serial line that drains at its true speed,
// under a fake clock, and reads back what went onto the wire.
struct LineSimulationConfig {
  enum class Ticks {
    kAsAsked,      // every tick exactly at the period asked for
    kWindowsLike,  // never shorter than 10.05 ms, and late by up to jitter
  };
  std::int32_t channelCount = 10;
  Ticks ticks = Ticks::kAsAsked;
  std::chrono::nanoseconds jitter = std::chrono::microseconds(1500);
  std::chrono::nanoseconds duration = std::chrono::seconds(60);
  std::size_t driverQueue = 4096;  // what the port's driver would swallow
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
  double lineShare = 0.0;                  // share of the line whole frames used
  std::uint64_t ticks = 0;
  std::uint64_t framesSkipped = 0;
};

LineSimulationResult RunLineSimulation(const LineSimulationConfig& config);

}  // namespace tarvolk::fakes
