#pragma once

#include <functional>

#include "platform/timer.h"
#include "platform/win32/engine_window.h"
#include "platform/win32/live_resources.h"

namespace tarvolk::platform::win32 {

// timSend and its kind: a SetTimer timer on the engine window. Windows
// stretches periods below about 10 ms to its own granularity.
class WindowTimer final : public Timer {
 public:
  WindowTimer(EngineWindow& window, std::function<void()> onTick);
  ~WindowTimer() override;

  void SetIntervalMs(std::int32_t intervalMs) override;
  std::int32_t IntervalMs() const override { return intervalMs_; }
  void Start() override;
  void Stop() override;
  bool IsRunning() const override { return running_.IsUp(); }

 private:
  EngineWindow& window_;
  EngineWindow::TimerId id_;
  std::int32_t intervalMs_ = 1000;
  LiveFlag running_;
};

}  // namespace tarvolk::platform::win32
