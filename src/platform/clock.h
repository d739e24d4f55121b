#pragma once

#include <chrono>

namespace tarvolk::platform {

// A monotonic clock; its origin is arbitrary.
class Clock {
 public:
  using Duration = std::chrono::nanoseconds;
  virtual ~Clock() = default;
  virtual Duration Now() const = 0;
};

}  // namespace tarvolk::platform
