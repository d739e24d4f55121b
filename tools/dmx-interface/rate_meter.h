#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace tarvolk::dmx_interface {

// A live rate over a sliding window, for the display. Time is passed in.
class RateMeter {
 public:
  RateMeter(std::int64_t windowNs, std::int64_t startNs);

  void Add(std::int64_t nowNs, std::uint64_t amount);

  // Amount per second over the window ending at `nowNs`; while the meter is
  // younger than the window, over its age instead.
  double PerSecond(std::int64_t nowNs);

 private:
  struct Sample {
    std::int64_t atNs;
    std::uint64_t amount;
  };

  void Expire(std::int64_t nowNs);

  std::int64_t windowNs_;
  std::int64_t startNs_;
  std::deque<Sample> samples_;
  std::uint64_t inWindow_ = 0;
};

// The rate between a run's first and last event, for the results: the first
// event's amount arrived before the span starts, so it is left out.
class SpanRate {
 public:
  void Add(std::int64_t nowNs, std::uint64_t amount);

  double SpanSeconds() const;
  // Empty until two events lie apart in time.
  std::optional<double> PerSecond() const;

 private:
  std::uint64_t total_ = 0;
  std::uint64_t firstAmount_ = 0;
  std::optional<std::int64_t> firstNs_;
  std::int64_t lastNs_ = 0;
};

}  // namespace tarvolk::dmx_interface
