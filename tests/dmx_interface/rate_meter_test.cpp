#include "rate_meter.h"

#include <gtest/gtest.h>

namespace tarvolk::dmx_interface {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kMs = 1'000'000;

TEST(RateMeter, DividesByItsAgeUntilTheWindowIsFull) {
  RateMeter meter(2 * kSecond, 10 * kSecond);
  EXPECT_EQ(meter.PerSecond(10 * kSecond), 0.0);
  meter.Add(10 * kSecond + 500 * kMs, 30);
  EXPECT_DOUBLE_EQ(meter.PerSecond(11 * kSecond), 30.0);
}

TEST(RateMeter, CountsOnlyWhatIsInsideTheWindow) {
  RateMeter meter(2 * kSecond, 0);
  for (std::int64_t t = 0; t < 3 * kSecond; t += 10 * kMs) meter.Add(t, 13);  // 100 a second
  EXPECT_DOUBLE_EQ(meter.PerSecond(3 * kSecond), 199 * 13 / 2.0);             // (1 s, 3 s)
  EXPECT_DOUBLE_EQ(meter.PerSecond(4 * kSecond), 99 * 13 / 2.0);  // only (2 s, 3 s) remains
  EXPECT_EQ(meter.PerSecond(6 * kSecond), 0.0);
}

TEST(SpanRate, NeedsTwoEventsApartInTime) {
  SpanRate rate;
  EXPECT_FALSE(rate.PerSecond());
  rate.Add(kSecond, 10);
  rate.Add(kSecond, 10);
  EXPECT_FALSE(rate.PerSecond());
}

TEST(SpanRate, LeavesOutTheFirstEventsAmount) {
  SpanRate rate;
  rate.Add(1 * kSecond, 500);
  rate.Add(2 * kSecond, 10);
  rate.Add(3 * kSecond, 10);
  EXPECT_DOUBLE_EQ(rate.SpanSeconds(), 2.0);
  EXPECT_DOUBLE_EQ(rate.PerSecond().value_or(0), 10.0);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
