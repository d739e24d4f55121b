// Prints how the engine uses a 19200-baud line under the fake clock: share of
// the line that whole frames use and how long a set value takes to reach the
// wire, for a range of channel counts and both tick patterns.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "fakes/line_simulation.h"

namespace {

using tarvolk::fakes::LineSimulationConfig;
using tarvolk::fakes::LineSimulationResult;

double Ms(std::chrono::nanoseconds d) { return static_cast<double>(d.count()) / 1e6; }

// Delays from each change to the start of the first frame that carries it.
std::vector<std::chrono::nanoseconds> Latencies(const LineSimulationResult& result) {
  std::vector<std::chrono::nanoseconds> latencies;
  std::size_t next = 0;
  for (const auto& change : result.changes) {
    while (next < result.frames.size() && (result.frames[next].start < change.at ||
                                           result.frames[next].channels.back() != change.value)) {
      ++next;
    }
    if (next == result.frames.size()) break;
    latencies.push_back(result.frames[next].start - change.at);
  }
  std::sort(latencies.begin(), latencies.end());
  return latencies;
}

}  // namespace

int main() {
  std::printf("%-12s %8s %9s %8s %8s %9s %9s %9s %9s\n", "ticks", "channels", "frames/s", "line %",
              "skipped", "lat p50", "lat max", "bound", "whole");
  for (const auto ticks :
       {LineSimulationConfig::Ticks::kAsAsked, LineSimulationConfig::Ticks::kWindowsLike}) {
    for (const std::int32_t channels : {1, 10, 14, 24, 64, 128, 200, 254}) {
      LineSimulationConfig config;
      config.channelCount = channels;
      config.ticks = ticks;
      const LineSimulationResult result = tarvolk::fakes::RunLineSimulation(config);
      const auto latencies = Latencies(result);
      const double seconds = Ms(config.duration) / 1000.0;
      std::printf("%-12s %8d %9.1f %8.2f %8llu %8.2fms %8.2fms %8.2fms %9s\n",
                  ticks == LineSimulationConfig::Ticks::kAsAsked ? "as asked" : "windows-like",
                  channels, static_cast<double>(result.frames.size()) / seconds,
                  100.0 * result.lineShare, static_cast<unsigned long long>(result.framesSkipped),
                  latencies.empty() ? 0.0 : Ms(latencies[latencies.size() / 2]),
                  latencies.empty() ? 0.0 : Ms(latencies.back()),
                  Ms(result.frameTime + 2 * result.longestTick),
                  result.wireHoldsOnlyWholeFrames ? "yes" : "NO");
    }
  }
  return 0;
}
