#include "platform/line_settings.h"

#include <cmath>

#include "platform/whole_number.h"

namespace tarvolk::platform {
namespace {

std::string_view NextField(std::string_view& rest) {
  const auto comma = rest.find(',');
  const auto field = rest.substr(0, comma);
  rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  return field;
}

std::optional<int> ParseInt(std::string_view field) {
  const auto number = ReadWholeInteger<int>(field);
  if (!number || number->outOfRange) return std::nullopt;
  return number->value;
}

std::optional<Parity> ParseParity(std::string_view field) {
  if (field.size() != 1) return std::nullopt;
  switch (field[0]) {
    case 'N':
    case 'n':
      return Parity::kNone;
    case 'O':
    case 'o':
      return Parity::kOdd;
    case 'E':
    case 'e':
      return Parity::kEven;
    case 'M':
    case 'm':
      return Parity::kMark;
    case 'S':
    case 's':
      return Parity::kSpace;
    default:
      return std::nullopt;
  }
}

std::optional<double> ParseStopBits(std::string_view field) {
  if (field == "1") return 1.0;
  if (field == "1.5") return 1.5;
  if (field == "2") return 2.0;
  return std::nullopt;
}

}  // namespace

std::optional<LineSettings> LineSettings::Parse(std::string_view text) {
  std::string_view rest = text;
  const auto baud = ParseInt(NextField(rest));
  const auto parity = ParseParity(NextField(rest));
  const auto dataBits = ParseInt(NextField(rest));
  const auto stopBits = ParseStopBits(NextField(rest));
  if (!rest.empty() || !baud || !parity || !dataBits || !stopBits) return std::nullopt;
  if (*baud <= 0 || *dataBits < 4 || *dataBits > 8) return std::nullopt;
  return LineSettings{*baud, *parity, *dataBits, *stopBits};
}

double LineSettings::BitsPerByte() const {
  return 1.0 + dataBits + (parity == Parity::kNone ? 0.0 : 1.0) + stopBits;
}

double LineSettings::BytesPerSecond() const { return baud / BitsPerByte(); }

std::chrono::nanoseconds LineSettings::ByteTime() const {
  return std::chrono::nanoseconds(std::llround(1e9 / BytesPerSecond()));
}

}  // namespace tarvolk::platform
