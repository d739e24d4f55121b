#include "options.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tarvolk::dmx_interface {
namespace {

ParseResult Parse(std::vector<std::string_view> args) { return ParseOptions(args); }

TEST(Options, DefaultsWithOnlyALink) {
  const ParseResult parsed = Parse({"--link", "/tmp/dmx"});
  const auto* o = std::get_if<Options>(&parsed);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->link, "/tmp/dmx");
  EXPECT_TRUE(o->device.empty());
  EXPECT_FALSE(o->durationS);
  EXPECT_TRUE(o->jsonPath.empty());
  EXPECT_FALSE(o->recordFrames);
  EXPECT_EQ(o->shownChannels, 16u);
  EXPECT_DOUBLE_EQ(o->refreshHz, 5.0);
  EXPECT_FALSE(o->quiet);
}

TEST(Options, EveryOptionIsTaken) {
  const ParseResult parsed =
      Parse({"--device", "/dev/ttyUSB7", "--link", "/tmp/l", "--duration", "2.5", "--json",
             "out.json", "--frames", "--channels", "254", "--refresh", "10", "--quiet"});
  const auto* o = std::get_if<Options>(&parsed);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->device, "/dev/ttyUSB7");
  EXPECT_EQ(o->link, "/tmp/l");
  EXPECT_DOUBLE_EQ(o->durationS.value_or(0), 2.5);
  EXPECT_EQ(o->jsonPath, "out.json");
  EXPECT_TRUE(o->recordFrames);
  EXPECT_EQ(o->shownChannels, 254u);
  EXPECT_DOUBLE_EQ(o->refreshHz, 10.0);
  EXPECT_TRUE(o->quiet);
}

TEST(Options, ADeviceAloneNeedsNoLink) {
  EXPECT_TRUE(std::holds_alternative<Options>(Parse({"--device", "/dev/ttyUSB0"})));
}

TEST(Options, HelpWinsOverEverythingElse) {
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(Parse({"--link", "x", "--help"})));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(Parse({"-h", "--bogus"})));
  EXPECT_NE(HelpText().find("--link PATH"), std::string::npos);
}

TEST(Options, MistakesAreUsageErrors) {
  const std::vector<std::vector<std::string_view>> bad = {
      {},
      {"--duration", "3"},
      {"--link"},
      {"--link", ""},
      {"--link", "x", "--bogus"},
      {"--link", "x", "--duration", "0"},
      {"--link", "x", "--duration", "-1"},
      {"--link", "x", "--duration", "3s"},
      {"--link", "x", "--duration", "inf"},
      {"--link", "x", "--channels", "255"},
      {"--link", "x", "--channels", "-1"},
      {"--link", "x", "--refresh", "0"},
      {"--link", "x", "--refresh", "1000"},
      {"--link", "x", "--frames"},
  };
  for (const auto& args : bad) {
    const ParseResult parsed = Parse(args);
    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr) << ::testing::PrintToString(args);
    EXPECT_FALSE(error->message.empty());
  }
}

}  // namespace
}  // namespace tarvolk::dmx_interface
