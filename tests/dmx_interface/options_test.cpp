#include "options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tarvolk::dmx_interface {
namespace {

using Args = std::vector<std::string_view>;

TEST(Options, DefaultsWithOnlyALink) {
  const ParseResult parsed = ParseOptions(Args{"--link", "/tmp/dmx"});
  const auto* o = std::get_if<Options>(&parsed);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->link, "/tmp/dmx");
  EXPECT_TRUE(o->device.empty() && o->jsonPath.empty());
  EXPECT_FALSE(o->durationS || o->recordFrames || o->quiet);
  EXPECT_EQ(o->shownChannels, 16u);
  EXPECT_DOUBLE_EQ(o->refreshHz, 5.0);
}

TEST(Options, EveryOptionIsTaken) {
  const ParseResult parsed = ParseOptions(
      Args{"--device", "/dev/ttyUSB7", "--link", "/tmp/l", "--duration", "2.5", "--json",
           "out.json", "--frames", "--channels", "254", "--refresh", "10", "--quiet"});
  const auto* o = std::get_if<Options>(&parsed);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->device, "/dev/ttyUSB7");
  EXPECT_EQ(o->link, "/tmp/l");
  EXPECT_DOUBLE_EQ(o->durationS.value_or(0), 2.5);
  EXPECT_EQ(o->jsonPath, "out.json");
  EXPECT_TRUE(o->recordFrames && o->quiet);
  EXPECT_EQ(o->shownChannels, 254u);
  EXPECT_DOUBLE_EQ(o->refreshHz, 10.0);
}

TEST(Options, HelpAndADeviceAloneAreFine) {
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(ParseOptions(Args{"--link", "x", "--help"})));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(ParseOptions(Args{"-h", "--bogus"})));
  EXPECT_TRUE(std::holds_alternative<Options>(ParseOptions(Args{"--device", "/dev/ttyUSB0"})));
}

TEST(Options, MistakesAreUsageErrors) {
  for (const Args& args : std::vector<Args>{{},
                                            {"--duration", "3"},
                                            {"--link"},
                                            {"--link", ""},
                                            {"--link", "x", "--bogus"},
                                            {"--link", "x", "--duration", "0"},
                                            {"--link", "x", "--duration", "3s"},
                                            {"--link", "x", "--duration", "inf"},
                                            {"--link", "x", "--channels", "255"},
                                            {"--link", "x", "--channels", "-1"},
                                            {"--link", "x", "--refresh", "0"},
                                            {"--link", "x", "--frames"}}) {
    EXPECT_TRUE(std::holds_alternative<UsageError>(ParseOptions(args)))
        << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace tarvolk::dmx_interface
