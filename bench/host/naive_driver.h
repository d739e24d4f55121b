#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tarvolk::bench {

// The simple way to drive the line, for comparison: a COM port opened plainly
// (no write timeouts, so a write waits while the port takes nothing), and at
// every tick the whole frame 'P', N + 1, 0x00, channels 1..N written one byte
// at a time, with no pacing and no regard for what is still queued.
class NaiveDriver {
 public:
  NaiveDriver(int portNumber, int channels);
  ~NaiveDriver();
  NaiveDriver(const NaiveDriver&) = delete;
  NaiveDriver& operator=(const NaiveDriver&) = delete;

  bool SetChannel(LONG channel, LONG value);
  void SendFrame();

  // When each frame was built, in order.
  const std::vector<long long>& FramesBuiltUs() const { return framesBuiltUs_; }
  // Wall time spent inside WriteFile, in microseconds: the host is stuck there.
  long long BlockedUs() const { return blockedUs_; }
  long long LongestBlockUs() const { return longestBlockUs_; }

 private:
  HANDLE port_;
  std::vector<std::uint8_t> channels_;
  std::vector<long long> framesBuiltUs_;
  long long blockedUs_ = 0;
  long long longestBlockUs_ = 0;
};

}  // namespace tarvolk::bench
