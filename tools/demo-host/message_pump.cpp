#include "message_pump.h"

#include <windows.h>

namespace tarvolk::demo_host {

bool PumpMessages(std::chrono::milliseconds duration, std::chrono::milliseconds period,
                  const std::function<void()>& onTick) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(duration.count());
  const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(period.count()), nullptr);
  bool quit = false;
  for (ULONGLONG now = GetTickCount64(); !quit && now < deadline; now = GetTickCount64()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG message;
    while (!quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        quit = true;
      } else if (message.hwnd == nullptr && message.message == WM_TIMER &&
                 message.wParam == timer) {
        onTick();
      } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  KillTimer(nullptr, timer);
  return !quit;
}

}  // namespace tarvolk::demo_host
