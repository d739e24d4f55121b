#include "rate_meter.h"

#include <gtest/gtest.h>

namespace tarvolk::dmx_interface {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kMs = 1'000'000;

TEST(RateMeter, AYoungMeterDividesByItsAge) {
  RateMeter meter(2 * kSecond, 10 * kSecond);
  EXPECT_EQ(meter.PerSecond(10 * kSecond), 0.0);
  meter.Add(10 * kSecond + 500 * kMs, 30);
  EXPECT_DOUBLE_EQ(meter.PerSecond(11 * kSecond), 30.0);
}

TEST(RateMeter, FollowsASteadyRateOverItsWindow) {
  for (const std::uint64_t perEvent : {1u, 13u, 257u}) {
    RateMeter meter(2 * kSecond, 0);
    std::int64_t t = 0;
    for (; t <= 5 * kSecond; t += 10 * kMs) meter.Add(t, perEvent);  // 100 events a second
    const double expected = 100.0 * static_cast<double>(perEvent);
    EXPECT_NEAR(meter.PerSecond(t), expected, 0.01 * expected);
  }
}

TEST(RateMeter, ForgetsWhatLeftTheWindow) {
  RateMeter meter(2 * kSecond, 0);
  for (std::int64_t t = 0; t < 3 * kSecond; t += 10 * kMs) meter.Add(t, 1);
  EXPECT_NEAR(meter.PerSecond(4 * kSecond), 49.5, 1.0);  // only the last second remains
  EXPECT_EQ(meter.PerSecond(6 * kSecond), 0.0);
}

TEST(SpanRate, NeedsTwoEventsApartInTime) {
  SpanRate rate;
  EXPECT_FALSE(rate.PerSecond());
  rate.Add(kSecond, 10);
  EXPECT_FALSE(rate.PerSecond());
  rate.Add(kSecond, 10);
  EXPECT_FALSE(rate.PerSecond());
}

TEST(SpanRate, LeavesOutTheFirstEventsAmount) {
  SpanRate rate;
  rate.Add(1 * kSecond, 500);
  rate.Add(2 * kSecond, 10);
  rate.Add(3 * kSecond, 10);
  EXPECT_DOUBLE_EQ(rate.SpanSeconds(), 2.0);
  ASSERT_TRUE(rate.PerSecond());
  EXPECT_DOUBLE_EQ(*rate.PerSecond(), 10.0);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
