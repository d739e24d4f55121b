#include "rate_meter.h"

#include <algorithm>

namespace tarvolk::dmx_interface {

namespace {
constexpr double kNsPerSecond = 1e9;
}  // namespace

RateMeter::RateMeter(std::int64_t windowNs, std::int64_t startNs)
    : windowNs_(windowNs), startNs_(startNs) {}

void RateMeter::Add(std::int64_t nowNs, std::uint64_t amount) {
  samples_.push_back({nowNs, amount});
  inWindow_ += amount;
  Expire(nowNs);
}

double RateMeter::PerSecond(std::int64_t nowNs) {
  Expire(nowNs);
  const std::int64_t span = std::min(windowNs_, nowNs - startNs_);
  if (span <= 0) return 0.0;
  return static_cast<double>(inWindow_) * kNsPerSecond / static_cast<double>(span);
}

void RateMeter::Expire(std::int64_t nowNs) {
  while (!samples_.empty() && samples_.front().atNs <= nowNs - windowNs_) {
    inWindow_ -= samples_.front().amount;
    samples_.pop_front();
  }
}

void SpanRate::Add(std::int64_t nowNs, std::uint64_t amount) {
  if (!firstNs_) {
    firstNs_ = nowNs;
    firstAmount_ = amount;
  }
  lastNs_ = nowNs;
  total_ += amount;
}

double SpanRate::SpanSeconds() const {
  return firstNs_ ? static_cast<double>(lastNs_ - *firstNs_) / kNsPerSecond : 0.0;
}

std::optional<double> SpanRate::PerSecond() const {
  const double span = SpanSeconds();
  if (span <= 0.0) return std::nullopt;
  return static_cast<double>(total_ - firstAmount_) / span;
}

}  // namespace tarvolk::dmx_interface
