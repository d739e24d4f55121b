#include "frame_decoder.h"

#include <algorithm>
#include <utility>

namespace tarvolk::dmx_interface {

namespace {
// Keep the consumed prefix small without moving bytes on every feed.
constexpr std::size_t kCompactThreshold = 4096;
}  // namespace

FrameDecoder::FrameDecoder(FrameSink sink) : sink_(std::move(sink)) {}

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes, Arrival at) {
  if (bytes.empty()) return;
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  counts_.bytes += bytes.size();
  chunks_.push_back({base_ + buffer_.size(), at});
  Process(false);
}

void FrameDecoder::LineIdle() { Process(true); }

void FrameDecoder::Process(bool idle) {
  while (pos_ < buffer_.size() && Step(idle)) {
  }
  Compact();
}

bool FrameDecoder::Step(bool idle) {
  const std::size_t available = buffer_.size() - pos_;
  const std::uint8_t* p = buffer_.data() + pos_;
  if (p[0] != kFrameHeader) return Discard();
  if (available < 2) return false;
  const std::size_t length = p[1];
  if (length == 0) {
    if (!aligned_) return Discard();
    ++counts_.zeroLength;
    pos_ += 2;
    return true;
  }
  const std::size_t frameSize = 2 + length;
  const bool nextKnown = available > frameSize;
  if (available < frameSize || (!nextKnown && !idle)) {
    // While rescanning, an idle line shows a 'P' without a start code 0x00
    // after it was not the header the writer paused in.
    const bool header = aligned_ || (available > 2 && p[2] == kNullStartCode);
    return idle && !header ? Discard() : false;
  }
  const bool startCodeOk = p[2] == kNullStartCode;
  const Maybe next = nextKnown ? HeaderAt(pos_ + frameSize) : Maybe::kYes;
  if (next == Maybe::kUnknown && !idle) return false;
  const bool followedByHeader = next != Maybe::kNo;
  // While rescanning, only what looks like a frame is taken for one.
  if (!aligned_ && !startCodeOk && !followedByHeader) return Discard();
  if (!followedByHeader) {
    const Maybe hidden = FindHiddenHeader(pos_ + frameSize, idle);
    if (hidden == Maybe::kUnknown) return false;
    if (hidden == Maybe::kYes) {
      ++counts_.torn;
      aligned_ = false;
      return Discard();
    }
  }
  if (startCodeOk) {
    ++counts_.frames;
    counts_.frameBytes += frameSize;
    sink_({std::span(p + 3, length - 1), ArrivalOf(base_ + pos_ + frameSize - 1)});
  } else {
    ++counts_.wrongStartCode;
  }
  pos_ += frameSize;
  aligned_ = true;
  return true;
}

FrameDecoder::Maybe FrameDecoder::HeaderAt(std::size_t i) const {
  if (i >= buffer_.size()) return Maybe::kUnknown;
  if (buffer_[i] != kFrameHeader) return Maybe::kNo;
  if (i + 2 >= buffer_.size()) return Maybe::kUnknown;
  return buffer_[i + 2] == kNullStartCode ? Maybe::kYes : Maybe::kNo;
}

// A header hides at q if it is plausible itself, or if the frame it announces
// is followed by a plausible header.
FrameDecoder::Maybe FrameDecoder::FindHiddenHeader(std::size_t end, bool idle) const {
  bool unknown = false;
  for (std::size_t q = pos_ + 1; q < end; ++q) {
    if (buffer_[q] != kFrameHeader) continue;
    for (const Maybe found : {HeaderAt(q), HeaderAt(q + 2 + buffer_[q + 1])}) {
      if (found == Maybe::kYes) return Maybe::kYes;
      unknown = unknown || found == Maybe::kUnknown;
    }
  }
  return unknown && !idle ? Maybe::kUnknown : Maybe::kNo;
}

bool FrameDecoder::Discard() {
  ++(aligned_ ? counts_.strayBytes : counts_.skippedBytes);
  ++pos_;
  return true;
}

Arrival FrameDecoder::ArrivalOf(std::uint64_t absoluteIndex) const {
  // Chunks are ordered and cover every undecided byte.
  return std::ranges::upper_bound(chunks_, absoluteIndex, {}, &Chunk::end)->at;
}

void FrameDecoder::Compact() {
  const std::uint64_t first = base_ + pos_;
  while (!chunks_.empty() && chunks_.front().end <= first) chunks_.pop_front();
  if (pos_ == buffer_.size()) {
    buffer_.clear();
  } else if (pos_ >= kCompactThreshold) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
  } else {
    return;
  }
  base_ = first;
  pos_ = 0;
}

}  // namespace tarvolk::dmx_interface
