#include "engine/frame_transmitter.h"

#include <cmath>

#include "engine/driver_state.h"
#include "engine/port_journal.h"
#include "engine/serial_link.h"
#include "platform/platform.h"

namespace tarvolk::engine {
namespace {

// A frame is queued only while what waits ahead of it leaves the line within
// about one tick, so it starts soon with the newest values, yet the line never
// runs dry between ticks. The operating system gets about two ticks of line
// time, enough to bridge one late tick.
constexpr double kFrameBacklogTicks = 1.0;
constexpr double kOperatingSystemTicks = 2.0;
// Weight of the newest measured tick interval in the running estimate.
constexpr double kIntervalSmoothing = 0.25;

constexpr std::uint8_t kFrameHeader = 0x50;  // 'P'
constexpr std::uint8_t kNullStartCode = 0x00;

FrameTransmitter::Duration Scaled(FrameTransmitter::Duration d, double factor) {
  return FrameTransmitter::Duration(std::llround(static_cast<double>(d.count()) * factor));
}

}  // namespace

std::int32_t SendInterval(std::int32_t channelCount) {
  return static_cast<std::int32_t>(std::trunc(static_cast<double>(channelCount) * 0.07 + 1.0));
}

FrameTransmitter::FrameTransmitter(DriverState& state, SerialLink& link,
                                   platform::Platform& platform, PortJournal& journal)
    : state_(state),
      link_(link),
      journal_(journal),
      clock_(platform.MonotonicClock()),
      timer_(platform.CreateTimer([this] { Tick(); })) {
  timer_->SetIntervalMs(kInitialIntervalMs);
}

FrameTransmitter::~FrameTransmitter() = default;

void FrameTransmitter::StartSending() {
  if (!timer_->IsRunning()) lastTick_.reset();
  timer_->Start();
}

void FrameTransmitter::StopSending() { timer_->Stop(); }

void FrameTransmitter::SetSendInterval() {
  const std::int32_t interval = SendInterval(state_.ChannelCount);
  if (interval == timer_->IntervalMs()) return;
  timer_->SetIntervalMs(interval);
  tickInterval_.reset();  // measure the new period afresh
}

std::int32_t FrameTransmitter::IntervalMs() const { return timer_->IntervalMs(); }

std::span<const std::uint8_t> FrameTransmitter::BuildFrame() {
  const auto count = static_cast<std::uint8_t>(state_.ChannelCount);
  frame_[0] = kFrameHeader;
  frame_[1] = static_cast<std::uint8_t>(count + 1);
  frame_[2] = kNullStartCode;
  // An 8-bit counter, as on the device; count is at most 254 so it never wraps.
  for (std::uint8_t i = 1; i <= count; ++i) frame_[2 + i] = state_.ChannelBuffer[i];
  return std::span(frame_.data(), std::size_t{3} + count);
}

void FrameTransmitter::Tick() {
  const Duration interval = MeasureTickInterval();
  if (state_.OutputEnabled) {
    if (link_.QueueFrame(BuildFrame(), Scaled(interval, kFrameBacklogTicks))) {
      ++counters_.framesSent;
    } else {
      ++counters_.framesSkipped;
      if (!link_.Carries()) ++counters_.framesWithoutPort;
    }
    const auto& link = link_.Stats();
    journal_.Summarise(clock_.Now(),
                       {counters_.framesWithoutPort, link.writeFailures, link.reopenAttempts});
  }
  link_.Pump(Scaled(interval, kOperatingSystemTicks));
}

// The platform may stretch the period (Windows ticks no faster than about
// every 10 ms), so the pacing follows the ticks as they really come.
FrameTransmitter::Duration FrameTransmitter::MeasureTickInterval() {
  const Duration now = clock_.Now();
  const Duration asked = std::chrono::milliseconds(timer_->IntervalMs());
  if (lastTick_) {
    const Duration measured = now - *lastTick_;
    tickInterval_ = tickInterval_
                        ? *tickInterval_ + Scaled(measured - *tickInterval_, kIntervalSmoothing)
                        : measured;
  }
  lastTick_ = now;
  return tickInterval_.value_or(asked);
}

}  // namespace tarvolk::engine
