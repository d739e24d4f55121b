#include "display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarvolk::dmx_interface {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text must end with a newline";
  return lines;
}

// The bar lengths of 0, 128, 255, 7 and 80 out of 32, rounded.
constexpr std::ptrdiff_t kFilled[] = {0, 16, 32, 1, 10};

struct DisplayTest : ::testing::Test {
  std::vector<std::uint8_t> channels = {0, 128, 255, 7, 80};
  Snapshot snapshot;

  void SetUp() override {
    snapshot.source = "/tmp/dmx -> /dev/pts/9";
    snapshot.elapsedS = 12.34;
    snapshot.haveFrame = true;
    snapshot.latest = channels;
    snapshot.framesPerS = 66.84;
    snapshot.lineShare = 0.921;
    snapshot.counts.frames = 812;
    snapshot.counts.torn = 2;
    snapshot.counts.wrongStartCode = 1;
    snapshot.counts.strayBytes = 5;
    snapshot.counts.skippedBytes = 14;
  }
};

TEST_F(DisplayTest, ScreenShowsTheSummary) {
  const std::string screen = RenderScreen(snapshot, 16);
  for (const char* expected :
       {"/tmp/dmx -> /dev/pts/9", "12.3 s", "channels 5", "frames/s 66.8", "line 92.1 %",
        "frames 812", "bad frames 3 (torn 2, start code 1, zero length 0)", "stray bytes 5",
        "skipped 14"}) {
    EXPECT_NE(screen.find(expected), std::string::npos) << expected << "\n" << screen;
  }
  EXPECT_EQ(screen.find('\x1b'), std::string::npos);
}

TEST_F(DisplayTest, ScreenHasOneBarPerShownChannelScaledToFull) {
  struct Case {
    std::size_t shown;
    std::size_t rows;
  };
  for (const Case c : {Case{16, 5}, Case{3, 3}, Case{0, 0}}) {
    const auto lines = Lines(RenderScreen(snapshot, c.shown));
    ASSERT_EQ(lines.size(), 3 + c.rows);
    for (std::size_t i = 0; i < c.rows; ++i) {
      const std::string& row = lines[3 + i];
      const auto hashes = std::count(row.begin(), row.end(), '#');
      const auto dots = std::count(row.begin(), row.end(), '.');
      EXPECT_EQ(hashes + dots, 32) << row;
      EXPECT_EQ(hashes, kFilled[i]) << row;
      EXPECT_NE(row.find(" " + std::to_string(channels[i])), std::string::npos) << row;
      EXPECT_EQ(row.find(std::to_string(i + 1)), row.find_first_not_of(' ')) << row;
    }
  }
}

TEST_F(DisplayTest, ScreenSaysSoBeforeTheFirstFrame) {
  snapshot.haveFrame = false;
  snapshot.latest = {};
  const auto lines = Lines(RenderScreen(snapshot, 16));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "waiting for a whole frame");
}

TEST_F(DisplayTest, LogLineIsOnePlainLineWithTheShownValues) {
  const std::string line = RenderLogLine(snapshot, 3);
  EXPECT_EQ(Lines(line).size(), 1u);
  EXPECT_EQ(line.find('\x1b'), std::string::npos);
  EXPECT_NE(line.find("line 92.1 %"), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with("| 0 128 255\n")) << line;
}

TEST_F(DisplayTest, LogLineHasNoValuesBeforeTheFirstFrame) {
  snapshot.haveFrame = false;
  snapshot.latest = {};
  EXPECT_EQ(RenderLogLine(snapshot, 3).find('|'), std::string::npos);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
