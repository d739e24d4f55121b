#include "engine/numeric_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "test_support.h"

namespace tarvolk::engine {
namespace {

struct NumberCase {
  const char16_t* text;
  std::optional<double> value;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << testing::Printable(c.text); }

class ParseNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberTest, ReadsWhatTheUserMeantOrRefuses) {
  const auto& [text, expected] = GetParam();
  const auto parsed = ParseNumber(text);
  ASSERT_EQ(parsed.has_value(), expected.has_value());
  if (expected) {
    EXPECT_EQ(*parsed, *expected);
  }
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTest,
    ::testing::Values(NumberCase{u"254.4", 254.4}, NumberCase{u"-0.4", -0.4},
                      NumberCase{u"12", 12.0}, NumberCase{u" 7", 7.0}, NumberCase{u"7  ", 7.0},
                      NumberCase{u"19.9", 19.9}, NumberCase{u"&H5", 5.0}, NumberCase{u"&O7", 7.0},
                      NumberCase{u"1e5x", std::nullopt}, NumberCase{u"&X5", std::nullopt},
                      NumberCase{u"+3", 3.0}, NumberCase{u".5", 0.5}, NumberCase{u"5.", 5.0},
                      NumberCase{u"5.e1", 50.0}, NumberCase{u"1e2", 100.0},
                      NumberCase{u"1E+2", 100.0}, NumberCase{u"25e-1", 2.5},
                      NumberCase{u"1D2", 100.0}, NumberCase{u"&H10", 16.0},
                      NumberCase{u"&h1f", 31.0}, NumberCase{u"&O17", 15.0},
                      NumberCase{u"1e400", kInfinity}, NumberCase{u"-1e400", -kInfinity},
                      NumberCase{u"1e-400", 0.0}, NumberCase{u"abc", std::nullopt},
                      NumberCase{u"", std::nullopt}, NumberCase{u"   ", std::nullopt},
                      NumberCase{u"1,5", std::nullopt}, NumberCase{u"12abc", std::nullopt},
                      NumberCase{u"1 2", std::nullopt}, NumberCase{u"1e", std::nullopt},
                      NumberCase{u"e5", std::nullopt}, NumberCase{u"-", std::nullopt},
                      NumberCase{u".", std::nullopt}, NumberCase{u"&H", std::nullopt},
                      NumberCase{u"&HG", std::nullopt}, NumberCase{u"&H123456789", std::nullopt},
                      NumberCase{u"\u00FC", std::nullopt}, NumberCase{u"--1", std::nullopt},
                      // Exponents at and beyond the limits of 32- and 64-bit integers.
                      NumberCase{u"1e2147483647", kInfinity}, NumberCase{u"1e-2147483648", 0.0},
                      NumberCase{u"1e9223372036854775807", kInfinity},
                      NumberCase{u"-1e9223372036854775807", -kInfinity},
                      NumberCase{u"1e-9223372036854775808", 0.0},
                      NumberCase{u"1e99999999999999999999", kInfinity},
                      NumberCase{u"1e-99999999999999999999", 0.0}));

// Thousands of digits: the digit count shifts the magnitude by as much.
TEST(ParseNumberTest, ReadsLongDigitStrings) {
  const std::u16string zeros(5000, u'0');
  EXPECT_EQ(ParseNumber(u"1" + zeros), kInfinity);
  EXPECT_EQ(ParseNumber(u"1" + zeros + u"e-5000"), 1.0);
  EXPECT_EQ(ParseNumber(u"0." + zeros + u"1"), 0.0);
  EXPECT_EQ(ParseNumber(u"0." + zeros + u"1e5001"), 1.0);
  // Out of range either way: the leading zeros, not the exponent's sign, decide which.
  EXPECT_EQ(ParseNumber(u"0." + zeros + u"1e10"), 0.0);
  EXPECT_EQ(ParseNumber(zeros + u"1e-400"), 0.0);
  EXPECT_EQ(ParseNumber(u"0.1" + zeros + u"e310"), kInfinity);
  EXPECT_EQ(ParseNumber(u"0." + zeros + u"1e9223372036854775807"), kInfinity);
  EXPECT_EQ(ParseNumber(u"1" + zeros + u"e-9223372036854775808"), 0.0);
}

TEST(RoundHalfToEvenTest, TiesGoToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {
      {12.5, 12.0}, {13.5, 14.0}, {0.5, 0.0},   {1.5, 2.0},     {2.5, 2.0},
      {-0.5, 0.0},  {-1.5, -2.0}, {-2.5, -2.0}, {254.4, 254.0}, {254.6, 255.0},
      {-0.4, 0.0},  {-0.6, -1.0}, {7.0, 7.0},   {1e300, 1e300}, {-kInfinity, -kInfinity}};
  for (const auto& [value, rounded] : cases) {
    EXPECT_EQ(RoundHalfToEven(value), rounded) << value;
  }
}

TEST(ToDecimalTextTest, WritesPlainDecimals) {
  EXPECT_EQ(ToDecimalText(0), u"0");
  EXPECT_EQ(ToDecimalText(254), u"254");
  EXPECT_EQ(ToDecimalText(-3), u"-3");
}

}  // namespace
}  // namespace tarvolk::engine
