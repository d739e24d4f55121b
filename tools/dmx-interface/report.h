#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "frame_decoder.h"

namespace tarvolk::dmx_interface {

struct FrameRecord {
  std::int64_t realtimeUs = 0;  // arrival of the frame's last byte
  std::vector<std::uint8_t> channels;
};

// The results of a run. Rates are taken over the span in which their events
// happened, so a writer that starts late does not lower them.
struct Report {
  DecoderCounts counts;
  double durationS = 0.0;
  double activeS = 0.0;  // first byte read to last byte read
  std::optional<double> lineBytesPerS;
  std::optional<double> framesPerS;
  std::optional<double> frameBytesPerS;
  std::optional<std::vector<FrameRecord>> frames;  // only when asked for
};

}  // namespace tarvolk::dmx_interface
