#include "token_bucket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "line_format.h"

namespace tarvolk::dmx_interface {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kMs = 1'000'000;
// One byte on the line lasts 11 / 19200 s = 572916.67 ns.
constexpr std::int64_t kByteFloorNs = 572'916;
constexpr std::size_t kDepth = 16;

TokenBucket LineBucket(std::int64_t startNs = 0) {
  return TokenBucket(kBaud, kBitsPerByte, kDepth, startNs);
}

// Reads everything allowed every `periodNs` for `durationNs`; returns the bytes taken.
std::uint64_t DrainEvery(TokenBucket& bucket, std::int64_t periodNs, std::int64_t durationNs) {
  std::uint64_t taken = 0;
  for (std::int64_t t = periodNs;; t += periodNs) {
    const std::size_t n = bucket.Available(std::min(t, durationNs));
    bucket.Take(n);
    taken += n;
    if (t >= durationNs) return taken;
  }
}

TEST(TokenBucket, StartsEmptyAndEarnsOneByteAfterOneByteTime) {
  TokenBucket bucket = LineBucket(5 * kSecond);
  EXPECT_EQ(bucket.Available(5 * kSecond), 0u);
  EXPECT_EQ(bucket.Available(5 * kSecond + kByteFloorNs), 0u);
  EXPECT_EQ(bucket.Available(5 * kSecond + kByteFloorNs + 1), 1u);
}

TEST(TokenBucket, HoldsTheLineRateWithoutDriftOverALongRun) {
  struct Case {
    std::int64_t periodNs;
    std::int64_t durationNs;
  };
  for (const Case c : {Case{2 * kMs, 1000 * kSecond}, Case{kByteFloorNs + 1, 100 * kSecond},
                       Case{7 * kMs, 3600 * kSecond}}) {
    TokenBucket bucket = LineBucket();
    const std::uint64_t taken = DrainEvery(bucket, c.periodNs, c.durationNs);
    // 19200 / 11 bytes per second exactly, less at most the byte still in progress.
    const std::uint64_t exact =
        static_cast<std::uint64_t>(c.durationNs / kSecond * kBaud / kBitsPerByte);
    EXPECT_LE(taken, exact) << "period " << c.periodNs;
    EXPECT_GE(taken + 1, exact) << "period " << c.periodNs;
  }
}

TEST(TokenBucket, IdleTimeEarnsNoMoreThanTheDepth) {
  TokenBucket bucket = LineBucket();
  EXPECT_EQ(bucket.Available(10 * kSecond), kDepth);
  EXPECT_EQ(bucket.Available(1'000'000 * kSecond), kDepth);  // no overflow either
  bucket.Take(kDepth);
  EXPECT_EQ(bucket.Available(1'000'000 * kSecond), 0u);
}

TEST(TokenBucket, ALateReadWithinTheDepthLosesNothing) {
  TokenBucket steady = LineBucket();
  TokenBucket late = LineBucket();
  std::uint64_t steadyTaken = DrainEvery(steady, 2 * kMs, 100 * kMs);
  std::vector<std::int64_t> lateReads = {2 * kMs, 4 * kMs, 12 * kMs};  // 8 ms gap
  for (std::int64_t t = 14 * kMs; t <= 100 * kMs; t += 2 * kMs) lateReads.push_back(t);
  std::uint64_t lateTaken = 0;
  for (const std::int64_t t : lateReads) {
    const std::size_t n = late.Available(t);
    late.Take(n);
    lateTaken += n;
  }
  EXPECT_EQ(lateTaken, steadyTaken);
}

TEST(TokenBucket, ReadyAtIsTheFirstInstantTheTokensAreThere) {
  TokenBucket bucket = LineBucket();
  bucket.Take(bucket.Available(3 * kMs));
  for (const std::size_t want : {std::size_t{1}, std::size_t{4}, kDepth}) {
    const std::int64_t ready = bucket.ReadyAt(want);
    TokenBucket probe = bucket;
    EXPECT_LT(probe.Available(ready - 1), want);
    EXPECT_EQ(probe.Available(ready), want);
  }
}

TEST(TokenBucket, ReadyAtIsNowWhenEnoughIsThere) {
  TokenBucket bucket = LineBucket();
  ASSERT_EQ(bucket.Available(50 * kMs), kDepth);
  EXPECT_EQ(bucket.ReadyAt(kDepth), 50 * kMs);
}

TEST(TokenBucket, RestartEmptiesTheBucketFromThatInstant) {
  TokenBucket bucket = LineBucket();
  ASSERT_EQ(bucket.Available(kSecond), kDepth);
  bucket.Restart(2 * kSecond);
  EXPECT_EQ(bucket.Available(2 * kSecond), 0u);
  EXPECT_EQ(bucket.Available(2 * kSecond + 4 * kByteFloorNs + 3), 4u);
}

TEST(TokenBucket, TimeGoingBackwardsEarnsNothing) {
  TokenBucket bucket = LineBucket(kSecond);
  bucket.Take(bucket.Available(kSecond + 4 * kMs));
  EXPECT_EQ(bucket.Available(kSecond), 0u);
  EXPECT_EQ(bucket.Available(kSecond + 4 * kMs), 0u);
}

}  // namespace
}  // namespace tarvolk::dmx_interface
