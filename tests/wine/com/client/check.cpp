#include "check.h"

#include <windows.h>

#include <cstdio>

namespace check {
namespace {
int passedCount = 0;
int failedCount = 0;
std::string currentGroup;
}  // namespace

void Group(std::string_view name) {
  currentGroup = name;
  std::printf("== %s\n", currentGroup.c_str());
  std::fflush(stdout);
}

bool Record(bool passed, std::string_view what, const char* file, int line,
            const std::string& detail) {
  if (passed) {
    ++passedCount;
    return true;
  }
  ++failedCount;
  std::printf("FAIL [%s] %s:%d: %.*s%s%s\n", currentGroup.c_str(), file, line,
              static_cast<int>(what.size()), what.data(), detail.empty() ? "" : ": ",
              detail.c_str());
  std::fflush(stdout);
  return false;
}

int Summary() {
  std::printf("%d passed, %d failed\n", passedCount, failedCount);
  std::fflush(stdout);
  return failedCount;
}

std::string Text(std::wstring_view text) {
  if (text.empty()) return "\"\"";
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length,
                      nullptr, nullptr);
  return "\"" + result + "\"";
}

std::string Text(const std::wstring& text) { return Text(std::wstring_view(text)); }
std::string Text(const wchar_t* text) {
  return text == nullptr ? "(null)" : Text(std::wstring_view(text));
}

}  // namespace check
