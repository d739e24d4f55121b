#include "model_show.h"

#include <algorithm>

#include "engine/frm_main.h"

namespace tarvolk::drivers {

Show::Show() { NewThread(); }

Show::~Show() { EndThread(); }

void Show::EndThread() {
  driver_.reset();
  state_.reset();
  platform_.timer = nullptr;
  platform_.view = platform_.listingView = nullptr;
}

void Show::NewThread() {
  EndThread();
  state_ = std::make_unique<engine::DriverState>(platform_);
  driver_ = std::make_unique<plugin::clsOutputDriver>(*state_);
  state_->PortNumber = 1;
}

void Show::CloseDialog(const std::u16string& channelCount, int portIndex) {
  platform_.closeAttempts = {{channelCount, portIndex}};
  driver_->Configure();
}

void Show::ShowDialog(std::function<void()> whileShown, const fakes::CloseAttempt& close) {
  platform_.whileShown = std::move(whileShown);
  platform_.closeAttempts = {close};
  driver_->Configure();
  platform_.whileShown = nullptr;
}

Duration Show::TickInterval() const {
  if (!platform_.timer) return kClockTick;
  const Duration asked = std::chrono::milliseconds(platform_.timer->IntervalMs());
  return (asked + kClockTick - Duration(1)) / kClockTick * kClockTick;
}

bool Show::Enable(std::int32_t channels) {
  if (!driver_->Enable()) return false;
  return driver_->SetChannel(channels, ++value_);
}

void Show::Run(Duration span) {
  const Duration end = Now() + span;
  const Duration interval = TickInterval();
  Duration next = (Now() / kClockTick + 1) * kClockTick;
  while (next < end) {
    platform_.clock.Set(std::max(next, Now()));
    const Duration before = Now();
    // Values move on between frames, as in a show.
    driver_->SetChannel(1, ++value_);
    // No timer until the host first uses the engine on this thread.
    if (platform_.timer) platform_.timer->Fire();
    const Duration held = Now() - before;
    tickHold += held;
    longestTickHold = std::max(longestTickHold, held);
    platform_.model->RunAsideWork();
    if (platform_.listingView) platform_.listingView->Collect();
    next = std::max(next + interval, (Now() / kClockTick + 1) * kClockTick);
  }
  platform_.clock.Set(std::max(end, Now()));
}

dmx_interface::DecoderCounts Show::Decoded() const {
  const DriverModel& model = *platform_.model;
  return fakes::DecodeWire(model.Wire(), model.ByteTime(), Duration::max());
}

}  // namespace tarvolk::drivers
