#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tarvolk::dmx_interface::testing {

using Bytes = std::vector<std::uint8_t>;

// A frame as the plug-in sends it: 'P', N + 1, start code, channels.
inline Bytes MakeFrame(const Bytes& channels, std::uint8_t startCode = 0x00) {
  Bytes frame{0x50, static_cast<std::uint8_t>(channels.size() + 1), startCode};
  frame.insert(frame.end(), channels.begin(), channels.end());
  return frame;
}

// Channels 1..n of frame `seed`: values differ from frame to frame.
inline Bytes Channels(std::size_t n, unsigned seed) {
  Bytes channels(n);
  for (std::size_t i = 0; i < n; ++i) channels[i] = static_cast<std::uint8_t>(seed * 7 + i * 29);
  return channels;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Whole frames first .. first + count - 1, each of n channels.
inline Bytes Frames(unsigned first, unsigned count, std::size_t n) {
  Bytes stream;
  for (unsigned i = first; i < first + count; ++i) {
    const Bytes frame = MakeFrame(Channels(n, i));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

}  // namespace tarvolk::dmx_interface::testing
