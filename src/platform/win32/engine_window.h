#pragma once

#include <functional>
#include <map>

#include "platform/win32/own_window.h"

namespace tarvolk::platform::win32 {

// The hidden engine window frmMain: a message-only window on the platform's
// thread that hosts the window timers. Their ticks come as WM_TIMER through
// the thread's message loop, so they keep coming inside modal dialogs and
// message boxes. The window is created with the first armed timer.
class EngineWindow final : private OwnWindow {
 public:
  using TimerId = UINT_PTR;

  EngineWindow() = default;

  // onTick runs at every tick of the timer; whatever it throws is dropped.
  TimerId AddTimer(std::function<void()> onTick);
  void RemoveTimer(TimerId id);
  // Starts the timer's period afresh. Throws PlatformError when Windows refuses.
  void Arm(TimerId id, UINT periodMs);
  void Disarm(TimerId id);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Tick(TimerId id);

  std::map<TimerId, std::function<void()>> onTick_;
  TimerId nextId_ = 1;
};

}  // namespace tarvolk::platform::win32
