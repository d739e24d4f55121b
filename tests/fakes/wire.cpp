#include "fakes/wire.h"

#include <span>

namespace tarvolk::fakes {

dmx_interface::DecoderCounts DecodeWire(const std::vector<WireByte>& wire,
                                        std::chrono::nanoseconds byteTime,
                                        std::chrono::nanoseconds end) {
  dmx_interface::FrameDecoder decoder([](const dmx_interface::FrameView&) {});
  std::chrono::nanoseconds lineFreeAt{0};
  for (const auto& byte : wire) {
    if (byte.start >= end) break;
    if (byte.start > lineFreeAt) decoder.LineIdle();
    const dmx_interface::Arrival at{byte.start.count(), byte.start.count() / 1000};
    decoder.Feed(std::span(&byte.value, 1), at);
    lineFreeAt = byte.start + byteTime;
  }
  decoder.LineIdle();
  return decoder.Counts();
}

}  // namespace tarvolk::fakes
