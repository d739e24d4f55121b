#pragma once

#include <cstdint>

#include "model_show.h"

// Whole shows on a model driver, shared by the tests and `make bench`.
namespace tarvolk::drivers {

// The longest a host call that closes the port may wait: a full buffer's line
// time at 19200 baud 8N2, the device, and half a second.
inline constexpr Duration kWaitBound =
    std::chrono::nanoseconds(572917) *
        static_cast<std::int64_t>(engine::SerialLink::kOutputBufferSize) +
    engine::SerialLink::kDeviceLatency + std::chrono::milliseconds(500);

// When the first byte after `time` started on the wire; Duration::max() for none.
Duration FirstByteAfter(const DriverModel& port, Duration time);
// What the device made of the bytes that started on the wire after `time`.
dmx_interface::DecoderCounts DecodedAfter(const DriverModel& port, Duration time);

// Output switched off and on again at random moments of a 254-channel show.
struct CloseCycles {
  dmx_interface::DecoderCounts decoded;  // what the device made of the wire
  Duration longestDisable{0};
};
CloseCycles RunCloseCycles(Show& show, int cycles, unsigned seed);

// The port lost mid-show while every try to reopen it takes `openTime` and
// fails, for `lost`; then the device comes back and opens at once.
struct SlowLoss {
  int tries = 0;
  Duration tickHold{0};  // how long ticks held the thread up while lost
  Duration longestTickHold{0};
  Duration resumedAfter{0};  // from the device's return to the next byte on the wire
};
SlowLoss RunSlowLoss(Show& show, DriverModel& port, Duration openTime, Duration lost);

}  // namespace tarvolk::drivers
