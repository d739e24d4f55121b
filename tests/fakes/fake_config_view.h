#pragma once

#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "fakes/event_log.h"
#include "platform/config_view.h"

namespace tarvolk::fakes {

// The port box as the user leaves it: an entry picked from the list (its
// index), a text typed over it, or untouched.
struct KeepPort {};
using PortInput = std::variant<int, std::u16string, KeepPort>;

// What the user does before pressing the close box once.
struct CloseAttempt {
  std::u16string channelCountText;
  PortInput port = 0;
};

// The configuration window: ShowModal plays the scripted close attempts until
// one is granted (or the script runs out, which a test treats as a fault).
class FakeConfigView : public platform::ConfigView {
 public:
  FakeConfigView(EventLog& log, platform::ConfigViewEvents& events,
                 std::deque<CloseAttempt>& attempts, std::function<void()>& whileShown)
      : log_(log), events_(events), attempts_(attempts), whileShown_(whileShown) {}

  std::u16string ChannelCountText() const override { return text_; }
  void SetChannelCountText(const std::u16string& text) override { text_ = text; }
  void SetPortEntries(const std::vector<std::u16string>& entries, int selected) override {
    ++listsShown;
    entries_ = entries;
    index_ = selected;
    if (selected >= 0) PickPort(selected);
  }
  bool PortListDropped() const override { return dropped; }
  std::u16string PortText() const override { return portText_; }
  void SetPortText(const std::u16string& text) override {
    index_ = -1;
    portText_ = text;
  }
  void ListPorts() override { ++listings; }

  // The user picks entry `index` (-1: none).
  void PickPort(int index) {
    index_ = index;
    portText_ = index < 0 ? u"" : entries_.at(static_cast<std::size_t>(index));
  }
  // The window's thread hands on what the platform reports.
  void AnswerListing(const platform::PortListing& listing) { events_.OnPortsListed(listing); }
  void ChangeDevices() { events_.OnDevicesChanged(); }
  void CloseUpList() {
    dropped = false;
    events_.OnPortListClosed();
  }
  const std::vector<std::u16string>& Entries() const { return entries_; }

  void ShowModal() override {
    log_.Add("view.show");
    shownText = text_;
    shownIndex = index_;
    shownPortText = portText_;
    if (whileShown_) whileShown_();
    while (!attempts_.empty()) {
      const CloseAttempt attempt = attempts_.front();
      attempts_.pop_front();
      text_ = attempt.channelCountText;
      if (const int* index = std::get_if<int>(&attempt.port)) PickPort(*index);
      if (const auto* typed = std::get_if<std::u16string>(&attempt.port)) SetPortText(*typed);
      const bool granted = events_.OnCloseRequest();
      log_.Add(granted ? "view.closed" : "view.close refused");
      if (granted) return;
    }
    log_.Add("view.still open");
  }

  // The controls as the user first saw them at the latest ShowModal.
  std::u16string shownText;
  int shownIndex = -2;
  std::u16string shownPortText;
  int listings = 0;
  bool dropped = false;  // the user has dropped the port list down
  int listsShown = 0;

 private:
  EventLog& log_;
  platform::ConfigViewEvents& events_;
  std::deque<CloseAttempt>& attempts_;
  std::function<void()>& whileShown_;
  std::u16string text_ = u"512";
  std::vector<std::u16string> entries_;
  int index_ = 0;
  std::u16string portText_ = u"COM1";
};

}  // namespace tarvolk::fakes
