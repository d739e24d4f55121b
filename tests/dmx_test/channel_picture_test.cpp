#include "channel_picture.h"

#include <gtest/gtest.h>

namespace tarvolk::dmx_test {
namespace {

// One channel after the other within the count, each dark again as the next
// lights; round again after the last.
TEST(ChannelPicture, TheChaseLightsOneChannelAfterTheOther) {
  ChannelPicture picture;
  picture.SetCount(3);
  picture.SetAll(0);
  EXPECT_EQ(picture.ChaseStep(), std::vector<int>{1});
  EXPECT_EQ(picture.ChaseStep(), (std::vector<int>{1, 2}));
  EXPECT_EQ(picture.ChaseStep(), (std::vector<int>{2, 3}));
  EXPECT_EQ(picture.ChaseStep(), (std::vector<int>{3, 1}));
  EXPECT_EQ(picture.Value(1) + picture.Value(2) + picture.Value(3), ChannelPicture::kFull);
  picture.SetCount(2);
  EXPECT_EQ(picture.Value(3), 0) << "beyond the count, dark";
}

TEST(ChannelPicture, ReadsOnlyWholeNumbersInRange) {
  const std::pair<const wchar_t*, std::optional<int>> cases[] = {
      {L"24", 24},           {L" 254 ", 254},        {L"1", 1},
      {L"0", std::nullopt},  {L"255", std::nullopt}, {L"", std::nullopt},
      {L"2a", std::nullopt}, {L"-5", std::nullopt},  {L"9999999", std::nullopt}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(WholeNumberIn(text, 1, 254), expected) << text;
}

}  // namespace
}  // namespace tarvolk::dmx_test
