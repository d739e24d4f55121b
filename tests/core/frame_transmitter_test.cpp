#include "engine/frame_transmitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "test_support.h"

namespace tarvolk::engine {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SendIntervalTest, MatchesTheIntegerFormulaOverTheWholeBuffer) {
  for (std::int32_t n = 0; n <= 512; ++n) {
    EXPECT_EQ(SendInterval(n), (7 * n + 100) / 100) << n;
  }
}

TEST(SendIntervalTest, WholeProductsDoNotFallBelowTheirValue) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {{0, 1},    {14, 1},   {15, 2},  {100, 8},
                                                         {200, 15}, {243, 18}, {254, 18}};
  for (const auto& [count, period] : cases) EXPECT_EQ(SendInterval(count), period) << count;
}

class FrameTransmitterTest : public ::testing::Test {
 protected:
  void EnableOnPortOne() {
    fixture.state.PortNumber = 1;
    ASSERT_TRUE(fixture.driver.Enable());
  }
  // Ticks until the first frame has left for the line, and returns it.
  Bytes FirstFrameOnWire(std::size_t frameSize) {
    for (int tick = 0; tick < 100 && fixture.port().written.size() < frameSize; ++tick) {
      fixture.platform.clock.Advance(std::chrono::milliseconds(fixture.timer().IntervalMs()));
      fixture.timer().Fire();
    }
    const auto& written = fixture.port().written;
    return Bytes(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(
                                                        std::min(frameSize, written.size())));
  }

  testing::DriverFixture fixture;
};

TEST_F(FrameTransmitterTest, OneValueTravelsToTheWire) {
  EnableOnPortOne();
  EXPECT_TRUE(fixture.driver.SetChannel(5, 255));
  EXPECT_EQ(FirstFrameOnWire(13), (Bytes{0x50, 0x0B, 0x00, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0}));
}

TEST_F(FrameTransmitterTest, NoChannelsIsAThreeByteFrame) {
  EnableOnPortOne();
  fixture.state.ChannelCount = 0;
  EXPECT_EQ(FirstFrameOnWire(3), (Bytes{0x50, 0x01, 0x00}));
}

