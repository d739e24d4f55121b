#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace tarvolk::platform {
class Clock;
class Platform;
class Timer;
}  // namespace tarvolk::platform

namespace tarvolk::engine {

class DriverState;
class PortJournal;
class SerialLink;

// Timer period in ms for n channels: trunc(n * 0.07 + 1.0) in double precision.
std::int32_t SendInterval(std::int32_t channelCount);

// The send timer timSend and its tick: while output is on, every tick sends
// the current channel picture as one frame
//   0x50 ('P'), N + 1, 0x00 (DMX512 null start code), channels 1..N.
class FrameTransmitter {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr std::int32_t kInitialIntervalMs = 10;
  static constexpr std::size_t kMaxFrameSize = 3 + 254;

  struct Counters {
    std::uint64_t framesSent = 0;
    std::uint64_t framesSkipped = 0;      // link closed, busy or full
    std::uint64_t framesWithoutPort = 0;  // of those, link closed or lost
  };

  FrameTransmitter(DriverState& state, SerialLink& link, platform::Platform& platform,
                   PortJournal& journal);
  ~FrameTransmitter();

  void StartSending();
  void StopSending();
  void SetSendInterval();

  std::int32_t IntervalMs() const;
  const Counters& Stats() const { return counters_; }

  // The frame for the current state, as the next tick would send it.
  std::span<const std::uint8_t> BuildFrame();

 private:
  void Tick();
  Duration MeasureTickInterval();

  DriverState& state_;
  SerialLink& link_;
  PortJournal& journal_;
  const platform::Clock& clock_;
  std::unique_ptr<platform::Timer> timer_;
  std::array<std::uint8_t, kMaxFrameSize> frame_{};
  std::optional<Duration> lastTick_;
  std::optional<Duration> tickInterval_;
  Counters counters_;
};

}  // namespace tarvolk::engine
