#include "engine/open_sequence.h"

#include <gtest/gtest.h>

#include "fakes/fake_message_box.h"
#include "test_support.h"

namespace tarvolk::engine {
namespace {

using Events = std::vector<std::string>;

class OpenSequenceTest : public ::testing::Test {
 protected:
  OpenSequenceTest() {
    fixture.state.PortNumber = 3;
    fixture.state.ChannelCount = 42;
    fixture.engineWindow();
    fixture.platform.log.Clear();
  }
  void OpenPortTwoFirst() {
    fixture.port().SetPortNumber(2);
    fixture.port().Open();
    fixture.platform.log.Clear();
  }
  testing::DriverFixture fixture;
};

TEST_F(OpenSequenceTest, EnableSetsTheThresholdBeforeOpening) {
  EXPECT_TRUE(fixture.driver.Enable());
  EXPECT_EQ(fixture.events(), (Events{"port.number 3", "port.settings 19200,N,8,2",
                                      "port.threshold 1", "port.open", "timer.start"}));
}

TEST_F(OpenSequenceTest, TheDialogTakesItsSelectionAndSetsTheThresholdAfterOpening) {
  OpenPortTwoFirst();
  fixture.platform.closeAttempts.push_back({u"42", 3});
  fixture.driver.Configure();
  EXPECT_EQ(fixture.state.PortNumber, 4);
  EXPECT_EQ(fixture.events(), (Events{"view.show", "timer.interval 3", "port.close",
                                      "port.number 4", "port.settings 19200,N,8,2", "port.open",
                                      "port.threshold 1", "timer.start", "view.closed"}));
}

TEST_F(OpenSequenceTest, AnOpenPortIsClosedFirstEvenWhenUnchanged) {
  OpenPortTwoFirst();
  fixture.state.PortNumber = 2;
  EXPECT_TRUE(fixture.driver.Enable());
  EXPECT_EQ(fixture.events().front(), "port.close");
  EXPECT_TRUE(fixture.port().IsOpen());
  EXPECT_TRUE(fixture.platform.messages.shown.empty());
}

// A step that fails ends the sequence; what ran before it stays done.
struct EnableFailure {
  const char* failingStep;
  bool linkOpenAfter;
  std::int32_t channelCountAfter;
};

void PrintTo(const EnableFailure& c, std::ostream* os) { *os << c.failingStep; }

class EnableFailureTest : public OpenSequenceTest,
                          public ::testing::WithParamInterface<EnableFailure> {};

TEST_P(EnableFailureTest, ShowsTheMessageAndSkipsTheRest) {
  const auto& [step, linkOpenAfter, countAfter] = GetParam();
  if (std::string(step) == "timer.start") {
    fixture.timer().failStart = true;
  } else {
    fixture.port().failingSteps.insert(step);
  }
  EXPECT_FALSE(fixture.driver.Enable());
  EXPECT_EQ(fixture.platform.messages.shown,
            (std::vector<fakes::ShownMessage>{{u"Schnittstelle wird von anderem Programm benutzt.",
                                               u"Fehler: Kann Port nich öfnen ! ", 16}}));
  EXPECT_EQ(fixture.port().IsOpen(), linkOpenAfter);
  EXPECT_EQ(fixture.state.ChannelCount, countAfter);
  EXPECT_FALSE(fixture.timer().IsRunning());
  EXPECT_FALSE(fixture.state.OutputEnabled);
}

INSTANTIATE_TEST_SUITE_P(Steps, EnableFailureTest,
                         ::testing::Values(EnableFailure{"SetPortNumber", false, 42},
                                           EnableFailure{"SetSettings", false, 42},
                                           EnableFailure{"SetReceiveThreshold", false, 42},
                                           EnableFailure{"Open", false, 42},
                                           EnableFailure{"timer.start", true, 10}));

TEST_F(OpenSequenceTest, PortZeroFailsAndLeavesTheLinkClosed) {
  OpenPortTwoFirst();
  fixture.state.PortNumber = 0;
  EXPECT_FALSE(fixture.driver.Enable());
  EXPECT_FALSE(fixture.port().IsOpen());
  EXPECT_EQ(fixture.platform.messages.shown.size(), 1u);
}

struct DialogFailure {
  const char* failingStep;
  bool linkOpenAfter;
};

void PrintTo(const DialogFailure& c, std::ostream* os) { *os << c.failingStep; }

class DialogFailureTest : public OpenSequenceTest,
                          public ::testing::WithParamInterface<DialogFailure> {};

TEST_P(DialogFailureTest, ShowsTheMessageKeepsTheSelectionAndStillCloses) {
  const auto& [step, linkOpenAfter] = GetParam();
  if (std::string(step) == "timer.start") {
    fixture.timer().failStart = true;
  } else {
    fixture.port().failingSteps.insert(step);
  }
  fixture.platform.closeAttempts.push_back({u"12", 4});
  fixture.driver.Configure();
  EXPECT_EQ(fixture.platform.messages.shown,
            (std::vector<fakes::ShownMessage>{{u"Schnittstelle wird von anderem Programm benutzt",
                                               u"Fehler: Kann Port nich öfnen ! ", 16}}));
  EXPECT_EQ(fixture.state.PortNumber, 5);
  EXPECT_EQ(fixture.state.ChannelCount, 12);
  EXPECT_EQ(fixture.port().IsOpen(), linkOpenAfter);
  EXPECT_FALSE(fixture.timer().IsRunning()) << "the timer keeps its previous state";
  EXPECT_EQ(fixture.events().back(), "view.closed");
}

INSTANTIATE_TEST_SUITE_P(Steps, DialogFailureTest,
                         ::testing::Values(DialogFailure{"SetPortNumber", false},
                                           DialogFailure{"SetSettings", false},
                                           DialogFailure{"Open", false},
                                           DialogFailure{"SetReceiveThreshold", true},
                                           DialogFailure{"timer.start", true}));

TEST_F(OpenSequenceTest, TheDialogWithoutSelectionTriesPortZero) {
  fixture.platform.closeAttempts.push_back({u"10", u""});
  fixture.driver.Configure();
  EXPECT_EQ(fixture.state.PortNumber, 0);
  EXPECT_FALSE(fixture.port().IsOpen());
  EXPECT_EQ(fixture.platform.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace tarvolk::engine
