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
  for (;;) {
    const std::size_t available = buffer_.size() - pos_;
    if (available == 0) break;
    const std::uint8_t* p = buffer_.data() + pos_;
    if (p[0] != kFrameHeader) {
      Discard();
      continue;
    }
    if (available < 2) break;
    const std::size_t length = p[1];
    if (length == 0) {
      if (!aligned_) {
        Discard();
        continue;
      }
      ++counts_.zeroLength;
      pos_ += 2;
      continue;
    }
    const std::size_t frameSize = 2 + length;
    if (available < frameSize) break;
    const bool nextKnown = available > frameSize;
    if (!nextKnown && !idle) break;
    const bool startCodeOk = p[2] == kNullStartCode;
    const bool followedByHeader = !nextKnown || p[frameSize] == kFrameHeader;
    if ((aligned_ || startCodeOk) && (followedByHeader || !HidesHeader(frameSize))) {
      if (startCodeOk) {
        ++counts_.frames;
        counts_.frameBytes += frameSize;
        sink_({std::span(p + 3, length - 1), ArrivalOf(base_ + pos_ + frameSize - 1)});
      } else {
        ++counts_.wrongStartCode;
      }
      pos_ += frameSize;
      aligned_ = true;
      continue;
    }
    if (aligned_ || startCodeOk) ++counts_.torn;
    aligned_ = false;
    Discard();
  }
  Compact();
}

bool FrameDecoder::HidesHeader(std::size_t frameSize) const {
  const std::size_t end = pos_ + frameSize;
  for (std::size_t q = pos_ + 1; q < end; ++q) {
    if (buffer_[q] != kFrameHeader) continue;
    if (q + 2 >= buffer_.size() || buffer_[q + 2] == kNullStartCode) return true;
  }
  return false;
}

void FrameDecoder::Discard() {
  ++(aligned_ ? counts_.strayBytes : counts_.skippedBytes);
  ++pos_;
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
