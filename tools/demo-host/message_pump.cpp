#include "message_pump.h"

#include <windows.h>

#include <algorithm>

namespace tarvolk::demo_host {

namespace {

std::chrono::microseconds Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace

PumpResult PumpMessages(std::chrono::milliseconds duration, std::chrono::milliseconds period,
                        const std::function<void()>& onTick) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(duration.count());
  const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(period.count()), nullptr);
  PumpResult result;
  for (ULONGLONG now = GetTickCount64(); !result.quit && now < deadline; now = GetTickCount64()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG message;
    while (!result.quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        result.quit = true;
      } else if (message.hwnd == nullptr && message.message == WM_TIMER &&
                 message.wParam == timer) {
        onTick();
      } else {
        const auto start = std::chrono::steady_clock::now();
        TranslateMessage(&message);
        DispatchMessageW(&message);
        result.slowestMessage = std::max(result.slowestMessage, Since(start));
      }
    }
  }
  KillTimer(nullptr, timer);
  return result;
}

}  // namespace tarvolk::demo_host
