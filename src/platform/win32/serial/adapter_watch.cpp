#include "platform/win32/serial/adapter_watch.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/device_walk.h"

namespace tarvolk::platform::win32::serial {

struct AdapterWatch::Listing {
  std::mutex mutex;
  bool running = false;
  // What the listing found, or why Windows refused it: then nothing is learnt.
  std::optional<std::vector<PresentPort>> answer;
  std::optional<PlatformError> failure;
};

AdapterWatch::AdapterWatch(CommDriver& driver)
    : driver_(driver), listing_(std::make_shared<Listing>()) {}

void AdapterWatch::Opened(std::optional<AdapterSighting> sighting) {
  sighting_ = std::move(sighting);
  lastSearch_.reset();
  watching_ = true;
  nextListingAt_ = driver_.Now() + kRenewEvery;
}

void AdapterWatch::Closed() { listing_ = std::make_shared<Listing>(); }

void AdapterWatch::Tend(std::int16_t number) {
  std::optional<std::vector<PresentPort>> present;
  bool running = false;
  {
    const std::lock_guard lock(listing_->mutex);
    present = std::exchange(listing_->answer, std::nullopt);
    if (listing_->failure) trouble_ = std::exchange(listing_->failure, std::nullopt);
    running = listing_->running;
  }
  if (present) {
    trouble_.reset();
    sighting_ = sighting_ ? Renewed(*sighting_, 0, *present) : SightAdapter(number, *present);
    watching_ =
        sighting_ || std::none_of(present->begin(), present->end(),
                                  [number](const auto& port) { return port.number == number; });
  }
  const Duration now = driver_.Now();
  if (!watching_ || running || now < nextListingAt_) return;
  nextListingAt_ = now + kRenewEvery;
  listing_->running = true;
  CommDriver& driver = driver_;
  const bool started = driver.RunAside([&driver, listing = listing_] {
    std::optional<std::vector<PresentPort>> ports;
    std::optional<PlatformError> failure;
    try {
      ports = ListPresentPorts(driver.Devices());
    } catch (const PlatformError& error) {
      failure = error;
    } catch (const std::exception& error) {
      failure = PlatformError(error.what());
    }
    const std::lock_guard lock(listing->mutex);
    listing->answer = std::move(ports);
    listing->failure = std::move(failure);
    listing->running = false;
  });
  if (!started) listing_->running = false;
}

BackgroundOpen::Request AdapterWatch::NextTry(std::int16_t number, const LineSettings& settings) {
  const Duration now = driver_.Now();
  const bool renew = sighting_ && !lastSearch_;
  const bool follow =
      sighting_ && !renew && now - lastSearch_.value_or(Duration{0}) >= kSearchEvery;
  if (renew || follow) lastSearch_ = now;
  return {number, settings, sighting_, follow, renew};
}

}  // namespace tarvolk::platform::win32::serial
