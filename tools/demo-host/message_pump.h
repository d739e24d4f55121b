#pragma once

#include <chrono>
#include <functional>

namespace tarvolk::demo_host {

// Does what every host does between its calls: pumps the thread's messages
// (the plug-in's timer ticks arrive that way) for the given time, calling
// onTick from a timer of its own every period. Returns false when a WM_QUIT
// ended it early (the message is posted again for the caller).
bool PumpMessages(std::chrono::milliseconds duration, std::chrono::milliseconds period,
                  const std::function<void()>& onTick);

}  // namespace tarvolk::demo_host
