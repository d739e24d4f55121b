#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "frame_decoder.h"

namespace tarvolk::dmx_interface {

// What the live display shows at one moment.
struct Snapshot {
  std::string source;  // where the line is published
  double elapsedS = 0.0;
  bool haveFrame = false;
  std::span<const std::uint8_t> latest;  // channels of the latest whole frame
  double framesPerS = 0.0;
  double lineShare = 0.0;  // bytes of whole frames per second / line capacity
  DecoderCounts counts;
};

// A full screen for a terminal: summary lines, then one level bar per shown channel.
std::string RenderScreen(const Snapshot& snapshot, std::size_t shownChannels);

// One plain line for a log, with the shown channels' values.
std::string RenderLogLine(const Snapshot& snapshot, std::size_t shownChannels);

}  // namespace tarvolk::dmx_interface
