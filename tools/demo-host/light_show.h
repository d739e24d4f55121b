#pragma once

#include <cstdint>
#include <vector>

namespace tarvolk::demo_host {

// The demo's picture at a moment: the first half of the channels run a chase
// (one bright channel wandering along with a fading tail), the second half
// fade up and down together as a slow wave. Entry 0 is channel 1.
std::vector<std::uint8_t> LightShowAt(double seconds, int channelCount);

}  // namespace tarvolk::demo_host
