#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <vector>

#include "line_format.h"

namespace tarvolk::dmx_interface {

// What the decoder has seen so far.
struct DecoderCounts {
  std::uint64_t bytes = 0;       // every byte fed
  std::uint64_t frames = 0;      // whole frames
  std::uint64_t frameBytes = 0;  // bytes of whole frames, headers included
  std::uint64_t wrongStartCode = 0;
  std::uint64_t torn = 0;
  std::uint64_t zeroLength = 0;
  std::uint64_t strayBytes = 0;    // bytes where a header was due
  std::uint64_t skippedBytes = 0;  // bytes dropped while resynchronising after a bad frame

  std::uint64_t BadFrames() const { return wrongStartCode + torn + zeroLength; }
};

// A whole frame: channels 1..N and when its last byte arrived.
struct FrameView {
  std::span<const std::uint8_t> channels;
  Arrival arrival;
};

// Decodes the byte stream as the device does.
//
// Resynchronisation: a plausible header is 'P', a length byte, 0x00. At a
// 'P', L the decoder waits for the L bytes of the frame and for what follows.
// A frame followed by a plausible header (or by an idle line) is complete:
// whole if its start code is 0x00, else skipped whole as a wrong start code.
// A frame followed by anything else was cut short if a header hides inside it
// (a plausible one, or a 'P' whose announced frame is followed by a plausible
// one; the decoder waits for the bytes needed to tell). Such a frame counts as
// torn and the decoder rescans from the byte after its 'P', so the hidden
// header is found. Without a hidden header the frame is complete and what
// follows it are stray bytes. Because channel values may be 0x50, while
// rescanning only a candidate that has a start code 0x00 or is followed by a
// plausible header is taken for a frame.
class FrameDecoder {
 public:
  using FrameSink = std::function<void(const FrameView&)>;

  explicit FrameDecoder(FrameSink sink);

  // Bytes read from the line; `at` is when the last of them arrived.
  void Feed(std::span<const std::uint8_t> bytes, Arrival at);

  // The line has nothing more to deliver for now: a frame waiting only for
  // the byte after it is decided as if that byte were a header.
  void LineIdle();

  const DecoderCounts& Counts() const { return counts_; }

 private:
  struct Chunk {
    std::uint64_t end;  // absolute index one past the chunk's last byte
    Arrival at;
  };

  enum class Maybe { kNo, kYes, kUnknown };  // kUnknown: the bytes to tell have not arrived

  void Process(bool idle);
  // Decides on the bytes at pos_; false when it needs more of them.
  bool Step(bool idle);
  // Whether a plausible header ('P', length, 0x00) starts at buffer_[i].
  Maybe HeaderAt(std::size_t i) const;
  // Whether one hides inside the frame at pos_ that ends at `end`.
  Maybe FindHiddenHeader(std::size_t end, bool idle) const;
  // Drops the byte at pos_ as stray or skipped; always true.
  bool Discard();
  Arrival ArrivalOf(std::uint64_t absoluteIndex) const;
  void Compact();

  FrameSink sink_;
  std::vector<std::uint8_t> buffer_;
  std::size_t pos_ = 0;     // first undecided byte in buffer_
  std::uint64_t base_ = 0;  // absolute index of buffer_[0]
  std::deque<Chunk> chunks_;
  bool aligned_ = true;  // a header is due at pos_ (start, or after a frame)
  DecoderCounts counts_;
};

}  // namespace tarvolk::dmx_interface
