#include "platform/line_settings.h"

#include <gtest/gtest.h>

namespace tarvolk::platform {
namespace {

TEST(LineSettingsTest, TheFrameLineCarriesElevenBitsAByte) {
  const auto settings = LineSettings::Parse("19200,N,8,2");
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->BitsPerByte(), 11.0);
  EXPECT_NEAR(settings->BytesPerSecond(), 1745.4545, 1e-3);
  EXPECT_EQ(settings->ByteTime(), std::chrono::nanoseconds(572917));
}

TEST(LineSettingsTest, CountsParityAndStopBits) {
  const std::pair<const char*, double> cases[] = {{"9600,N,8,1", 10.0},    {"9600,E,7,1", 10.0},
                                                  {"19200,o,8,1.5", 11.5}, {"300,M,5,2", 9.0},
                                                  {"110,N,4,1", 6.0},      {"1,S,8,1", 11.0}};
  for (const auto& [text, bits] : cases) {
    const auto settings = LineSettings::Parse(text);
    ASSERT_TRUE(settings) << text;
    EXPECT_EQ(settings->BitsPerByte(), bits) << text;
  }
}

TEST(LineSettingsTest, RefusesMalformedText) {
  for (const char* text :
       {"", "19200", "19200,N,8", "19200,X,8,2", "abc,N,8,2", "0,N,8,2", "19200x,N,8,2",
        "19200,N,9,2", "19200,N,3,2", "19200,N,8,3", "19200,N,8,2,1", "19200,NN,8,2"}) {
    EXPECT_FALSE(LineSettings::Parse(text)) << text;
  }
}

}  // namespace
}  // namespace tarvolk::platform
