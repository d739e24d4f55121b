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
using testing::MakeFrame;

struct Decoded {
  Bytes channels;
  Arrival arrival;
};

// Feeds a stream in reads of `chunk` bytes, stamping each read with the index
// of its last byte, then lets the line go idle.
struct Harness {
  std::vector<Decoded> frames;
  FrameDecoder decoder{[this](const FrameView& f) {
    frames.push_back({Bytes(f.channels.begin(), f.channels.end()), f.arrival});
  }};

  void Feed(const Bytes& stream, std::size_t chunk) {
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
      const std::size_t n = std::min(chunk, stream.size() - at);
      const auto last = static_cast<std::int64_t>(at + n - 1);
      decoder.Feed(std::span(stream).subspan(at, n), {last, last * 10});
    }
  }

  const DecoderCounts& Run(const Bytes& stream, std::size_t chunk = 1 << 20) {
    Feed(stream, chunk);
    decoder.LineIdle();
    return decoder.Counts();
  }
};

Bytes Repeat(std::size_t frames, std::size_t channels) {
  Bytes stream;
  for (unsigned i = 0; i < frames; ++i) {
    const Bytes frame = MakeFrame(Channels(channels, i));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  return stream;
}

// --- whole frames -----------------------------------------------------------

class WholeFrames : public ::testing::TestWithParam<std::size_t> {};

TEST_P(WholeFrames, AreDecodedExactlyWithTheirChannels) {
  const std::size_t n = GetParam();
  Harness h;
  const DecoderCounts& c = h.Run(Repeat(5, n));
  ASSERT_EQ(h.frames.size(), 5u);
  for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(h.frames[i].channels, Channels(n, i)) << "frame " << i;
  EXPECT_EQ(c.frames, 5u);
  EXPECT_EQ(c.frameBytes, 5 * (n + 3));
  EXPECT_EQ(c.bytes, 5 * (n + 3));
  EXPECT_EQ(c.BadFrames(), 0u);
  EXPECT_EQ(c.strayBytes, 0u);
  EXPECT_EQ(c.skippedBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(ChannelCounts, WholeFrames, ::testing::Values(0, 1, 10, 80, 254));

TEST(FrameDecoder, SmallestFrameIsPOneZero) {
  Harness h;
  h.Run({0x50, 0x01, 0x00});
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_TRUE(h.frames[0].channels.empty());
}

TEST(FrameDecoder, ChannelValuesThatLookLikeHeadersStayChannels) {
  const std::vector<Bytes> tricky = {
      Bytes(20, 0x50),                       // every channel 'P'
      {0x50, 0x01, 0x00, 0x50, 0x01, 0x00},  // a whole frame's bytes inside
      {0x50, 0x00, 0x50, 0x00, 0x00, 0x50},  // headers with length 0
      {0x00, 0x00, 0x00, 0x50},              // ends on 'P'
  };
  for (const Bytes& channels : tricky) {
    Harness h;
    const DecoderCounts& c = h.Run(Concat({MakeFrame(channels), MakeFrame(channels),
                                           MakeFrame(Channels(3, 1)), MakeFrame(channels)}));
    ASSERT_EQ(c.frames, 4u);
    EXPECT_EQ(h.frames[0].channels, channels);
    EXPECT_EQ(h.frames[3].channels, channels);
    EXPECT_EQ(c.BadFrames() + c.strayBytes + c.skippedBytes, 0u);
  }
}

TEST(FrameDecoder, ChannelCountMayChangeFromFrameToFrame) {
  const std::vector<std::size_t> counts = {5, 0, 254, 1, 80, 0};
  Bytes stream;
  for (unsigned i = 0; i < counts.size(); ++i) {
    const Bytes frame = MakeFrame(Channels(counts[i], i));
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  Harness h;
  h.Run(stream);
  ASSERT_EQ(h.frames.size(), counts.size());
  for (unsigned i = 0; i < counts.size(); ++i)
    EXPECT_EQ(h.frames[i].channels, Channels(counts[i], i));
}

// --- reads of any size --------------------------------------------------------

class SplitReads : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SplitReads, GiveTheSameFramesAsOneRead) {
  const Bytes stream = Concat({Repeat(3, 254), Repeat(4, 10), Repeat(2, 0)});
  Harness whole;
  whole.Run(stream);
  Harness split;
  split.Run(stream, GetParam());
  ASSERT_EQ(split.frames.size(), 9u);
  for (std::size_t i = 0; i < split.frames.size(); ++i) {
    EXPECT_EQ(split.frames[i].channels, whole.frames[i].channels);
  }
  EXPECT_EQ(split.decoder.Counts().BadFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ReadSizes, SplitReads, ::testing::Values(1, 2, 3, 7, 64, 256, 258));

TEST(FrameDecoder, AFrameArrivesWithItsLastByte) {
  Harness h;
  h.Run(Repeat(3, 10), 1);
  ASSERT_EQ(h.frames.size(), 3u);
  for (std::int64_t i = 0; i < 3; ++i) {
    EXPECT_EQ(h.frames[i].arrival.monotonicNs, 13 * i + 12);
    EXPECT_EQ(h.frames[i].arrival.realtimeUs, (13 * i + 12) * 10);
  }
}

// --- the byte after a frame ----------------------------------------------------

TEST(FrameDecoder, AFrameWaitsForTheNextHeaderOrAnIdleLine) {
  Harness h;
  h.Feed(MakeFrame(Channels(10, 0)), 100);
  EXPECT_TRUE(h.frames.empty());
  h.Feed({0x50, 0x0B}, 100);
  EXPECT_TRUE(h.frames.empty()) << "'P' and a length alone may still be channel values";
  h.Feed({0x00}, 100);
  EXPECT_EQ(h.frames.size(), 1u);
  h.Feed(Channels(10, 1), 100);
  EXPECT_EQ(h.frames.size(), 1u);
  h.decoder.LineIdle();
  ASSERT_EQ(h.frames.size(), 2u);
  EXPECT_EQ(h.frames[1].channels, Channels(10, 1));
}

TEST(FrameDecoder, AShortReadOnAnIdleLineIsNoFault) {
  const Bytes frame = MakeFrame(Channels(10, 3));
  Harness h;
  h.Feed(Bytes(frame.begin(), frame.begin() + 6), 100);
  h.decoder.LineIdle();
  h.decoder.LineIdle();
  h.Feed(Bytes(frame.begin() + 6, frame.end()), 100);
  h.decoder.LineIdle();
  ASSERT_EQ(h.frames.size(), 1u);
  EXPECT_EQ(h.frames[0].channels, Channels(10, 3));
  EXPECT_EQ(h.decoder.Counts().BadFrames() + h.decoder.Counts().strayBytes, 0u);
}

// --- faults ------------------------------------------------------------------

struct FaultCase {
  const char* name;
  Bytes damage;  // sent between whole frames
  std::uint64_t torn, wrongStartCode, zeroLength, strayBytes;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, AreCountedAndEveryWholeFrameSurvives) {
  const FaultCase& f = GetParam();
  Harness h;
  const DecoderCounts& c = h.Run(Concat({Repeat(3, 10), f.damage, Repeat(30, 10)}));
  EXPECT_EQ(c.frames, 33u);
  EXPECT_EQ(c.torn, f.torn);
  EXPECT_EQ(c.wrongStartCode, f.wrongStartCode);
  EXPECT_EQ(c.zeroLength, f.zeroLength);
  EXPECT_EQ(c.strayBytes, f.strayBytes);
  EXPECT_EQ(h.frames.back().channels, Channels(10, 29));
}

Bytes Torn(std::size_t keep) {
  Bytes frame = MakeFrame(Channels(10, 99));
  frame.resize(keep);
  return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Faults,
    ::testing::Values(FaultCase{"CutAfterHeader", Torn(1), 1, 0, 0, 0},
                      FaultCase{"CutAfterLength", Torn(2), 1, 0, 0, 0},
                      FaultCase{"CutAfterStartCode", Torn(3), 1, 0, 0, 0},
                      FaultCase{"CutMidway", Torn(8), 1, 0, 0, 0},
                      FaultCase{"CutBeforeLastChannel", Torn(12), 1, 0, 0, 0},
                      FaultCase{"TwoTornInARow", Concat({Torn(6), Torn(9)}), 2, 0, 0, 0},
                      FaultCase{"TornThenWrongStartCode",
                                Concat({Torn(8), MakeFrame(Channels(10, 5), 0xCC)}), 1, 1, 0, 0},
                      FaultCase{"WrongStartCode", MakeFrame(Channels(10, 5), 0xCC), 0, 1, 0, 0},
                      FaultCase{"LengthZero", {0x50, 0x00}, 0, 0, 1, 0},
                      FaultCase{"StrayBytes", {0xFF, 0x00, 0x13}, 0, 0, 0, 3},
                      FaultCase{"LongerThanSent", {0x50, 0xFF, 0x00, 1, 2}, 1, 0, 0, 0}),
    [](const auto& test) { return test.param.name; });

TEST(FrameDecoder, StrayBytesAfterTheLastFrameLeaveItWhole) {
  Harness h;
  const DecoderCounts& c = h.Run(Concat({Repeat(2, 10), {0xFF, 0x50, 0x01}}));
  EXPECT_EQ(c.frames, 2u);
  EXPECT_EQ(c.strayBytes, 1u);
  EXPECT_EQ(c.BadFrames(), 0u);  // the 'P', 0x01 waits for its frame
}

TEST(FrameDecoder, ATornFrameAmongChannelsOfValue0x50IsFound) {
  const Bytes frame = MakeFrame(Bytes(20, 0x50));
  const Bytes torn(frame.begin(), frame.begin() + 8);
  Harness h;
  const DecoderCounts& c = h.Run(Concat({frame, frame, frame, torn, frame, frame, frame, frame}));
  EXPECT_EQ(c.frames, 7u);
  EXPECT_EQ(c.torn, 1u);
  EXPECT_EQ(c.wrongStartCode + c.strayBytes, 0u);
}

TEST(FrameDecoder, GarbageBeforeTheFirstFrameIsStray) {
  Harness h;
  const DecoderCounts& c = h.Run(Concat({{0x01, 0xFE, 0x00, 0x0B}, Repeat(4, 10)}));
  EXPECT_EQ(c.frames, 4u);
  EXPECT_EQ(c.strayBytes, 4u);
  EXPECT_EQ(c.BadFrames(), 0u);
  EXPECT_EQ(h.frames[0].channels, Channels(10, 0));
}

TEST(FrameDecoder, GarbageWithAHeaderByteIsABadFrameNotALostOne) {
  Harness h;
  const DecoderCounts& c = h.Run(Concat({{0x01, 0x50, 0x02}, Repeat(4, 10)}));
  EXPECT_EQ(c.frames, 4u);
  EXPECT_EQ(c.torn, 1u);
  EXPECT_EQ(c.strayBytes, 1u);
  EXPECT_EQ(c.skippedBytes, 2u);
}

TEST(FrameDecoder, HeaderBytesInsideATornFrameAreNotCountedTwice) {
  // The torn frame's channels hold 'P' and lengths but no start code after them.
  Bytes damage = MakeFrame({0x50, 0x02, 0x07, 0x50, 0x05, 0x09, 0x11});
  damage.resize(damage.size() - 2);
  Harness h;
  const DecoderCounts& c = h.Run(Concat({Repeat(2, 10), damage, Repeat(5, 10)}));
  EXPECT_EQ(c.frames, 7u);
  EXPECT_EQ(c.torn, 1u);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
