#pragma once

#include <cstdint>
#include <random>

namespace tarvolk::bench {

// The show's k-th change (k from 0): channels are set in sweeps 1..N, and
// sweep q writes the value (q + 1) mod 256 to every channel. A frame then
// holds channels 1..r at one value and r+1..N at the value before it, which
// says how many changes it carries; the analysis (bench/analysis) reads it
// back that way. Before the first change every channel is 0.
struct ShowChange {
  std::int32_t channel;
  std::int32_t value;
};
ShowChange ShowChangeAt(std::int64_t k, std::int32_t channels);

// Gaps between changes, spread evenly over [gap/2, 3 gap/2] so that changes
// fall at every phase of the driver's ticks; the same sequence every run.
class ChangeGaps {
 public:
  explicit ChangeGaps(std::int64_t meanUs) : spread_(meanUs / 2, meanUs + meanUs / 2) {}
  std::int64_t Next() { return spread_(random_); }

 private:
  std::mt19937 random_{20240601};
  std::uniform_int_distribution<std::int64_t> spread_;
};

}  // namespace tarvolk::bench
