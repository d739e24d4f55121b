#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tarvolk::engine {

// The link's own output buffer: frames wait in it whole or not at all, and
// leave it from the front, a part at a time, as the operating system takes
// them.
class WaitingFrames {
 public:
  explicit WaitingFrames(std::size_t capacity);

  // Takes the whole frame, or nothing when it does not fit.
  bool Add(std::span<const std::uint8_t> frame);
  // The first `count` waiting bytes.
  std::span<const std::uint8_t> First(std::size_t count) const;
  // The first `handedOver` bytes left.
  void Forget(std::size_t handedOver);
  // What is left of the first frame once part of it left; 0 when none did.
  std::size_t RestOfStartedFrame() const;
  std::size_t Bytes() const { return bytes_.size(); }
  void Clear();

 private:
  std::size_t capacity_;
  std::vector<std::uint8_t> bytes_;
  // Sizes of the frames in bytes_, the first one less what left.
  std::deque<std::size_t> frames_;
  bool firstStarted_ = false;
};

}  // namespace tarvolk::engine
