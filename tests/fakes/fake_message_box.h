#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fakes/event_log.h"
#include "platform/message_box.h"

namespace tarvolk::fakes {

struct ShownMessage {
  std::u16string text;
  std::u16string title;
  int style = 0;
  bool operator==(const ShownMessage&) const = default;
};

class FakeMessageBox final : public platform::MessageBox {
 public:
  explicit FakeMessageBox(EventLog& log) : log_(log) {}
  void Show(std::u16string_view text, std::u16string_view title, int style) override {
    log_.Add("msgbox " + std::to_string(style));
    shown.push_back({std::u16string(text), std::u16string(title), style});
    if (whileShown) whileShown();
  }
  std::vector<ShownMessage> shown;
  // Runs inside the box's modal loop, as the host's timers may.
  std::function<void()> whileShown;

 private:
  EventLog& log_;
};

}  // namespace tarvolk::fakes
