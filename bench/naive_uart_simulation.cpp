#include "naive_uart_simulation.h"

#include <vector>

#include "engine/frame_transmitter.h"
#include "fakes/event_log.h"
#include "fakes/fake_clock.h"
#include "fakes/simulated_line_port.h"
#include "fakes/wire.h"
#include "platform/line_settings.h"

namespace tarvolk::bench {
namespace {

using Duration = std::chrono::nanoseconds;
constexpr std::size_t kUartOutputBuffer = 512;
constexpr Duration kJitter = std::chrono::microseconds(1500);

}  // namespace

NaiveUartResult RunNaiveUartSimulation(std::int32_t channels,
                                       fakes::LineSimulationConfig::Ticks ticks,
                                       std::chrono::nanoseconds duration) {
  fakes::EventLog log;
  fakes::FakeClock clock;
  fakes::SimulatedLinePort port(log, clock, kUartOutputBuffer);
  constexpr std::string_view kSettings = "19200,N,8,2";
  port.SetSettings(kSettings);
  port.Open();
  const Duration byteTime = platform::LineSettings::Parse(kSettings).value().ByteTime();
  std::mt19937 random(static_cast<unsigned>(channels));
  const Duration begin = clock.Now();
  const Duration end = begin + duration;
  fakes::TickSchedule schedule(ticks, std::chrono::milliseconds(engine::SendInterval(channels)),
                               kJitter, begin, random);

  std::vector<std::uint8_t> frame(static_cast<std::size_t>(channels) + 3);
  frame[0] = 0x50;
  frame[1] = static_cast<std::uint8_t>(channels + 1);
  frame[2] = 0x00;
  std::uint64_t intact = 0;
  for (std::uint32_t tick = 0;; ++tick) {
    const Duration at = schedule.Next();
    if (at >= end) break;
    clock.Set(at);
    // A show in progress: the values move from one frame to the next.
    for (std::size_t i = 3; i < frame.size(); ++i) {
      frame[i] = static_cast<std::uint8_t>(i * 7 + tick);
    }
    std::size_t taken = 0;
    for (const std::uint8_t& byte : frame) taken += port.Write(std::span(&byte, 1));
    if (taken == frame.size()) ++intact;
  }

  const auto counts = fakes::DecodeWire(port.Wire(), byteTime, end);
  const double seconds = std::chrono::duration<double>(duration).count();
  return {static_cast<double>(intact) / seconds, static_cast<double>(counts.frames) / seconds,
          static_cast<double>(counts.torn) / seconds,
          static_cast<double>(counts.wrongStartCode + counts.zeroLength) / seconds,
          static_cast<double>(counts.strayBytes) / seconds};
}

}  // namespace tarvolk::bench