TEST_F(FrameTransmitterTest, TheLargestFrameCarriesChannelsOneTo254Only) {
  EnableOnPortOne();
  for (std::size_t i = 0; i < fixture.state.ChannelBuffer.size(); ++i) {
    fixture.state.ChannelBuffer[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  fixture.state.ChannelCount = 254;
  const Bytes frame = FirstFrameOnWire(257 + 1);
  ASSERT_EQ(frame.size(), 258u);
  EXPECT_EQ(frame[0], 0x50);
  EXPECT_EQ(frame[1], 0xFF);
  EXPECT_EQ(frame[2], 0x00) << "entry 0 is never sent";
  for (std::size_t channel = 1; channel <= 254; ++channel) {
    ASSERT_EQ(frame[2 + channel], fixture.state.ChannelBuffer[channel]) << channel;
  }
  EXPECT_EQ(frame[257], 0x50) << "the next frame follows directly";
}

TEST_F(FrameTransmitterTest, AChangeBetweenTicksGoesOutInTheNextFrame) {
  EnableOnPortOne();  // 10 channels at 10 ms: each frame leaves before the next tick
  const Bytes first = fixture.TickAndTakeWritten();
  ASSERT_EQ(first.size(), 13u);
  fixture.driver.SetChannel(3, 77);
  const Bytes second = fixture.TickAndTakeWritten();
  ASSERT_EQ(second.size(), 13u);
  EXPECT_EQ(second[2 + 3], 77);
  EXPECT_EQ(fixture.engineWindow().timSend.Stats().framesSent, 2u);
}

// The operating system gets two ticks of line time, as the ticks really come:
// measured afresh after a new period and after a pause in output.
class TickPacingTest : public FrameTransmitterTest {
 protected:
  std::size_t BytesIn(std::chrono::nanoseconds lineTime) {
    return static_cast<std::size_t>(lineTime / fixture.engineWindow().MSComm1.ByteTime());
  }
  void TickEvery(std::chrono::milliseconds interval, int ticks) {
    for (int i = 0; i < ticks; ++i) {
      fixture.platform.clock.Advance(interval);
      fixture.timer().Fire();
    }
  }
};

TEST_F(TickPacingTest, ANewPeriodIsMeasuredAfresh) {
  EnableOnPortOne();  // 10 channels, 10 ms
  TickEvery(std::chrono::milliseconds(10), 20);
  fixture.driver.SetChannel(200, 1);  // 15 ms
  fixture.port().written.clear();
  TickEvery(std::chrono::milliseconds(15), 1);
  EXPECT_EQ(fixture.port().written.size(), BytesIn(std::chrono::milliseconds(30)));
}

TEST_F(TickPacingTest, APauseInOutputIsNotATick) {
  EnableOnPortOne();
  fixture.driver.SetChannel(200, 1);  // 15 ms
  TickEvery(std::chrono::milliseconds(15), 40);
  fixture.driver.Disable();
  fixture.platform.clock.Advance(std::chrono::seconds(10));
  EnableOnPortOne();
  fixture.driver.SetChannel(200, 1);
  fixture.port().written.clear();
  TickEvery(std::chrono::milliseconds(15), 2);
  EXPECT_LE(fixture.port().written.size(), BytesIn(std::chrono::milliseconds(60)));
}

TEST_F(FrameTransmitterTest, NothingIsSentWhileOutputIsOff) {
  fixture.state.PortNumber = 1;
  fixture.platform.closeAttempts.push_back({u"10", 0});
  fixture.driver.Configure();
  ASSERT_TRUE(fixture.timer().IsRunning());
  ASSERT_FALSE(fixture.state.OutputEnabled);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(fixture.TickAndTakeWritten().empty());
  EXPECT_EQ(fixture.engineWindow().timSend.Stats().framesSent, 0u);
}

TEST_F(FrameTransmitterTest, ATickOnAClosedLinkSkipsTheFrameQuietly) {
  EnableOnPortOne();
  fixture.state.PortNumber = 2;
  fixture.port().heldPorts.insert(2);
  EXPECT_FALSE(fixture.driver.Enable());  // closed the port, then failed to reopen it
  ASSERT_TRUE(fixture.state.OutputEnabled);
  ASSERT_TRUE(fixture.timer().IsRunning());
  EXPECT_NO_THROW(fixture.TickAndTakeWritten());
  EXPECT_EQ(fixture.engineWindow().timSend.Stats().framesSkipped, 1u);
  EXPECT_TRUE(fixture.timer().IsRunning());
}

TEST_F(FrameTransmitterTest, AFailedWriteNeverTearsAFrame) {
  EnableOnPortOne();
  fixture.port().failingSteps.insert("Write");
  EXPECT_NO_THROW(fixture.TickAndTakeWritten());
  fixture.port().failingSteps.clear();
  const Bytes next = fixture.TickAndTakeWritten();
  ASSERT_GE(next.size(), 13u);
  EXPECT_EQ(next[0], 0x50);
  EXPECT_EQ(next[1], 0x0B);
}

// While output runs without its port, the journal sums up once a minute.
TEST_F(FrameTransmitterTest, SumsUpEveryMinuteWithoutThePort) {
  EnableOnPortOne();
  fixture.port().deviceGone = true;
  for (int tick = 0; tick < 12100; ++tick) {
    fixture.platform.clock.Advance(std::chrono::milliseconds(10));
    fixture.timer().Fire();
  }
  std::vector<std::u16string> summaries;
  std::ranges::copy_if(fixture.platform.journal.lines, std::back_inserter(summaries),
                       [](const auto& line) { return line.starts_with(u"In der letzten Minute"); });
  EXPECT_EQ(summaries, (std::vector<std::u16string>{
                           u"In der letzten Minute: 6000 Bilder ohne Schnittstelle, 1 "
                           u"Schreibfehler, 119 Versuche, die Schnittstelle wieder zu öffnen",
                           u"In der letzten Minute: 6000 Bilder ohne Schnittstelle, 120 Versuche, "
                           u"die Schnittstelle wieder zu öffnen"}));
}

}  // namespace
}  // namespace tarvolk::engine
