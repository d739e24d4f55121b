// Prints how the engine uses a 19200-baud line under the fake clock, for a
// range of channel counts and three tick patterns: frames per second against
// the line's limit, and how long a set value takes until the frame carrying
// it has left the line, against the floor of two frame times and one tick.
// Then what a naive driver puts on the wire of a real UART whose 512-byte
// output buffer drops what does not fit. One whitespace-separated row a case.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "fakes/line_simulation.h"
#include "naive_uart_simulation.h"

namespace {

using tarvolk::fakes::LineSimulationConfig;
using tarvolk::fakes::LineSimulationResult;
using Ticks = LineSimulationConfig::Ticks;
using std::chrono::nanoseconds;

constexpr std::int32_t kChannelCounts[] = {1, 10, 14, 15, 24, 64, 128, 200, 254};
constexpr double kLineBytesPerSecond = 19200.0 / 11.0;

struct Pattern {
  Ticks ticks;
  const char* name;
};
constexpr Pattern kPatterns[] = {{Ticks::kAsAsked, "as-asked"},
                                 {Ticks::kWindowsLike, "wine-10ms"},
                                 {Ticks::kWindowsDefaultResolution, "windows-15.6ms"}};

double Ms(nanoseconds d) { return static_cast<double>(d.count()) / 1e6; }

// From each change to the end of the first frame that carries it.
std::vector<nanoseconds> Delays(const LineSimulationResult& result) {
  std::vector<nanoseconds> delays;
  std::size_t next = 0;
  for (const auto& change : result.changes) {
    while (next < result.frames.size() && (result.frames[next].start < change.at ||
                                           result.frames[next].channels.back() != change.value)) {
      ++next;
    }
    if (next == result.frames.size()) break;
    delays.push_back(result.frames[next].start + result.frameTime - change.at);
  }
  std::sort(delays.begin(), delays.end());
  return delays;
}

nanoseconds Percentile(const std::vector<nanoseconds>& sorted, double share) {
  if (sorted.empty()) return nanoseconds{0};
  const auto rank = static_cast<std::size_t>(share * static_cast<double>(sorted.size()) + 0.999999);
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

void PrintEngineRows() {
  std::printf("%-15s %8s %8s %9s %9s %6s %7s %8s %8s %8s %8s %8s %6s %6s\n", "#ticks", "channels",
              "tick_ms", "frames/s", "limit/s", "ratio", "line_%", "skipped", "p50_ms", "p99_ms",
              "max_ms", "floor_ms", "p99/fl", "whole");
  for (const Pattern& pattern : kPatterns) {
    for (const std::int32_t channels : kChannelCounts) {
      LineSimulationConfig config;
      config.channelCount = channels;
      config.ticks = pattern.ticks;
      const LineSimulationResult result = tarvolk::fakes::RunLineSimulation(config);
      const auto delays = Delays(result);
      const double seconds = Ms(config.duration) / 1000.0;
      const double fps = static_cast<double>(result.frames.size()) / seconds;
      const double limit =
          std::min(kLineBytesPerSecond / (channels + 3), 1000.0 / Ms(result.meanTick));
      const nanoseconds floor = 2 * result.frameTime + result.meanTick;
      const nanoseconds p99 = Percentile(delays, 0.99);
      std::printf(
          "%-15s %8d %8.2f %9.1f %9.1f %6.3f %7.2f %8llu %8.2f %8.2f %8.2f %8.2f %6.2f %6s\n",
          pattern.name, channels, Ms(result.meanTick), fps, limit, fps / limit,
          100.0 * result.lineShare, static_cast<unsigned long long>(result.framesSkipped),
          Ms(Percentile(delays, 0.5)), Ms(p99), Ms(delays.empty() ? nanoseconds{0} : delays.back()),
          Ms(floor), Ms(p99) / Ms(floor), result.wireHoldsOnlyWholeFrames ? "yes" : "NO");
    }
  }
}

void PrintNaiveUartRows() {
  std::printf("\n%-15s %8s %9s %9s %9s %9s %9s\n", "#naive-uart", "channels", "intact/s",
              "decoded/s", "torn/s", "other/s", "stray/s");
  for (const Pattern& pattern : kPatterns) {
    if (pattern.ticks == Ticks::kAsAsked) continue;  // no platform ticks that fast
    for (const std::int32_t channels : kChannelCounts) {
      const auto result =
          tarvolk::bench::RunNaiveUartSimulation(channels, pattern.ticks, std::chrono::seconds(60));
      std::printf("%-15s %8d %9.1f %9.1f %9.1f %9.1f %9.1f\n", pattern.name, channels,
                  result.intactFramesPerS, result.decodedWholePerS, result.tornFramesPerS,
                  result.otherBadFramesPerS, result.strayBytesPerS);
    }
  }
}

}  // namespace

int main() {
  PrintEngineRows();
  PrintNaiveUartRows();
  return 0;
}
