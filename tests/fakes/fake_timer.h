#pragma once

#include <functional>
#include <string>

#include "fakes/event_log.h"
#include "platform/platform_error.h"
#include "platform/timer.h"

namespace tarvolk::fakes {

// A timer that ticks only when the test says so.
class FakeTimer final : public platform::Timer {
 public:
  FakeTimer(EventLog& log, std::function<void()> onTick) : log_(log), onTick_(std::move(onTick)) {}

  void SetIntervalMs(std::int32_t intervalMs) override {
    log_.Add("timer.interval " + std::to_string(intervalMs));
    intervalMs_ = intervalMs;
  }
  std::int32_t IntervalMs() const override { return intervalMs_; }
  void Start() override {
    if (failStart) {
      log_.Add("timer.start failed");
      throw platform::PlatformError("no timer");
    }
    log_.Add("timer.start");
    running_ = true;
  }
  void Stop() override {
    log_.Add("timer.stop");
    running_ = false;
  }
  bool IsRunning() const override { return running_; }

  // One tick, delivered only while running, as the platform does.
  void Fire() {
    if (running_) onTick_();
  }

  bool failStart = false;

 private:
  EventLog& log_;
  std::function<void()> onTick_;
  std::int32_t intervalMs_ = 0;
  bool running_ = false;
};

}  // namespace tarvolk::fakes
