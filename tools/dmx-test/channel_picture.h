#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvolk::dmx_test {

// What the test program sends: the values of channels 1 to kMostChannels,
// how many of them are in use, and a chase that lights one after the other.
// Channels beyond the count are dark.
class ChannelPicture {
 public:
  static constexpr int kMostChannels = 254;
  static constexpr int kFull = 255;

  int Count() const { return count_; }
  // count: 1 to kMostChannels.
  void SetCount(int count);
  // 0 for a channel beyond the count.
  int Value(int channel) const;
  void SetAll(int value);
  // channel: 1 to the count.
  void Set(int channel, int value);
  // The chase's next step: the channel it lit goes dark, the next one within
  // the count lights up. Returns the channels that changed.
  std::vector<int> ChaseStep();

 private:
  std::array<std::uint8_t, kMostChannels + 1> values_{};
  int count_ = 1;
  int chaseAt_ = 0;  // the channel the chase lit last; 0 before its first step
};

// The whole number the operator typed, when it lies from lowest to highest:
// digits only, blanks around them allowed.
std::optional<int> WholeNumberIn(std::wstring_view text, int lowest, int highest);

}  // namespace tarvolk::dmx_test
