#pragma once

#include <windows.h>

#include <vector>

namespace tarvolk::bench {

// How often a window timer of a given period really ticks in this process: a
// thread of its own runs one and counts, so that it neither disturbs the
// host's thread nor waits behind the plug-in's ticks there.
class TickProbe {
 public:
  explicit TickProbe(UINT periodMs);
  ~TickProbe();
  TickProbe(const TickProbe&) = delete;
  TickProbe& operator=(const TickProbe&) = delete;

  struct Ticks {
    unsigned long count = 0;
    long long firstUs = 0;
    long long lastUs = 0;
    std::vector<long long> intervalsUs;  // from each tick to the next
  };
  // Stops the timer; the ticks it saw.
  Ticks Stop();

 private:
  static DWORD WINAPI Run(void* self);

  UINT periodMs_;
  HANDLE ready_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  Ticks ticks_;
};

}  // namespace tarvolk::bench
