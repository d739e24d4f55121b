#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "frame_decoder.h"

namespace tarvolk::fakes {

// One byte on a simulated serial line and the moment its start bit goes out.
struct WireByte {
  std::chrono::nanoseconds start;
  std::uint8_t value;
};

// What the device makes of the bytes that left the line before `end`: a pause
// longer than a byte time is an idle line, which ends a frame for it.
dmx_interface::DecoderCounts DecodeWire(const std::vector<WireByte>& wire,
                                        std::chrono::nanoseconds byteTime,
                                        std::chrono::nanoseconds end);

}  // namespace tarvolk::fakes
