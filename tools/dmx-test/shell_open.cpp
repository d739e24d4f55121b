#include "shell_open.h"

// After windows.h.
#include <shellapi.h>

namespace tarvolk::dmx_test {

std::wstring OpenInShell(HWND owner, const std::wstring& path, const std::wstring& what) {
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened > 32) return {};
  return L"Windows öffnet " + what + L" nicht (Fehler " + std::to_wstring(opened) + L"):\n" + path;
}

}  // namespace tarvolk::dmx_test
