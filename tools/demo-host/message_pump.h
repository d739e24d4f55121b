#pragma once

#include <chrono>
#include <functional>

namespace tarvolk::demo_host {

struct PumpResult {
  // A WM_QUIT ended it early (the message is posted again for the caller).
  bool quit = false;
  // The longest any one message took to handle, the plug-in's ticks among them.
  std::chrono::microseconds slowestMessage{0};
};

// Does what every host does between its calls: pumps the thread's messages
// (the plug-in's timer ticks arrive that way) for the given time, calling
// onTick from a timer of its own every period.
PumpResult PumpMessages(std::chrono::milliseconds duration, std::chrono::milliseconds period,
                        const std::function<void()>& onTick);

}  // namespace tarvolk::demo_host
