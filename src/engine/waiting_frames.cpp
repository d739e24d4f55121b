#include "engine/waiting_frames.h"

#include <algorithm>

namespace tarvolk::engine {

WaitingFrames::WaitingFrames(std::size_t capacity) : capacity_(capacity) {
  bytes_.reserve(capacity);
}

bool WaitingFrames::Add(std::span<const std::uint8_t> frame) {
  if (bytes_.size() + frame.size() > capacity_) return false;
  bytes_.insert(bytes_.end(), frame.begin(), frame.end());
  frames_.push_back(frame.size());
  return true;
}

std::span<const std::uint8_t> WaitingFrames::First(std::size_t count) const {
  return std::span(bytes_.data(), std::min(count, bytes_.size()));
}

void WaitingFrames::Forget(std::size_t handedOver) {
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(handedOver));
  while (handedOver > 0) {
    std::size_t& first = frames_.front();
    const std::size_t part = std::min(first, handedOver);
    first -= part;
    handedOver -= part;
    firstStarted_ = first > 0;
    if (first == 0) frames_.pop_front();
  }
}

std::size_t WaitingFrames::RestOfStartedFrame() const {
  return firstStarted_ ? frames_.front() : 0;
}

void WaitingFrames::Clear() {
  bytes_.clear();
  frames_.clear();
  firstStarted_ = false;
}

}  // namespace tarvolk::engine
