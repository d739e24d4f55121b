#include "light_show.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvolk::demo_host {
namespace {

constexpr double kChaseStepsPerSecond = 6.0;
constexpr double kChaseTailFactor = 0.45;  // each channel behind keeps this share
constexpr double kFadePeriodSeconds = 4.0;
constexpr double kFadeWaveOffset = 0.08;  // phase lag from one channel to the next, in periods

std::uint8_t Level(double share) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(share, 0.0, 1.0) * 255.0));
}

}  // namespace

std::vector<std::uint8_t> LightShowAt(double seconds, int channelCount) {
  std::vector<std::uint8_t> levels(static_cast<std::size_t>(std::max(channelCount, 0)));
  const int chaseLength = channelCount / 2;
  if (chaseLength > 0) {
    const auto head = static_cast<int>(std::floor(seconds * kChaseStepsPerSecond)) % chaseLength;
    for (int i = 0; i < chaseLength; ++i) {
      const int behind = (head - i + chaseLength) % chaseLength;
      levels[static_cast<std::size_t>(i)] = Level(std::pow(kChaseTailFactor, behind));
    }
  }
  for (int i = chaseLength; i < channelCount; ++i) {
    const double phase = seconds / kFadePeriodSeconds - (i - chaseLength) * kFadeWaveOffset;
    levels[static_cast<std::size_t>(i)] =
        Level(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * phase));
  }
  return levels;
}

}  // namespace tarvolk::demo_host
