#include "token_bucket.h"

#include <algorithm>

namespace tarvolk::dmx_interface {

namespace {
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
}  // namespace

TokenBucket::TokenBucket(std::int64_t bitsPerSecond, std::int64_t bitsPerToken,
                         std::size_t depthTokens, std::int64_t nowNs)
    : bitsPerSecond_(bitsPerSecond),
      tokenCost_(bitsPerToken * kNsPerSecond),
      capacity_(static_cast<std::int64_t>(depthTokens) * tokenCost_),
      lastNs_(nowNs) {}

std::size_t TokenBucket::Available(std::int64_t nowNs) {
  const std::int64_t elapsed = std::max<std::int64_t>(nowNs - lastNs_, 0);
  lastNs_ = std::max(nowNs, lastNs_);
  // Compare before multiplying so a long pause cannot overflow.
  const std::int64_t room = capacity_ - credit_;
  credit_ = elapsed >= room / bitsPerSecond_ + 1
                ? capacity_
                : std::min(capacity_, credit_ + elapsed * bitsPerSecond_);
  return static_cast<std::size_t>(credit_ / tokenCost_);
}

void TokenBucket::Take(std::size_t tokens) {
  credit_ -= static_cast<std::int64_t>(tokens) * tokenCost_;
}

void TokenBucket::Restart(std::int64_t nowNs) {
  credit_ = 0;
  lastNs_ = nowNs;
}

std::int64_t TokenBucket::ReadyAt(std::size_t tokens) const {
  const std::int64_t missing = static_cast<std::int64_t>(tokens) * tokenCost_ - credit_;
  if (missing <= 0) return lastNs_;
  return lastNs_ + (missing + bitsPerSecond_ - 1) / bitsPerSecond_;
}

}  // namespace tarvolk::dmx_interface
