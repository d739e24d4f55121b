#pragma once

namespace tarvolk::platform::win32 {

// Armed timers and open ports, counted across the process: while any is
// live, Windows may still call into this library (a tick, a write finishing),
// so it must not be unloaded.
bool AnyResourceLive();

// One resource's part in that count: it counts while the flag is up.
class LiveFlag {
 public:
  LiveFlag() = default;
  ~LiveFlag() { Lower(); }
  LiveFlag(const LiveFlag&) = delete;
  LiveFlag& operator=(const LiveFlag&) = delete;

  void Raise();
  void Lower();
  bool IsUp() const { return up_; }

 private:
  bool up_ = false;
};

}  // namespace tarvolk::platform::win32
