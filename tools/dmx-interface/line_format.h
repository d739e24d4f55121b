#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvolk::dmx_interface {

// The serial line between the plug-in and the interface: 19200 baud, 8 data
// bits, no parity, 2 stop bits, so each byte occupies 11 bit times.
inline constexpr std::int64_t kBaud = 19200;
inline constexpr std::int64_t kBitsPerByte = 11;
inline constexpr double kLineBytesPerSecond =
    static_cast<double>(kBaud) / static_cast<double>(kBitsPerByte);

// A frame: 'P', length L = N + 1, DMX512 null start code, channels 1..N.
inline constexpr std::uint8_t kFrameHeader = 0x50;
inline constexpr std::uint8_t kNullStartCode = 0x00;
inline constexpr std::size_t kMaxChannels = 254;
inline constexpr std::size_t kFrameOverhead = 3;

// When a byte or a frame arrived: monotonic for rates, wall clock for
// comparing with a host's own timestamps.
struct Arrival {
  std::int64_t monotonicNs = 0;
  std::int64_t realtimeUs = 0;
};

}  // namespace tarvolk::dmx_interface
