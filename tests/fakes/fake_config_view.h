#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "platform/config_view.h"

namespace tarvolk::fakes {

// What the user does before pressing the close box once.
struct CloseAttempt {
  std::u16string channelCountText;
  int selectedPortIndex = 0;
};

// The configuration window: ShowModal plays the scripted close attempts until
// one is granted (or the script runs out, which a test treats as a fault).
class FakeConfigView final : public platform::ConfigView {
 public:
  FakeConfigView(EventLog& log, platform::ConfigViewEvents& events,
                 std::deque<CloseAttempt>& attempts, std::function<void()>& whileShown)
      : log_(log), events_(events), attempts_(attempts), whileShown_(whileShown) {}

  std::u16string ChannelCountText() const override { return text_; }
  void SetChannelCountText(const std::u16string& text) override { text_ = text; }
  int SelectedPortIndex() const override { return index_; }
  void SetSelectedPortIndex(int index) override { index_ = index; }

  void ShowModal() override {
    log_.Add("view.show");
    shownText = text_;
    shownIndex = index_;
    if (whileShown_) whileShown_();
    while (!attempts_.empty()) {
      const CloseAttempt attempt = attempts_.front();
      attempts_.pop_front();
      text_ = attempt.channelCountText;
      index_ = attempt.selectedPortIndex;
      const bool granted = events_.OnCloseRequest();
      log_.Add(granted ? "view.closed" : "view.close refused");
      if (granted) return;
    }
    log_.Add("view.still open");
  }

  // The controls as the user first saw them at the latest ShowModal.
  std::u16string shownText;
  int shownIndex = -2;

 private:
  EventLog& log_;
  platform::ConfigViewEvents& events_;
  std::deque<CloseAttempt>& attempts_;
  std::function<void()>& whileShown_;
  std::u16string text_ = u"512";
  int index_ = 0;
};

}  // namespace tarvolk::fakes
