#pragma once

// A tiny self-contained check library for the cross-built COM client (no test
// framework is available for mingw here). Every check counts as passed or
// failed; a failure prints where and what; Summary() prints the final tally
// "N passed, N failed" that the test script looks for.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

namespace check {

void Group(std::string_view name);
bool Record(bool passed, std::string_view what, const char* file, int line,
            const std::string& detail = {});
// Prints the tally; returns the number of failed checks.
int Summary();

std::string Text(std::wstring_view text);  // UTF-8, for messages
std::string Text(const std::wstring& text);
std::string Text(const wchar_t* text);
template <typename T>
std::string Text(const T& value) {
  std::ostringstream out;
  if constexpr (std::is_integral_v<T> && sizeof(T) >= 4) {
    out << +value << " (0x" << std::hex << static_cast<std::uint32_t>(value) << ")";
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    out << static_cast<long long>(value);
  } else {
    out << value;
  }
  return out.str();
}

template <typename A, typename E>
bool RecordEqual(const A& actual, const E& expected, std::string_view what, const char* file,
                 int line) {
  const bool passed = actual == expected;
  return Record(passed, what, file, line,
                passed ? std::string() : "got " + Text(actual) + ", expected " + Text(expected));
}

}  // namespace check

#define CHECK(condition) ::check::Record((condition), #condition, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) \
  ::check::RecordEqual((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
