#include "clocks.h"

#include <time.h>

namespace tarvolk::dmx_interface {

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;

timespec Read(clockid_t clock) {
  timespec now{};
  ::clock_gettime(clock, &now);
  return now;
}

}  // namespace

std::int64_t MonotonicNs() {
  const timespec now = Read(CLOCK_MONOTONIC);
  return std::int64_t{now.tv_sec} * kNsPerSecond + now.tv_nsec;
}

std::int64_t RealtimeUs() {
  const timespec now = Read(CLOCK_REALTIME);
  return std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

void SleepUntil(std::int64_t monotonicNs) {
  const timespec deadline{static_cast<time_t>(monotonicNs / kNsPerSecond),
                          static_cast<long>(monotonicNs % kNsPerSecond)};
  ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
}

}  // namespace tarvolk::dmx_interface
