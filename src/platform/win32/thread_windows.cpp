#include "platform/win32/thread_windows.h"

#include <algorithm>

namespace tarvolk::platform::win32 {
namespace {

struct Disabling {
  const std::vector<HWND>& kept;
  std::vector<HWND>& disabled;
};

BOOL CALLBACK DisableUnlessKept(HWND window, LPARAM context) {
  auto& [kept, disabled] = *reinterpret_cast<Disabling*>(context);
  // EnableWindow returns zero when the window was enabled until now.
  if (std::find(kept.begin(), kept.end(), window) == kept.end() && !EnableWindow(window, FALSE)) {
    disabled.push_back(window);
  }
  return TRUE;
}

}  // namespace

ThreadWindowsDisabled::ThreadWindowsDisabled(const std::vector<HWND>& kept) {
  Disabling disabling{kept, disabled_};
  EnumThreadWindows(GetCurrentThreadId(), &DisableUnlessKept, reinterpret_cast<LPARAM>(&disabling));
}

void ThreadWindowsDisabled::Restore() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  disabled_.clear();
}

}  // namespace tarvolk::platform::win32
