#include "token_bucket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "line_format.h"

namespace tarvolk::dmx_interface {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kMs = 1'000'000;
constexpr std::int64_t kByteFloorNs = 572'916;  // one byte lasts 11 / 19200 s = 572916.67 ns
constexpr std::size_t kDepth = 16;

TokenBucket LineBucket(std::int64_t startNs = 0) {
  return TokenBucket(kBaud, kBitsPerByte, kDepth, startNs);
}

// Takes everything allowed at each of `times`; returns the bytes taken.
std::uint64_t DrainAt(TokenBucket& bucket, const std::vector<std::int64_t>& times) {
  std::uint64_t taken = 0;
  for (const std::int64_t t : times) {
    const std::size_t n = bucket.Available(t);
    bucket.Take(n);
    taken += n;
  }
  return taken;
}

std::vector<std::int64_t> Every(std::int64_t periodNs, std::int64_t fromNs, std::int64_t toNs) {
  std::vector<std::int64_t> times;
  for (std::int64_t t = fromNs; t < toNs; t += periodNs) times.push_back(t);
  times.push_back(toNs);
  return times;
}

TEST(TokenBucket, StartsEmptyAndEarnsOneByteAfterOneByteTime) {
  TokenBucket bucket = LineBucket(5 * kSecond);
  EXPECT_EQ(bucket.Available(5 * kSecond), 0u);
  EXPECT_EQ(bucket.Available(5 * kSecond + kByteFloorNs), 0u);
  EXPECT_EQ(bucket.Available(5 * kSecond + kByteFloorNs + 1), 1u);
}

TEST(TokenBucket, HoldsTheLineRateWithoutDriftOverALongRun) {
  for (const std::int64_t period : {2 * kMs, kByteFloorNs + 1, 7 * kMs}) {
    TokenBucket bucket = LineBucket();
    const std::uint64_t taken = DrainAt(bucket, Every(period, period, 3600 * kSecond));
    // 19200 / 11 bytes a second exactly: 6283636.36 in an hour.
    EXPECT_EQ(taken, 6'283'636u) << "period " << period;
  }
}

TEST(TokenBucket, IdleTimeEarnsNoMoreThanTheDepth) {
  TokenBucket bucket = LineBucket();
  EXPECT_EQ(bucket.Available(10 * kSecond), kDepth);
  EXPECT_EQ(bucket.Available(1'000'000 * kSecond), kDepth);  // and does not overflow
}

TEST(TokenBucket, ALateReadWithinTheDepthLosesNothing) {
  TokenBucket steady = LineBucket();
  TokenBucket late = LineBucket();
  std::vector<std::int64_t> lateReads = {2 * kMs, 4 * kMs};  // then an 8 ms gap
  const auto rest = Every(2 * kMs, 12 * kMs, 100 * kMs);
  lateReads.insert(lateReads.end(), rest.begin(), rest.end());
  EXPECT_EQ(DrainAt(late, lateReads), DrainAt(steady, Every(2 * kMs, 2 * kMs, 100 * kMs)));
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
