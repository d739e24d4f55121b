#pragma once

#include <chrono>

#include "platform/clock.h"

namespace tarvolk::platform {

// The standard library's monotonic clock; good on every platform we build for.
class SteadyClock final : public Clock {
 public:
  Duration Now() const override {
    return std::chrono::duration_cast<Duration>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
};

}  // namespace tarvolk::platform
