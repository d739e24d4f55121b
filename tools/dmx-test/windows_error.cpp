#include "windows_error.h"

#include "report_text.h"

namespace tarvolk::dmx_test {

std::wstring WindowsSays(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring said = text != nullptr ? text : L"";
  LocalFree(text);
  while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r' || said.back() == L' ')) {
    said.pop_back();
  }
  return said;
}

Fact WindowsFailure(std::wstring why, DWORD error) {
  return Unknown(std::move(why), error, WindowsSays(error));
}

std::wstring FailureText(const std::wstring& why, DWORD error) {
  return FactText(WindowsFailure(why, error));
}

}  // namespace tarvolk::dmx_test
