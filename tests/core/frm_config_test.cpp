#include "config/frm_config.h"

#include <gtest/gtest.h>

#include <optional>

#include "fakes/fake_message_box.h"
#include "test_support.h"

namespace tarvolk::config {
namespace {

class ConfigDialogTest : public ::testing::Test {
 protected:
  void Configure(std::initializer_list<fakes::CloseAttempt> attempts) {
    fixture.platform.closeAttempts.assign(attempts);
    fixture.driver.Configure();
  }
  testing::DriverFixture fixture;
};

TEST_F(ConfigDialogTest, OpensWithTheCurrentCountAndPort) {
  const std::tuple<std::int32_t, std::uint8_t, const char16_t*, int, const char16_t*> cases[] = {
      {10, 2, u"10", 1, u"COM2"}, {0, 1, u"0", 0, u"COM1"}, {254, 5, u"254", 4, u"COM5"},
      {7, 0, u"7", -1, u""},      {7, 6, u"7", 5, u"COM6"}, {7, 255, u"7", 5, u"COM255"}};
  for (const auto& [count, port, text, index, portText] : cases) {
    fixture.state.ChannelCount = count;
    fixture.state.PortNumber = port;
    Configure({{u"10", fakes::KeepPort{}}});
    EXPECT_EQ(fixture.platform.view->shownText, text);
    EXPECT_EQ(fixture.platform.view->shownIndex, index) << int{port};
    EXPECT_EQ(fixture.platform.view->shownPortText, portText) << int{port};
    EXPECT_EQ(fixture.state.PortNumber, port) << "closing without a change keeps the port";
  }
  EXPECT_EQ(fixture.platform.viewsCreated, 1) << "the window is created once and reused";
}

// Answers arrive while the window shows: each keeps what the user chose or
// typed; one without ports leaves the list and is journalled once.
TEST_F(ConfigDialogTest, TheListFollowsTheAnswersAndKeepsTheChoice) {
  platform::PortListing refused;
  refused.failure = platform::PlatformError("", platform::SystemError{5, u"Zugriff verweigert"});
  platform::PortListing overdue;
  overdue.overdue = true;
  const platform::PortListing uart{{{1, u"Kommunikationsanschluss (COM1)"}}};
  fixture.state.PortNumber = 1;
  fixture.platform.whileShown = [&] {
    auto& view = *fixture.platform.view;
    view.AnswerListing({{{1, u"Kommunikationsanschluss (COM1)"}, {7, u"USB Serial Port (COM7)"}}});
    EXPECT_EQ(view.PortText(), u"COM1 – Kommunikationsanschluss");
    for (const auto* listing : {&refused, &refused, &overdue}) view.AnswerListing(*listing);
    EXPECT_EQ(view.Entries().size(), 6u) << "the list stays as it is";
    view.PickPort(5);
    view.ChangeDevices();
    view.AnswerListing(uart);
    EXPECT_EQ(view.PortText(), u"COM7 – nicht angeschlossen") << "the adapter pulled stays chosen";
    EXPECT_EQ(view.listings, 2);
  };
  Configure({{u"10", 0}});
  EXPECT_EQ(fixture.state.PortNumber, 1) << "the first entry, whatever its name";
  const auto& lines = fixture.platform.journal.lines;
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const auto& line) { return line.starts_with(u"Windows nennt"); }),
            2);

  fixture.platform.whileShown = [&] {
    fixture.platform.view->SetPortText(u"COM3");
    fixture.platform.view->AnswerListing(uart);
  };
  Configure({{u"10", fakes::KeepPort{}}});
  EXPECT_EQ(fixture.state.PortNumber, 3) << "what the user typed stays";

  fixture.platform.whileShown = [&] {
    EXPECT_EQ(fixture.platform.view->Entries()[0], u"COM1") << "not the last showing's listing";
  };
  Configure({{u"10", fakes::KeepPort{}}});
}

// What the box shows is the port that opens, and nothing moves under the
// user's eyes: an answer equal to the list changes nothing, one that comes
// while the list is dropped down waits until it closes up.
TEST_F(ConfigDialogTest, WhatTheBoxShowsIsThePortThatOpens) {
  const platform::PortListing one{{{7, u"USB Serial Port (COM7)"}}};
  const platform::PortListing two{{{7, u"USB Serial Port (COM7)"}, {9, u"CH340 (COM9)"}}};
  fixture.platform.whileShown = [&] {
    auto& view = *fixture.platform.view;
    view.AnswerListing(one);
    const int shown = view.listsShown;
    view.AnswerListing(one);
    EXPECT_EQ(view.listsShown, shown);
    view.dropped = true;
    view.AnswerListing(two);
    EXPECT_EQ(view.Entries().size(), 6u);
    view.PickPort(5);
    view.CloseUpList();
    EXPECT_EQ(view.Entries().size(), 7u);
    EXPECT_EQ(view.PortText(), u"COM7 – USB Serial Port");
  };
  Configure({{u"10", u"COM9 – CH340"}});
  EXPECT_EQ(fixture.state.PortNumber, 9) << "an entry's whole text, whatever the selection";
}

