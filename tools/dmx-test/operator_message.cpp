#include "operator_message.h"

namespace tarvolk::dmx_test {

int TellOperator(HWND owner, const std::wstring& text, UINT style) {
  MSG quit;
  const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  const int pressed = MessageBoxW(owner, text.c_str(), kCaption, style);
  if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
  return pressed;
}

std::wstring PluginFailureText(const std::wstring& call, const std::wstring& failure) {
  return L"Das Plug-in meldet bei " + call + L": " + failure;
}

}  // namespace tarvolk::dmx_test
