#include "platform/win32/modal_loop.h"

namespace tarvolk::platform::win32 {

HWND ActiveOwner(HWND window) {
  HWND active = GetActiveWindow();
  if (active == nullptr) return nullptr;
  HWND topLevel = GetAncestor(active, GA_ROOT);
  return topLevel == window ? nullptr : topLevel;
}

void CentreOnScreen(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<WPARAM> RunModalLoop(const std::function<HWND()>& showing) {
  MSG message;
  while (showing() != nullptr) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return message.wParam;
    if (got == -1) break;
    // Asked again: the window may have gone with its owner meanwhile.
    const HWND window = showing();
    if (window == nullptr || !IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return std::nullopt;
}

}  // namespace tarvolk::platform::win32
