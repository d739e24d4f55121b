#include "plugin/cls_output_driver.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/automation_error.h"
#include "test_support.h"

namespace tarvolk::plugin {
namespace {

using engine::ErrorNumber;

struct SetChannelCase {
  std::int32_t channel;
  std::int32_t value;
  std::optional<bool> result;  // none: the call fails with `error`
  std::optional<ErrorNumber> error;
  std::int32_t countAfter;
  std::int32_t periodAfter;
};

void PrintTo(const SetChannelCase& c, std::ostream* os) {
  *os << "SetChannel(" << c.channel << ", " << c.value << ")";
}

class SetChannelTest : public ::testing::TestWithParam<SetChannelCase> {
 protected:
  SetChannelTest() {
    fixture.state.ChannelCount = 10;
    fixture.state.ChannelBuffer.fill(0xAA);
  }
  testing::DriverFixture fixture;
};

TEST_P(SetChannelTest, StoresRefusesOrFailsAsTheHostExpects) {
  const auto& c = GetParam();
  auto before = fixture.state.ChannelBuffer;
  if (c.error) {
    try {
      fixture.driver.SetChannel(c.channel, c.value);
      ADD_FAILURE() << "no error";
    } catch (const engine::AutomationError& error) {
      EXPECT_EQ(error.Number(), *c.error);
    }
  } else {
    EXPECT_EQ(fixture.driver.SetChannel(c.channel, c.value), *c.result);
    if (*c.result) before[static_cast<std::size_t>(c.channel)] = static_cast<std::uint8_t>(c.value);
  }
  EXPECT_EQ(fixture.state.ChannelBuffer, before);
  EXPECT_EQ(fixture.state.ChannelCount, c.countAfter);
  EXPECT_EQ(fixture.timer().IntervalMs(), c.periodAfter);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SetChannelTest,
    ::testing::Values(SetChannelCase{513, 0, false, std::nullopt, 10, 10},
                      SetChannelCase{600, 256, false, std::nullopt, 10, 10},
                      SetChannelCase{512, 7, true, std::nullopt, 10,
                                     1},  // period recomputed, count kept
                      SetChannelCase{255, 1, true, std::nullopt, 10, 1},
                      SetChannelCase{254, 1, true, std::nullopt, 254, 18},
                      SetChannelCase{11, 0, true, std::nullopt, 11, 1},
                      SetChannelCase{3, 200, true, std::nullopt, 10, 10},
                      SetChannelCase{10, 255, true, std::nullopt, 10, 10},
                      SetChannelCase{0, 9, true, std::nullopt, 10, 10},
                      SetChannelCase{-1, 0, std::nullopt, ErrorNumber::kBounds, 10, 10},
                      SetChannelCase{-1, 300, std::nullopt, ErrorNumber::kBounds, 10, 10},
                      SetChannelCase{5, 256, std::nullopt, ErrorNumber::kOverflow, 10, 10},
                      SetChannelCase{5, -1, std::nullopt, ErrorNumber::kOverflow, 10, 10},
                      SetChannelCase{300, -5, std::nullopt, ErrorNumber::kOverflow, 10, 10}));

class OutputDriverTest : public ::testing::Test {
 protected:
  testing::DriverFixture fixture;
};

TEST_F(OutputDriverTest, EnableSwitchesOutputOnWithTenChannelsAndKeepsThePeriod) {
  fixture.state.PortNumber = 1;
  fixture.state.ChannelCount = 200;
  EXPECT_TRUE(fixture.driver.Enable());
  EXPECT_TRUE(fixture.state.OutputEnabled);
  EXPECT_EQ(fixture.state.ChannelCount, 10);
  EXPECT_TRUE(fixture.timer().IsRunning());
  EXPECT_EQ(fixture.timer().IntervalMs(), 10);

  fixture.state.ChannelCount = 50;
  EXPECT_TRUE(fixture.driver.Enable());
  EXPECT_EQ(fixture.state.ChannelCount, 10);
  EXPECT_TRUE(fixture.port().IsOpen());
}

TEST_F(OutputDriverTest, EnableOnPortZeroChangesNothing) {
  fixture.state.ChannelCount = 33;
  EXPECT_FALSE(fixture.driver.Enable());
  EXPECT_EQ(fixture.platform.messages.shown.size(), 1u);
  EXPECT_EQ(fixture.state.ChannelCount, 33);
  EXPECT_FALSE(fixture.timer().IsRunning());
  EXPECT_FALSE(fixture.state.OutputEnabled);
}

TEST_F(OutputDriverTest, DisableStopsEverythingAndAlwaysSucceeds) {
  EXPECT_TRUE(fixture.driver.Disable());
  fixture.state.PortNumber = 1;
  ASSERT_TRUE(fixture.driver.Enable());
  EXPECT_TRUE(fixture.driver.Disable());
  EXPECT_FALSE(fixture.state.OutputEnabled);
  EXPECT_FALSE(fixture.timer().IsRunning());
  EXPECT_FALSE(fixture.port().IsOpen());
}

TEST_F(OutputDriverTest, InitTermAndConfigureReportFalseEvenWhenTheyWork) {
  EXPECT_FALSE(fixture.driver.Init(u"Host", u"Tarvolk_DMX.out.dll"));
  EXPECT_EQ(fixture.state.PortNumber, 1);
  EXPECT_FALSE(fixture.driver.Term());
  EXPECT_EQ(fixture.platform.settings.values.size(), 1u);
  fixture.platform.closeAttempts.push_back({u"10", 0});
  EXPECT_FALSE(fixture.driver.Configure());
  EXPECT_EQ(fixture.driver.PluginName(), u"Tarvolk DMX Plugin");
}

TEST_F(OutputDriverTest, InitKeepsTheNamesEvenWhenTheStoredPortIsBad) {
  fixture.platform.settings.values[{u"Host", u"Plugins\\X.dll", u"COM"}] = u"abc";
  fixture.state.PortNumber = 3;
  EXPECT_THROW(fixture.driver.Init(u"Host", u"X.dll"), engine::AutomationError);
  fixture.driver.Term();
  EXPECT_EQ((fixture.platform.settings.values[{u"Host", u"Plugins\\X.dll", u"COM"}]), u"3");
}

TEST_F(OutputDriverTest, TermWithoutInitStoresUnderEmptyNames) {
  fixture.state.PortNumber = 2;
  fixture.driver.Term();
  EXPECT_EQ((fixture.platform.settings.values[{u"", u"Plugins\\", u"COM"}]), u"2");
}

TEST_F(OutputDriverTest, APortChosenInTheDialogIsStoredOnlyByTerm) {
  fixture.driver.Init(u"Host", u"Tarvolk_DMX.out.dll");
  fixture.platform.closeAttempts.push_back({u"10", 2});
  fixture.driver.Configure();
  EXPECT_EQ(fixture.state.PortNumber, 3);
  EXPECT_TRUE(fixture.platform.settings.values.empty());
  fixture.driver.Term();
  EXPECT_EQ((fixture.platform.settings.values[{u"Host", u"Plugins\\Tarvolk_DMX.out.dll", u"COM"}]),
            u"3");
}

TEST_F(OutputDriverTest, ReleasingAnObjectLeavesTheEngineRunning) {
  fixture.state.PortNumber = 1;
  {
    clsOutputDriver other(fixture.state);
    ASSERT_TRUE(other.Enable());
  }
  EXPECT_TRUE(fixture.state.OutputEnabled);
  EXPECT_TRUE(fixture.timer().IsRunning());
  EXPECT_TRUE(fixture.port().IsOpen());
}

}  // namespace
}  // namespace tarvolk::plugin
