#include "platform/win32/win32_error.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

void ThrowLastError(std::string_view step) { ThrowError(step, GetLastError()); }

void ThrowError(std::string_view step, unsigned long errorCode) {
  throw PlatformError(ErrorText(step, errorCode), SystemErrorOf(errorCode));
}

std::string ErrorText(std::string_view step, unsigned long errorCode) {
  return std::string(step) + " failed (Windows error " + std::to_string(errorCode) + ")";
}

SystemError SystemErrorOf(unsigned long errorCode) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text, length);
  LocalFree(text);
  // Windows ends its texts with a line break.
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return {errorCode, FromWide(message)};
}

}  // namespace tarvolk::platform::win32
