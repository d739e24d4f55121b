#pragma once

#include <optional>
#include <string_view>

namespace tarvolk::platform {

// A number that is the whole of a text.
template <class T>
struct WholeNumber {
  T value{};
  // The text spells a number, but not one that T holds (value is then 0).
  bool outOfRange = false;
};

// The text read with std::from_chars as one integer of type T in the given
// base (int, std::int64_t and std::uint32_t), or as one double; nothing when it
// holds anything else, an empty text included.
template <class T>
std::optional<WholeNumber<T>> ReadWholeInteger(std::string_view text, int base = 10);
std::optional<WholeNumber<double>> ReadWholeDouble(std::string_view text);

}  // namespace tarvolk::platform
