#include "display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace tarvolk::dmx_interface {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct DisplayTest : ::testing::Test {
  const std::vector<std::uint8_t> channels = {0, 128, 255, 7, 80};
  Snapshot snapshot{.source = "/tmp/dmx -> /dev/pts/9",
                    .elapsedS = 12.34,
                    .haveFrame = true,
                    .latest = channels,
                    .framesPerS = 66.84,
                    .lineShare = 0.921,
                    .counts = {.frames = 812, .wrongStartCode = 1, .torn = 2, .strayBytes = 5}};
};

TEST_F(DisplayTest, ScreenShowsTheSummaryAndOneBarPerShownChannel) {
  const std::string screen = RenderScreen(snapshot, 4);
  for (const char* expected :
       {"/tmp/dmx -> /dev/pts/9", "12.3 s", "channels 5", "frames/s 66.8", "line 92.1 %",
        "frames 812", "bad frames 3 (torn 2, start code 1", "stray bytes 5"}) {
    EXPECT_NE(screen.find(expected), std::string::npos) << expected << "\n" << screen;
  }
  const auto lines = Lines(screen);
  ASSERT_EQ(lines.size(), 3u + 4u);
  const std::ptrdiff_t filled[] = {0, 16, 32, 1};  // of 32, rounded
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string& row = lines[3 + i];
    EXPECT_EQ(std::count(row.begin(), row.end(), '#'), filled[i]) << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), '.'), 32 - filled[i]) << row;
    EXPECT_TRUE(row.ends_with(" " + std::to_string(channels[i]))) << row;
  }
  EXPECT_EQ(screen.find('\x1b'), std::string::npos);
}

TEST_F(DisplayTest, ScreenShowsNoMoreChannelsThanTheFrameHas) {
  EXPECT_EQ(Lines(RenderScreen(snapshot, 16)).size(), 3u + channels.size());
}

TEST_F(DisplayTest, LogLineIsOnePlainLineWithTheShownValues) {
  const std::string line = RenderLogLine(snapshot, 3);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
  EXPECT_NE(line.find("line 92.1 %"), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with("| 0 128 255\n")) << line;
}

TEST_F(DisplayTest, BeforeTheFirstFrameThereAreNoLevels) {
  snapshot.haveFrame = false;
  snapshot.latest = {};
  EXPECT_EQ(Lines(RenderScreen(snapshot, 16)).back(), "waiting for a whole frame");
  EXPECT_EQ(RenderLogLine(snapshot, 3).find('|'), std::string::npos);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
