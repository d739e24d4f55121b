#pragma once

#include <windows.h>

#include <functional>
#include <map>

namespace tarvolk::bench {

// The host's message loop: dispatches everything (the plug-in's timer ticks
// arrive as messages to its hidden window) and calls back the thread timers
// the bench sets itself.
class MessageLoop {
 public:
  MessageLoop() = default;
  ~MessageLoop();
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  void AddTimer(UINT periodMs, std::function<void()> onTick);
  // Pumps until the wall clock (UnixMicroseconds) reaches deadlineUs.
  void RunUntil(long long deadlineUs);
  // Handles what is queued now, without waiting.
  void RunPending();

 private:
  std::map<UINT_PTR, std::function<void()>> timers_;
};

}  // namespace tarvolk::bench
