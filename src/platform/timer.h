#pragma once

#include <cstdint>

namespace tarvolk::platform {

// A periodic timer owned by one thread. Ticks are delivered by that thread's
// event loop (also inside modal dialogs and message boxes), never in parallel
// with anything else on the thread. The platform may stretch short periods to
// its own granularity.
class Timer {
 public:
  virtual ~Timer() = default;

  // Period in milliseconds (1 to 65535). Changing it while running restarts
  // the period from now.
  virtual void SetIntervalMs(std::int32_t intervalMs) = 0;
  virtual std::int32_t IntervalMs() const = 0;

  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;
};

}  // namespace tarvolk::platform
