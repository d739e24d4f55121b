#include "platform/whole_number.h"

#include <charconv>
#include <cstdint>
#include <memory>

namespace tarvolk::platform {
namespace {

template <class T, class... Format>
std::optional<WholeNumber<T>> Read(std::string_view text, Format... format) {
  WholeNumber<T> number;
  // The end comes from the view itself, so no reading ever runs past it.
  const char* const last = std::to_address(text.end());
  const auto [end, error] = std::from_chars(text.data(), last, number.value, format...);
  if (end != last || error == std::errc::invalid_argument) return std::nullopt;
  number.outOfRange = error == std::errc::result_out_of_range;
  return number;
}

}  // namespace

template <class T>
std::optional<WholeNumber<T>> ReadWholeInteger(std::string_view text, int base) {
  return Read<T>(text, base);
}

template std::optional<WholeNumber<int>> ReadWholeInteger(std::string_view, int);
template std::optional<WholeNumber<std::int64_t>> ReadWholeInteger(std::string_view, int);
template std::optional<WholeNumber<std::uint32_t>> ReadWholeInteger(std::string_view, int);

std::optional<WholeNumber<double>> ReadWholeDouble(std::string_view text) {
  return Read<double>(text);
}

}  // namespace tarvolk::platform
