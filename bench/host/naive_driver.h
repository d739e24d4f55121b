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

  std::uint64_t FramesWritten() const { return framesWritten_; }
  // Wall time spent inside WriteFile, in microseconds: the host is stuck there.
  long long BlockedUs() const { return blockedUs_; }

 private:
  HANDLE port_;
  std::vector<std::uint8_t> channels_;
  std::uint64_t framesWritten_ = 0;
  long long blockedUs_ = 0;
};

}  // namespace tarvolk::bench