TEST_F(ConfigDialogTest, ATypedPortNameChoosesThatPort) {
  const std::pair<const char16_t*, int> naming[] = {{u"COM7", 7},  {u" com12 ", 12}, {u"7", 7},
                                                    {u"\t09 ", 9}, {u"COM255", 255}, {u"cOm1", 1},
                                                    {u"100", 100}, {u"255", 255}};
  const char16_t* const namingNone[] = {
      u"COM256", u"COM0", u"0", u"COM", u"COM 7", u"COM-7", u"+7",  u"7.0",
      u"COM7x",  u"abc",  u"",  u"  ",  u"XOM7",  u"COX7",  u"CO7", u"COM99999999999"};
  const auto chosenPort = [this](const char16_t* typed) {
    fixture.state.PortNumber = 3;
    Configure({{u"10", typed}});
    return int{fixture.state.PortNumber};
  };
  for (const auto& [typed, port] : naming) {
    EXPECT_EQ(chosenPort(typed), port) << testing::Printable(typed);
  }
  for (const char16_t* typed : namingNone) {
    EXPECT_EQ(chosenPort(typed), 0) << testing::Printable(typed);
  }
}

TEST_F(ConfigDialogTest, ThePortIsReadBeforeAMessageBoxCanTakeTheWindowAway) {
  fixture.engineWindow();
  fixture.platform.messages.whileShown = [this] { fixture.platform.view->SetPortText(u""); };
  Configure({{u"abc", u"COM7"}, {u"10", 0}});
  EXPECT_EQ(std::count(fixture.events().begin(), fixture.events().end(), "port.number 7"), 1);
}

struct CloseCase {
  const char16_t* text;
  std::optional<std::int32_t> accepted;  // none: refused
  const char16_t* message;               // nullptr: none shown
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << testing::Printable(c.text); }

class CloseRequestTest : public ConfigDialogTest,
                         public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequestTest, ValidatesTheChannelCount) {
  const auto& [text, accepted, message] = GetParam();
  fixture.state.ChannelCount = 33;
  Configure({{text, 0}, {u"10", 0}});
  const auto& shown = fixture.platform.messages.shown;
  if (message) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (fakes::ShownMessage{message, u"Tarvolk DMX Plugin", 48}));
  } else {
    EXPECT_TRUE(shown.empty());
  }
  const auto& events = fixture.events();
  const auto firstClose = std::find_if(events.begin(), events.end(), [](const std::string& e) {
    return e.starts_with("view.close");
  });
  ASSERT_NE(firstClose, events.end());
  EXPECT_EQ(*firstClose, accepted ? "view.closed" : "view.close refused");
  if (accepted) {
    EXPECT_EQ(fixture.state.ChannelCount, *accepted);
    EXPECT_EQ(fixture.timer().IntervalMs(), engine::SendInterval(*accepted));
  }
}

constexpr const char16_t* kNotANumber = u"Bitte geben Sie eine gültige Zahl ein";
constexpr const char16_t* kOutOfRange = u"Bitte geben Sie eine Zahl zwischen 0 und 254 ein";

INSTANTIATE_TEST_SUITE_P(
    Texts, CloseRequestTest,
    ::testing::Values(CloseCase{u"254.4", 254, nullptr}, CloseCase{u"254.6", {}, kOutOfRange},
                      CloseCase{u"255", {}, kOutOfRange}, CloseCase{u"-0.4", 0, nullptr},
                      CloseCase{u"-1", {}, kOutOfRange}, CloseCase{u"12.5", 12, nullptr},
                      CloseCase{u"13.5", 14, nullptr}, CloseCase{u"abc", {}, kNotANumber},
                      CloseCase{u"", {}, kNotANumber}, CloseCase{u" 7", 7, nullptr},
                      CloseCase{u"1e2", 100, nullptr}, CloseCase{u"&H10", 16, nullptr},
                      CloseCase{u"0", 0, nullptr}, CloseCase{u"254", 254, nullptr},
                      CloseCase{u"1e400", {}, kOutOfRange}));

TEST_F(ConfigDialogTest, ARefusedCountStillReopensThePortAndStartsTheTimer) {
  fixture.state.ChannelCount = 33;
  fixture.engineWindow();
  fixture.platform.log.Clear();
  Configure({{u"abc", 1}, {u"20", 1}});
  const std::vector<std::string> firstAttempt(fixture.events().begin(),
                                              fixture.events().begin() + 8);
  EXPECT_EQ(firstAttempt,
            (std::vector<std::string>{"view.show", "msgbox 48", "port.number 2",
                                      "port.settings 19200,N,8,2", "port.open", "port.threshold 1",
                                      "timer.start", "view.close refused"}));
  EXPECT_EQ(fixture.state.ChannelCount, 20);
}

TEST_F(ConfigDialogTest, APortHeldElsewhereIsReportedAndTheWindowStillCloses) {
  fixture.engineWindow();
  fixture.port().heldPorts.insert(3);
  Configure({{u"10", 2}});
  EXPECT_EQ(fixture.state.PortNumber, 3);
  EXPECT_FALSE(fixture.port().IsOpen());
  EXPECT_EQ(fixture.platform.messages.shown.size(), 1u);
  EXPECT_EQ(fixture.events().back(), "view.closed");
}

TEST_F(ConfigDialogTest, ConfigureWhileTheWindowIsOpenLeavesItAlone) {
  fixture.state.ChannelCount = 10;
  fixture.platform.whileShown = [this] {
    fixture.platform.view->SetChannelCountText(u"99");
    EXPECT_FALSE(fixture.driver.Configure());
  };
  Configure({});
  EXPECT_EQ(fixture.platform.view->ChannelCountText(), u"99") << "the user's text was reloaded";
  EXPECT_EQ(std::count(fixture.events().begin(), fixture.events().end(), "view.show"), 1);

  fixture.platform.whileShown = nullptr;
  Configure({{u"10", 0}});
  EXPECT_EQ(fixture.platform.view->shownText, u"10") << "a later opening shows again";
}

}  // namespace
}  // namespace tarvolk::config
