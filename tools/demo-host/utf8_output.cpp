#include "utf8_output.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace tarvolk::demo_host {

void PrintLine(std::wstring_view line) {
  const std::wstring withEnd = std::wstring(line) + L"\n";
  const auto length = static_cast<int>(withEnd.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, withEnd.data(), length, text.data(), size, nullptr, nullptr);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace tarvolk::demo_host
