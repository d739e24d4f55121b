#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvolk::dmx_interface {

// Paces reads to a line's speed. Time is passed in, never read here, so the
// bucket can be driven by a test clock. Credit is kept as an exact integer
// (elapsed ns times bits per second) so long runs do not drift. The depth is
// small on purpose: an idle line earns no credit beyond a few bytes.
class TokenBucket {
 public:
  TokenBucket(std::int64_t bitsPerSecond, std::int64_t bitsPerToken, std::size_t depthTokens,
              std::int64_t nowNs);

  // Whole tokens available at `nowNs` (which must not go backwards).
  std::size_t Available(std::int64_t nowNs);

  // Spends tokens; at most what Available last reported.
  void Take(std::size_t tokens);

  // Empties the bucket: a line that was idle starts delivering from `nowNs`.
  void Restart(std::int64_t nowNs);

  // The earliest time at which `tokens` (at most the depth) are available.
  std::int64_t ReadyAt(std::size_t tokens) const;

 private:
  std::int64_t bitsPerSecond_;
  std::int64_t tokenCost_;  // bitsPerToken * 1e9
  std::int64_t capacity_;   // depthTokens * tokenCost_
  std::int64_t credit_ = 0;
  std::int64_t lastNs_;
};

}  // namespace tarvolk::dmx_interface
