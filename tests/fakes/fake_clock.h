#pragma once

#include "platform/clock.h"

namespace tarvolk::fakes {

class FakeClock final : public platform::Clock {
 public:
  Duration Now() const override { return now_; }
  void Advance(Duration by) { now_ += by; }
  void Set(Duration to) { now_ = to; }

 private:
  Duration now_{std::chrono::seconds(1000)};
};

}  // namespace tarvolk::fakes
