#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "message_loop.h"

namespace tarvolk::bench {

struct ShowSettings {
  int channels = 10;
  double seconds = 10.0;
  long long meanGapUs = 5000;
};

// What a show did: when each change's call returned, and the process's CPU time.
struct ShowRecord {
  long long startUs = 0;
  long long endUs = 0;
  double cpuSeconds = 0.0;
  std::vector<long long> changeReturnedUs;
  unsigned long failedChanges = 0;
};

// Plays the show pattern (show_pattern.h) through setChannel at random gaps,
// pumping messages in between.
ShowRecord RunShow(const ShowSettings& settings, MessageLoop& loop,
                   const std::function<bool(LONG, LONG)>& setChannel);

// CPU seconds (user and kernel) this process has used.
double ProcessCpuSeconds();

// The record as "key value" lines and one "change K RETURNED_US" line a change.
void PrintShowRecord(const ShowRecord& record);

}  // namespace tarvolk::bench
