#include "message_loop.h"

#include "unix_time.h"

namespace tarvolk::bench {

MessageLoop::~MessageLoop() {
  for (const auto& timer : timers_) KillTimer(nullptr, timer.first);
}

void MessageLoop::AddTimer(UINT periodMs, std::function<void()> onTick) {
  timers_[SetTimer(nullptr, 0, periodMs, nullptr)] = std::move(onTick);
}

void MessageLoop::RunUntil(long long deadlineUs) {
  for (long long now = demo_host::UnixMicroseconds(); now < deadlineUs;
       now = demo_host::UnixMicroseconds()) {
    const auto waitMs = static_cast<DWORD>((deadlineUs - now + 999) / 1000);
    MsgWaitForMultipleObjectsEx(0, nullptr, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    RunPending();
  }
}

void MessageLoop::RunPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.hwnd == nullptr && message.message == WM_TIMER) {
      if (const auto timer = timers_.find(message.wParam); timer != timers_.end()) timer->second();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace tarvolk::bench
