#include "fakes/line_simulation.h"

#include <algorithm>
#include <random>

#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "fakes/fake_platform.h"
#include "fakes/simulated_line_port.h"
#include "plugin/cls_output_driver.h"

namespace tarvolk::fakes {
namespace {

using Duration = std::chrono::nanoseconds;
using std::chrono::microseconds;
using std::chrono::milliseconds;

class QueueingLine final : public SimulatedLine {
 public:
  explicit QueueingLine(std::size_t driverQueue) : driverQueue_(driverQueue) {}

  std::unique_ptr<platform::SerialPort> MakePort(EventLog& log, FakeClock& clock) override {
    auto created = std::make_unique<SimulatedLinePort>(log, clock, driverQueue_);
    port_ = created.get();
    return created;
  }
  const std::vector<WireByte>& Wire() const override { return port_->Wire(); }

 private:
  std::size_t driverQueue_;
  SimulatedLinePort* port_ = nullptr;
};

class LinePlatform final : public FakePlatform {
 public:
  explicit LinePlatform(SimulatedLine& line) : line_(line) {}
  std::unique_ptr<platform::SerialPort> CreateSerialPort() override {
    return line_.MakePort(log, clock);
  }

 private:
  SimulatedLine& line_;
};

// Splits the bytes that left the line by `end` into frames
// 0x50, N + 1, 0x00, N channels; only the last frame may be cut off by the end.
void ReadWire(const std::vector<WireByte>& wire, Duration end, LineSimulationResult& result) {
  std::size_t i = 0;
  while (i < wire.size() && wire[i].start < end) {
    const std::size_t left = wire.size() - i;
    if (wire[i].value != 0x50 || (left >= 3 && wire[i + 2].value != 0x00)) {
      result.wireHoldsOnlyWholeFrames = false;
      return;
    }
    if (left < 2) return;
    const std::size_t length = std::size_t{2} + wire[i + 1].value;
    if (left < length || wire[i + length - 1].start >= end) return;  // cut off by the end
    WireFrame frame{wire[i].start, {}};
    for (std::size_t k = i + 3; k < i + length; ++k) frame.channels.push_back(wire[k].value);
    result.frames.push_back(std::move(frame));
    i += length;
  }
}

}  // namespace

TickSchedule::TickSchedule(LineSimulationConfig::Ticks ticks, Duration period, Duration jitter,
                           Duration begin, std::mt19937& random)
    : ticks_(ticks),
      interval_(period),
      lateness_(0, jitter.count()),
      random_(random),
      last_(begin),
      due_(begin) {
  using Ticks = LineSimulationConfig::Ticks;
  if (ticks == Ticks::kWindowsLike) interval_ = std::max(period, Duration(microseconds(10050)));
  if (ticks == Ticks::kWindowsDefaultResolution) {
    const Duration clockTick = microseconds(15625);
    interval_ = (period + clockTick - Duration(1)) / clockTick * clockTick;
  }
}

TickSchedule::Duration TickSchedule::Next() {
  switch (ticks_) {
    case LineSimulationConfig::Ticks::kAsAsked:
      last_ += interval_;
      break;
    case LineSimulationConfig::Ticks::kWindowsLike:
      // The timer restarts when its tick is delivered, so lateness adds up.
      last_ += interval_ + Duration(lateness_(random_));
      break;
    case LineSimulationConfig::Ticks::kWindowsDefaultResolution:
      due_ += interval_;
      last_ = due_ + Duration(lateness_(random_));
      break;
  }
  return last_;
}

LineSimulationResult RunLineSimulation(const LineSimulationConfig& config) {
  QueueingLine line(config.driverQueue);
  return RunLineSimulation(config, line);
}

LineSimulationResult RunLineSimulation(const LineSimulationConfig& config, SimulatedLine& line) {
  LinePlatform platform(line);
  engine::DriverState state(platform);
  plugin::clsOutputDriver driver(state);
  std::mt19937 random(config.seed);

  state.PortNumber = 1;
  driver.Enable();
  auto& transmitter = state.EngineWindow().timSend;
  state.ChannelCount = config.channelCount;
  transmitter.SetSendInterval();
  // Channel values that look like headers and start codes must not confuse anyone.
  for (std::int32_t channel = 1; channel <= config.channelCount; ++channel) {
    state.ChannelBuffer[static_cast<std::size_t>(channel)] = channel % 2 ? 0x50 : 0x00;
  }

  LineSimulationResult result;
  const Duration byteTime = state.EngineWindow().MSComm1.ByteTime();
  result.frameTime = byteTime * (config.channelCount + 3);
  const Duration period = milliseconds(transmitter.IntervalMs());
  TickSchedule schedule(config.ticks, period, config.jitter, platform.clock.Now(), random);
  const Duration tickFloor = schedule.Interval();
  // Values change seldom enough that each must reach the wire before the next.
  const Duration changeGap = result.frameTime + 3 * tickFloor + 2 * config.jitter;
  std::uniform_int_distribution<std::int64_t> changeSpread(0, changeGap.count());

  const Duration begin = platform.clock.Now();
  const Duration end = begin + config.duration;
  Duration nextTick = schedule.Next();
  Duration firstTick{};
  Duration nextChange = begin + changeGap + Duration(changeSpread(random));
  Duration lastTick = begin;
  std::uint8_t value = 0;
  while (std::min(nextTick, nextChange) < end) {
    if (nextChange < nextTick) {
      platform.clock.Set(nextChange);
      value = static_cast<std::uint8_t>(value + 1);
      driver.SetChannel(config.channelCount, value);
      result.changes.push_back({nextChange, value});
      nextChange += changeGap + Duration(changeSpread(random));
    } else {
      platform.clock.Set(nextTick);
      platform.timer->Fire();
      if (result.ticks++ == 0) firstTick = nextTick;
      result.longestTick = std::max(result.longestTick, nextTick - lastTick);
      lastTick = nextTick;
      nextTick = schedule.Next();
    }
  }

  if (result.ticks > 1) {
    result.meanTick = (lastTick - firstTick) / static_cast<std::int64_t>(result.ticks - 1);
  }
  ReadWire(line.Wire(), end, result);
  if (!result.frames.empty()) {
    const Duration busy =
        byteTime * static_cast<std::int64_t>(result.frames.size()) * (config.channelCount + 3);
    result.lineShare = static_cast<double>(busy.count()) /
                       static_cast<double>((end - result.frames.front().start).count());
  }
  result.framesSkipped = transmitter.Stats().framesSkipped;
  return result;
}

}  // namespace tarvolk::fakes
