#include "scenarios.h"

#include <algorithm>
#include <random>

namespace tarvolk::drivers {

Duration FirstByteAfter(const DriverModel& port, Duration time) {
  const auto& wire = port.Wire();
  const auto first = std::find_if(wire.begin(), wire.end(),
                                  [&](const fakes::WireByte& byte) { return byte.start >= time; });
  return first == wire.end() ? Duration::max() : first->start;
}

dmx_interface::DecoderCounts DecodedAfter(const DriverModel& port, Duration time) {
  std::vector<fakes::WireByte> later;
  for (const auto& byte : port.Wire()) {
    if (byte.start >= time) later.push_back(byte);
  }
  return fakes::DecodeWire(later, port.ByteTime(), Duration::max());
}

CloseCycles RunCloseCycles(Show& show, int cycles, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int64_t> showMs(20, 220);
  CloseCycles result;
  for (int cycle = 0; cycle < cycles; ++cycle) {
    show.Enable(254);
    show.Run(std::chrono::milliseconds(showMs(random)));
    result.longestDisable = std::max(result.longestDisable, show.Timed([&] { show.Disable(); }));
  }
  result.decoded = show.Decoded();
  return result;
}

SlowLoss RunSlowLoss(Show& show, DriverModel& port, Duration openTime, Duration lost) {
  show.Enable(24);
  show.Run(std::chrono::milliseconds(300));
  port.deviceGone = true;
  show.Run(std::chrono::milliseconds(100));
  port.deviceGone = false;
  port.openTime = openTime;
  port.opensFail = true;
  const std::uint64_t triesBefore = show.Link().Stats().reopenAttempts;
  show.tickHold = Duration{0};
  show.longestTickHold = Duration{0};
  show.Run(lost);

  SlowLoss result;
  result.tries = static_cast<int>(show.Link().Stats().reopenAttempts - triesBefore);
  result.tickHold = show.tickHold;
  result.longestTickHold = show.longestTickHold;
  port.openTime = Duration{0};
  port.opensFail = false;
  const Duration back = show.Now();
  show.Run(std::chrono::seconds(2));
  result.resumedAfter = FirstByteAfter(port, back) - back;
  return result;
}

}  // namespace tarvolk::drivers
