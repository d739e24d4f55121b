#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "channel_sender.h"
#include "nested_calls.h"
#include "plugin_session.h"

namespace tarvolk::dmx_test {

// The test window's controls of what goes out, and its line saying whether
// output is on: output on and off, the channel count typed, every channel
// dark or full, the chase on a timer of the window, and one channel on the
// slider. A count or channel out of range is refused with a message, and
// nothing sent changes.
class ChannelControls {
 public:
  using Tell = std::function<void(const std::wstring& text, UINT icon)>;
  // The window's timer that steps the chase.
  static constexpr UINT_PTR kChaseTimer = 1;

  ChannelControls(PluginSession& plugin, NestedCalls& nested, Tell tell);

  // The window, once created: its fields get their first texts and limits.
  void Attach(HWND window);
  // The window closes: the chase stops and nothing is shown in it any more.
  void Detach();
  // A click on one of these buttons; others are left alone.
  void OnClick(int control);
  void OnSlider();
  void OnChaseTimer() { sender_.ChaseStep(); }
  bool OutputOn() const { return sender_.OutputOn(); }
  void ConfigurationClosed() { sender_.ConfigurationClosed(); }

 private:
  void SwitchOn();
  void SetEveryChannel(int value);
  void ToggleChase();
  void StopChase();
  // The count typed, or nothing after telling the operator what is wrong.
  std::optional<int> TypedCount();
  std::wstring FieldText(int control) const;
  void ShowState();

  HWND window_ = nullptr;
  Tell tell_;
  ChannelSender sender_;
};

}  // namespace tarvolk::dmx_test
