#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// A window's or control's whole text; empty when it has none.
inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace tarvolk::platform::win32
