#include "frame_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "frames.h"

namespace tarvolk::dmx_interface {
namespace {

using testing::Bytes;
using testing::Channels;
using testing::Concat;
using testing::Frames;
using testing::MakeFrame;

// Feeds a stream in reads of `chunk` bytes, each stamped with the index of
// its last byte, and keeps what the decoder emits.
struct Harness {
  std::vector<Bytes> frames;
  std::vector<std::int64_t> arrivals;
  FrameDecoder decoder{[this](const FrameView& f) {
    frames.emplace_back(f.channels.begin(), f.channels.end());
    arrivals.push_back(f.arrival.monotonicNs);
  }};

  void Feed(const Bytes& stream, std::size_t chunk = 1 << 20) {
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
      const std::size_t n = std::min(chunk, stream.size() - at);
      const auto last = static_cast<std::int64_t>(at + n - 1);
      decoder.Feed(std::span(stream).subspan(at, n), {last, 0});
    }
  }

  const DecoderCounts& Run(const Bytes& stream, std::size_t chunk = 1 << 20) {
    Feed(stream, chunk);
    decoder.LineIdle();
    return decoder.Counts();
  }
};

// --- whole frames ------------------------------------------------------------

class WholeFrames : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WholeFrames, AreDecodedExactlyWithTheirChannels) {
  const std::size_t n = GetParam();
  Harness h;
  const DecoderCounts& c = h.Run(Frames(0, 5, n));
  ASSERT_EQ(h.frames.size(), 5u);
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(h.frames[i], Channels(n, i)) << "frame " << i;
  EXPECT_EQ(c.frameBytes, 5 * (n + 3));
  EXPECT_EQ(c.BadFrames() + c.strayBytes + c.skippedBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(ChannelCounts, WholeFrames, ::testing::Values(0, 1, 10, 80, 254));

TEST(FrameDecoder, ChannelValuesThatLookLikeHeadersStayChannels) {
  for (const Bytes& tricky : {Bytes(20, 0x50), Bytes{0x50, 0x01, 0x00, 0x50, 0x01, 0x00},
                              Bytes{0x50, 0x00, 0x50, 0x00, 0x00, 0x50}}) {
    Harness h;
    const DecoderCounts& c =
        h.Run(Concat({MakeFrame(tricky), MakeFrame(tricky), Frames(1, 1, 3), MakeFrame(tricky)}));
    ASSERT_EQ(h.frames.size(), 4u);
    EXPECT_EQ(h.frames[3], tricky);
    EXPECT_EQ(c.BadFrames() + c.strayBytes + c.skippedBytes, 0u);
  }
}

TEST(FrameDecoder, ChannelCountMayChangeFromFrameToFrame) {
  Harness h;
  h.Run(Concat({Frames(0, 1, 5), Frames(1, 1, 0), Frames(2, 1, 254), Frames(3, 1, 1)}));
  ASSERT_EQ(h.frames.size(), 4u);
  EXPECT_EQ(h.frames[2], Channels(254, 2));
  EXPECT_EQ(h.frames[3], Channels(1, 3));
}

// --- reads of any size and an idle line -----------------------------------------

class SplitReads : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SplitReads, GiveTheSameFramesAsOneRead) {
  const Bytes stream = Concat({Frames(0, 3, 254), Frames(3, 4, 10), Frames(7, 2, 0)});
  Harness whole;
  whole.Run(stream);
  Harness split;
  split.Run(stream, GetParam());
  ASSERT_EQ(split.frames.size(), 9u);
  EXPECT_EQ(split.frames, whole.frames);
  EXPECT_EQ(split.decoder.Counts().BadFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ReadSizes, SplitReads, ::testing::Values(1, 2, 3, 7, 64, 258));

TEST(FrameDecoder, AFrameArrivesWithItsLastByte) {
  Harness h;
  h.Run(Frames(0, 3, 10), 1);
  EXPECT_EQ(h.arrivals, (std::vector<std::int64_t>{12, 25, 38}));
}

TEST(FrameDecoder, AFrameWaitsForTheNextHeaderOrAnIdleLine) {
  Harness h;
  h.Feed(Frames(0, 1, 10));
  h.Feed({0x50, 0x0B});
  EXPECT_TRUE(h.frames.empty()) << "'P' and a length alone may still be channel values";
  h.Feed({0x00});
  EXPECT_EQ(h.frames.size(), 1u);
  h.Feed(Channels(10, 1));
  h.decoder.LineIdle();  // a short read before this is no fault either
  ASSERT_EQ(h.frames.size(), 2u);
  EXPECT_EQ(h.frames[1], Channels(10, 1));
  EXPECT_EQ(h.decoder.Counts().BadFrames() + h.decoder.Counts().strayBytes, 0u);
}

// --- faults --------------------------------------------------------------------

struct FaultCase {
  const char* name;
  Bytes before, damage;  // damage comes between frame 2 and the 30 frames after it
  std::uint64_t torn, wrongStartCode, zeroLength, strayBytes;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, AreCountedAndEveryWholeFrameSurvives) {
  const FaultCase& f = GetParam();
  Harness h;
  const DecoderCounts& c = h.Run(Concat({f.before, Frames(0, 3, 10), f.damage, Frames(3, 30, 10)}));
  ASSERT_EQ(h.frames.size(), 33u);
  for (unsigned i = 0; i < 33; ++i) EXPECT_EQ(h.frames[i], Channels(10, i)) << "frame " << i;
  EXPECT_EQ(c.torn, f.torn);
  EXPECT_EQ(c.wrongStartCode, f.wrongStartCode);
  EXPECT_EQ(c.zeroLength, f.zeroLength);
  EXPECT_EQ(c.strayBytes, f.strayBytes);
}

Bytes Torn(std::size_t keep, Bytes channels = Channels(10, 99)) {
  Bytes frame = MakeFrame(channels);
  frame.resize(keep);
  return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Faults,
    ::testing::Values(FaultCase{"CutAfterHeader", {}, Torn(1), 1, 0, 0, 0},
                      FaultCase{"CutAfterLength", {}, Torn(2), 1, 0, 0, 0},
                      FaultCase{"CutMidway", {}, Torn(8), 1, 0, 0, 0},
                      FaultCase{"CutBeforeLastChannel", {}, Torn(12), 1, 0, 0, 0},
                      FaultCase{"TwoTornInARow", {}, Concat({Torn(6), Torn(9)}), 2, 0, 0, 0},
                      FaultCase{"TornThenWrongStartCode",
                                {},
                                Concat({Torn(8), MakeFrame(Channels(10, 5), 0xCC)}),
                                1,
                                1,
                                0,
                                0},
                      // the torn frame's channels hold 'P' and lengths, but no header
                      FaultCase{"TornWithHeaderBytesInside",
                                {},
                                Torn(8, {0x50, 0x02, 0x07, 0x50, 0x05, 0x09}),
                                1,
                                0,
                                0,
                                0},
                      FaultCase{"LongerThanSent", {}, {0x50, 0xFF, 0x00, 1, 2}, 1, 0, 0, 0},
                      FaultCase{"WrongStartCode", {}, MakeFrame(Channels(10, 5), 0xCC), 0, 1, 0, 0},
                      FaultCase{"LengthZero", {}, {0x50, 0x00}, 0, 0, 1, 0},
                      FaultCase{"StrayBytes", {}, {0xFF, 0x00, 0x13}, 0, 0, 0, 3},
                      FaultCase{
                          "GarbageBeforeTheFirstFrame", {0x01, 0xFE, 0x00, 0x0B}, {}, 0, 0, 0, 4},
                      FaultCase{"GarbageWithAHeaderByte", {0x01, 0x50, 0x02}, {}, 1, 0, 0, 1}),
    [](const auto& test) { return test.param.name; });

TEST(FrameDecoder, ATornFrameAmongChannelsOfValue0x50IsFound) {
  const Bytes frame = MakeFrame(Bytes(20, 0x50));
  const Bytes torn(frame.begin(), frame.begin() + 8);
  Harness h;
  const DecoderCounts& c = h.Run(Concat({frame, frame, torn, frame, frame, frame}));
  EXPECT_EQ(c.frames, 5u);
  EXPECT_EQ(c.torn, 1u);
  EXPECT_EQ(c.wrongStartCode + c.strayBytes, 0u);
}

TEST(FrameDecoder, StrayBytesAfterTheLastFrameLeaveItWhole) {
  Harness h;
  const DecoderCounts& c = h.Run(Concat({Frames(0, 2, 10), {0xFF, 0x50, 0x01}}));
  EXPECT_EQ(c.frames, 2u);
  EXPECT_EQ(c.strayBytes, 1u);
  EXPECT_EQ(c.BadFrames(), 0u);  // the 'P', 0x01 still waits for its frame
}

}  // namespace
}  // namespace tarvolk::dmx_interface
