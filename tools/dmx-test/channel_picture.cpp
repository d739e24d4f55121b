#include "channel_picture.h"

#include <algorithm>

namespace tarvolk::dmx_test {

void ChannelPicture::SetCount(int count) { count_ = std::clamp(count, 1, kMostChannels); }

int ChannelPicture::Value(int channel) const {
  return channel >= 1 && channel <= count_ ? values_[static_cast<std::size_t>(channel)] : 0;
}

void ChannelPicture::SetAll(int value) {
  std::fill(values_.begin() + 1, values_.end(), static_cast<std::uint8_t>(value));
}

void ChannelPicture::Set(int channel, int value) {
  values_[static_cast<std::size_t>(std::clamp(channel, 1, count_))] =
      static_cast<std::uint8_t>(value);
}

std::vector<int> ChannelPicture::ChaseStep() {
  std::vector<int> changed;
  if (chaseAt_ >= 1 && chaseAt_ <= count_) {
    Set(chaseAt_, 0);
    changed.push_back(chaseAt_);
  }
  chaseAt_ = chaseAt_ >= count_ ? 1 : chaseAt_ + 1;
  Set(chaseAt_, kFull);
  changed.push_back(chaseAt_);
  return changed;
}

std::optional<int> WholeNumberIn(std::wstring_view text, int lowest, int highest) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(L' ') - first + 1);
  // More digits than any value in range has cannot be one.
  if (text.size() > 6) return std::nullopt;
  int value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  if (value < lowest || value > highest) return std::nullopt;
  return value;
}

}  // namespace tarvolk::dmx_test
