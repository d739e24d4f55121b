#pragma once

#include <chrono>
#include <cstdint>

#include "fakes/line_simulation.h"

namespace tarvolk::bench {

// A naive driver on a real UART: at every tick the whole frame is written one
// byte at a time into the classic 512-byte output buffer, which drops whatever
// does not fit, while the line drains it at 19200 baud 8N2. What the device
// then makes of the wire.
struct NaiveUartResult {
  double intactFramesPerS = 0.0;  // frames whose every byte reached the wire
  double decodedWholePerS = 0.0;  // what the device took for whole frames

  double tornFramesPerS = 0.0;
  double otherBadFramesPerS = 0.0;  // wrong start code or zero length
  double strayBytesPerS = 0.0;
};

NaiveUartResult RunNaiveUartSimulation(std::int32_t channels,
                                       fakes::LineSimulationConfig::Ticks ticks,
                                       std::chrono::nanoseconds duration);

}  // namespace tarvolk::bench
