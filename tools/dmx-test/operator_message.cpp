#include "operator_message.h"

namespace tarvolk::dmx_test {

void TellOperator(HWND owner, const std::wstring& text, UINT icon) {
  MSG quit;
  const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  MessageBoxW(owner, text.c_str(), kCaption, MB_OK | icon);
  if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

std::wstring PluginFailureText(const std::wstring& call, const std::wstring& failure) {
  return L"Das Plug-in meldet bei " + call + L": " + failure;
}

}  // namespace tarvolk::dmx_test
