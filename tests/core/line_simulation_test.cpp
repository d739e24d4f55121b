#include "fakes/line_simulation.h"

#include <gtest/gtest.h>

#include "engine/frame_transmitter.h"

namespace tarvolk::fakes {
namespace {

using Ticks = LineSimulationConfig::Ticks;

struct Scenario {
  std::int32_t channels;
  Ticks ticks;
};

std::string Name(const ::testing::TestParamInfo<Scenario>& info) {
  const char* ticks = "AsAsked";
  if (info.param.ticks == Ticks::kWindowsLike) ticks = "WindowsLike";
  if (info.param.ticks == Ticks::kWindowsDefaultResolution) ticks = "WindowsDefaultResolution";
  return std::to_string(info.param.channels) + "Channels" + ticks;
}

class LineSimulationTest : public ::testing::TestWithParam<Scenario> {
 protected:
  static LineSimulationResult Run(const Scenario& scenario) {
    LineSimulationConfig config;
    config.channelCount = scenario.channels;
    config.ticks = scenario.ticks;
    config.seed = static_cast<unsigned>(scenario.channels);
    return RunLineSimulation(config);
  }
};

TEST_P(LineSimulationTest, WholeFramesFreshValuesAndAFullLine) {
  const Scenario scenario = GetParam();
  const LineSimulationResult result = Run(scenario);

  EXPECT_TRUE(result.wireHoldsOnlyWholeFrames);
  ASSERT_GT(result.frames.size(), 100u);
  for (const auto& frame : result.frames) {
    ASSERT_EQ(frame.channels.size(), static_cast<std::size_t>(scenario.channels));
  }

  // Where frames take longer than ticks, the line is the bottleneck and
  // should stay busy; otherwise every tick sends its frame.
  if (result.frameTime > result.longestTick) {
    EXPECT_GE(result.lineShare, 0.95);
  } else {
    EXPECT_EQ(result.framesSkipped, 0u);
    EXPECT_GE(result.frames.size() + 1, result.ticks);
  }

  // Each value the host sets is on the wire within a frame time and two ticks.
  const auto bound = result.frameTime + 2 * result.longestTick;
  std::size_t next = 0;
  ASSERT_GT(result.changes.size(), 50u);
  for (const auto& change : result.changes) {
    while (next < result.frames.size() && (result.frames[next].start < change.at ||
                                           result.frames[next].channels.back() != change.value)) {
      ++next;
    }
    if (next == result.frames.size()) {
      EXPECT_GT(change.at + bound, result.frames.back().start) << "a value never reached the wire";
      break;
    }
    ASSERT_LE(result.frames[next].start - change.at, bound)
        << "value " << int{change.value} << " set at " << change.at.count() << " ns";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, LineSimulationTest,
    ::testing::Values(Scenario{10, Ticks::kAsAsked}, Scenario{64, Ticks::kAsAsked},
                      Scenario{128, Ticks::kAsAsked}, Scenario{254, Ticks::kAsAsked},
                      Scenario{10, Ticks::kWindowsLike}, Scenario{64, Ticks::kWindowsLike},
                      Scenario{128, Ticks::kWindowsLike}, Scenario{254, Ticks::kWindowsLike},
                      Scenario{24, Ticks::kWindowsDefaultResolution},
                      Scenario{254, Ticks::kWindowsDefaultResolution}),
    Name);

}  // namespace
}  // namespace tarvolk::fakes
