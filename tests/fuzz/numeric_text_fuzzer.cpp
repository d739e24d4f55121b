// Any text: the number reader never fails, and what it reads is a number
// that survives being written down and read again.
#include <charconv>
#include <cmath>
#include <optional>

#include "engine/numeric_text.h"
#include "fuzz/fuzz_support.h"

namespace {

using tarvolk::engine::ParseNumber;
using tarvolk::engine::RoundHalfToEven;
using tarvolk::fuzz::Require;

bool Reads(const std::u16string& text, double expected) {
  const auto value = ParseNumber(text);
  return value && *value == expected;
}

// The shortest decimal that names exactly this double.
std::u16string ShortestText(double value) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  Require(error == std::errc{}, "to_chars writes any finite double");
  return std::u16string(buffer, end);
}

void CheckRounding(double value) {
  const double rounded = RoundHalfToEven(value);
  const double distance = std::fabs(rounded - value);
  Require(rounded == std::trunc(rounded), "rounding gives a whole number");
  Require(distance <= 0.5, "rounding moves by at most one half");
  Require(distance < 0.5 || std::fmod(rounded, 2.0) == 0.0, "ties go to the even neighbour");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = tarvolk::fuzz::TextOf(data, size);
  const std::optional<double> value = ParseNumber(text);
  if (!value) return 0;
  Require(!std::isnan(*value), "a number is never NaN");
  Require(Reads(u" " + text + u"\t ", *value), "blanks around a number change nothing");
  const auto first = text.find_first_not_of(u" \t");
  if (text[first] != u'-' && text[first] != u'+' && text[first] != u'&') {
    Require(Reads(u"-" + text.substr(first), -*value), "a minus sign negates a decimal");
  }
  if (std::isfinite(*value)) {
    Require(Reads(ShortestText(*value), *value), "a value's shortest text reads back exactly");
    CheckRounding(*value);
  }
  return 0;
}
