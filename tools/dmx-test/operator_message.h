#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

inline constexpr wchar_t kCaption[] = L"Tarvolk DMX – Test";

// A message box with the program's caption (style: its icon, and its
// buttons when not just OK); returns the button pressed. It shows even while
// a WM_QUIT waits in the thread's queue, as it does when the program is
// closing: the WM_QUIT is held back while the box shows and posted again
// after it.
int TellOperator(HWND owner, const std::wstring& text, UINT style);

// What the operator reads when the plug-in fails a call.
std::wstring PluginFailureText(const std::wstring& call, const std::wstring& failure);

}  // namespace tarvolk::dmx_test
