#include "engine/numeric_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace tarvolk::engine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Only plain ASCII can spell a number; anything else is rejected up front.
std::optional<std::string> ToTrimmedAscii(std::u16string_view text) {
  std::string ascii;
  ascii.reserve(text.size());
  for (const char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  const auto first = ascii.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string{};
  const auto last = ascii.find_last_not_of(" \t");
  return ascii.substr(first, last - first + 1);
}

std::optional<double> ParseRadixLiteral(std::string_view body) {
  // body starts after '&': "H1F" or "O17".
  if (body.size() < 2) return std::nullopt;
  const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(body[0])));
  const int base = kind == 'H' ? 16 : kind == 'O' ? 8 : 0;
  if (base == 0) return std::nullopt;
  std::uint32_t value = 0;
  const auto digits = body.substr(1);
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return static_cast<double>(value);
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

std::optional<double> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  const std::string_view mantissa = text.substr(0, i);

  std::int64_t exponent = 0;
  if (i < text.size()) {
    // The host's number syntax also writes the exponent with D.
    const char marker = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    if (marker != 'E' && marker != 'D') return std::nullopt;
    auto expText = text.substr(i + 1);
    if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
    const auto [end, error] =
        std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    if (expText.empty() || end != expText.data() + expText.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) {
      exponent = expText[0] == '-' ? -kExponentLimit : kExponentLimit;
    } else if (error != std::errc{}) {
      return std::nullopt;
    }
    exponent = Saturated(exponent);
  }

  const std::string normalized = std::string(mantissa) + "e" + std::to_string(exponent);
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(normalized.data(), normalized.data() + normalized.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = MagnitudeOf(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc{} || end != normalized.data() + normalized.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ParseNumber(std::u16string_view text) {
  const auto trimmed = ToTrimmedAscii(text);
  if (!trimmed || trimmed->empty()) return std::nullopt;
  if ((*trimmed)[0] == '&') return ParseRadixLiteral(std::string_view(*trimmed).substr(1));
  return ParseDecimal(*trimmed);
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
