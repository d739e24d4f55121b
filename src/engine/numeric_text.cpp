#include "engine/numeric_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/whole_number.h"

namespace tarvolk::engine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Only plain ASCII can spell a number: any other text comes back empty, as a
// blank one does.
std::string ToTrimmedAscii(std::u16string_view text) {
  std::string ascii;
  for (const char16_t c : text) {
    if (c > 0x7F) return {};
    ascii.push_back(static_cast<char>(c));
  }
  const auto first = ascii.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = ascii.find_last_not_of(" \t");
  return ascii.substr(first, last - first + 1);
}

std::optional<int> RadixOf(char kind) {
  switch (Upper(kind)) {
    case 'H':
      return 16;
    case 'O':
      return 8;
    default:
      return std::nullopt;
  }
}

// body starts after '&': "H1F" or "O17".
std::optional<double> ParseRadixLiteral(std::string_view body) {
  if (body.empty()) return std::nullopt;
  const auto radix = RadixOf(body.front());
  if (!radix) return std::nullopt;
  const auto number = platform::ReadWholeInteger<std::uint32_t>(body.substr(1), *radix);
  if (!number || number->outOfRange) return std::nullopt;
  return static_cast<double>(number->value);
}

// Exponents are kept within +-2^62: far beyond any double, yet the sum of one
// with a digit count (less than 2^62 too) cannot overflow.
constexpr std::int64_t kExponentLimit = std::int64_t{1} << 62;

std::int64_t Saturated(std::int64_t value) {
  return std::clamp(value, -kExponentLimit, kExponentLimit);
}

std::int64_t DigitCount(std::size_t count) {
  return static_cast<std::int64_t>(std::min(count, static_cast<std::size_t>(kExponentLimit)));
}

// Decimal exponent of the leading significant digit, to tell an overflow
// ("1e400", a 400-digit integer) from an underflow ("1e-400").
std::int64_t MagnitudeOf(std::string_view mantissa, std::int64_t exponent) {
  const auto point = mantissa.find('.');
  const auto integerPart = mantissa.substr(0, point);
  const auto significant = integerPart.find_first_not_of('0');
  if (significant != std::string_view::npos) {
    return DigitCount(integerPart.size() - significant) + exponent;
  }
  const auto fraction =
      point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
  const auto firstNonZero = fraction.find_first_not_of('0');
  return exponent -
         DigitCount(firstNonZero == std::string_view::npos ? fraction.size() : firstNonZero);
}

// An exponent beyond int64 counts as the largest one of its sign.
std::optional<std::int64_t> ParseExponent(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  const auto number = platform::ReadWholeInteger<std::int64_t>(text);
  if (!number) return std::nullopt;
  if (number->outOfRange) return text.starts_with('-') ? -kExponentLimit : kExponentLimit;
  return Saturated(number->value);
}

std::optional<double> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // The mantissa: digits, then perhaps a point and more digits.
  auto mantissaEnd = std::find_if_not(text.begin(), text.end(), IsDigit);
  if (mantissaEnd != text.end() && *mantissaEnd == '.') {
    mantissaEnd = std::find_if_not(mantissaEnd + 1, text.end(), IsDigit);
  }
  const std::string_view mantissa(text.begin(), mantissaEnd);
  if (std::none_of(mantissa.begin(), mantissa.end(), IsDigit)) return std::nullopt;

  std::int64_t exponent = 0;
  if (const std::string_view rest(mantissaEnd, text.end()); !rest.empty()) {
    // The host's number syntax also writes the exponent with D.
    if (Upper(rest.front()) != 'E' && Upper(rest.front()) != 'D') return std::nullopt;
    const auto read = ParseExponent(rest.substr(1));
    if (!read) return std::nullopt;
    exponent = *read;
  }

  const auto number =
      platform::ReadWholeDouble(std::string(mantissa) + "e" + std::to_string(exponent));
  if (!number) return std::nullopt;
  double value = number->value;
  if (number->outOfRange) {
    value = MagnitudeOf(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseNumber(std::u16string_view text) {
  const std::string trimmed = ToTrimmedAscii(text);
  if (trimmed.empty()) return std::nullopt;
  if (trimmed.front() == '&') return ParseRadixLiteral(std::string_view(trimmed).substr(1));
  return ParseDecimal(trimmed);
}

double RoundHalfToEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1.0;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::u16string ToDecimalText(std::int64_t value) {
  const std::string narrow = std::to_string(value);
  return std::u16string(narrow.begin(), narrow.end());
}

}  // namespace tarvolk::engine
