#include "platform/win32/serial/adapter_watch.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/device_walk.h"
#include "platform/port_listing.h"

namespace tarvolk::platform::win32::serial {

struct AdapterWatch::Listing {
  std::mutex mutex;
  bool running = false;
  Duration startedAt{0};
  // What the listing found, and why it found nothing or only part.
  std::optional<std::vector<PresentPort>> answer;
  std::optional<NeighboursTrouble> trouble;
};

namespace {

NeighboursTrouble TroubleOf(NeighboursTrouble::Kind kind, const PlatformError& error) {
  return {kind, error.System()};
}

}  // namespace

AdapterWatch::AdapterWatch(CommDriver& driver)
    : driver_(driver), listing_(std::make_shared<Listing>()) {}

void AdapterWatch::Opened(std::optional<AdapterSighting> sighting) {
  sighting_ = std::move(sighting);
  trouble_.reset();
  lastSearch_.reset();
  watching_ = true;
  nextListingAt_ = driver_.Now() + kRenewEvery;
}

void AdapterWatch::Closed() { listing_ = std::make_shared<Listing>(); }

void AdapterWatch::Tend(std::int16_t number) {
  std::optional<std::vector<PresentPort>> present;
  std::optional<NeighboursTrouble> trouble;
  bool running = false;
  Duration startedAt{0};
  {
    const std::lock_guard lock(listing_->mutex);
    present = std::exchange(listing_->answer, std::nullopt);
    trouble = std::exchange(listing_->trouble, std::nullopt);
    running = listing_->running;
    startedAt = listing_->startedAt;
  }
  if (present || trouble) trouble_ = trouble;
  if (present) Learn(number, *present);
  const Duration now = driver_.Now();
  if (running) {
    // A listing that hangs keeps its thread; none starts after it until it ends.
    if (now - startedAt >= kListingAnswerBound) trouble_ = {NeighboursTrouble::Kind::kUnanswered};
    return;
  }
  if (!watching_ || now < nextListingAt_) return;
  nextListingAt_ = now + kRenewEvery;
  StartListing(now);
}

// A listing that no longer shows the open port with its adapter was made
// after the adapter was pulled: the devices it shows may be ours back under
// another number, which must never be filed as another's.
void AdapterWatch::Learn(std::int16_t number, const std::vector<PresentPort>& present) {
  const auto ours = std::find_if(present.begin(), present.end(), [number](const PresentPort& port) {
    return port.number == number;
  });
  if (!sighting_) {
    sighting_ = SightAdapter(number, present);
    // Listed without an adapter: a port that is no USB adapter's.
    watching_ = sighting_ || ours == present.end();
    return;
  }
  if (ours == present.end() || ours->adapter != sighting_->adapter) return;
  sighting_ = Renewed(*sighting_, 0, present);
}

void AdapterWatch::StartListing(Duration now) {
  {
    const std::lock_guard lock(listing_->mutex);
    listing_->running = true;
    listing_->startedAt = now;
  }
  CommDriver& driver = driver_;
  const bool started = driver.RunAside([&driver, listing = listing_] {
    std::optional<std::vector<PresentPort>> ports;
    std::optional<PlatformError> partly;
    std::optional<NeighboursTrouble> trouble;
    try {
      ports = ListPresentPorts(driver.Devices(), &partly);
      if (partly) trouble = TroubleOf(NeighboursTrouble::Kind::kPartly, *partly);
    } catch (const PlatformError& error) {
      trouble = TroubleOf(NeighboursTrouble::Kind::kRefused, error);
    } catch (const std::exception&) {
      trouble = NeighboursTrouble{NeighboursTrouble::Kind::kRefused};
    }
    const std::lock_guard lock(listing->mutex);
    listing->answer = std::move(ports);
    listing->trouble = std::move(trouble);
    listing->running = false;
  });
  if (started) return;
  const std::lock_guard lock(listing_->mutex);
  listing_->running = false;
  trouble_ = {NeighboursTrouble::Kind::kNoThread};
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
