#pragma once

#include <cstdint>

namespace tarvolk::dmx_interface {

std::int64_t MonotonicNs();
std::int64_t RealtimeUs();

// Sleeps until an absolute CLOCK_MONOTONIC time; returns early on a signal.
void SleepUntil(std::int64_t monotonicNs);

}  // namespace tarvolk::dmx_interface
