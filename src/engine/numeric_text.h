#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvolk::engine {

// The one reading of numbers typed by a user or kept in the settings store.
//
// A text is a number when, after optional blanks, it holds an optionally
// signed decimal with a point as separator and an optional exponent
// ("12", "-0.4", " 7", "1e2"), or a hexadecimal or octal literal ("&H10",
// "&O17"), followed only by blanks. Its value is that number. Anything else
// (an empty text, "abc", "1,5", "12abc") is not a number.
std::optional<double> ParseNumber(std::u16string_view text);

// Rounds to the nearest whole number, ties to the even neighbour (12.5 -> 12,
// 13.5 -> 14, -0.5 -> 0), as the host's conversions do.
double RoundHalfToEven(double value);

// Decimal text without leading zeros: 0 -> "0", 254 -> "254", -3 -> "-3".
std::u16string ToDecimalText(std::int64_t value);

}  // namespace tarvolk::engine
