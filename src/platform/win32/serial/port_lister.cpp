#include "platform/win32/serial/port_lister.h"

#include <exception>
#include <mutex>
#include <utility>

#include "platform/device_walk.h"

namespace tarvolk::platform::win32::serial {

struct PortLister::Shared {
  std::mutex mutex;
  bool running = false;
  bool again = false;
  bool overdueTold = false;
  CommDriver::Duration startedAt{0};
  std::optional<PortListing> answer;
};

PortLister::PortLister(CommDriver& driver) : driver_(driver), shared_(std::make_shared<Shared>()) {}

void PortLister::Request() {
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->answer.reset();
    if (shared_->running) {
      shared_->again = true;
      return;
    }
    shared_->running = true;
    shared_->overdueTold = false;
    shared_->startedAt = driver_.Now();
  }
  CommDriver& driver = driver_;
  if (driver.RunAside([&driver, shared = shared_] { Run(driver, *shared); })) return;
  const std::lock_guard lock(shared_->mutex);
  shared_->running = false;
  shared_->answer = PortListing{};
  shared_->answer->failure = PlatformError("no thread to list the ports on");
}

void PortLister::Run(CommDriver& driver, Shared& shared) {
  for (;;) {
    PortListing listing;
    try {
      listing.ports = ListNamedPorts(driver.Devices(), &listing.partly);
    } catch (const PlatformError& error) {
      listing.failure = error;
    } catch (const std::exception& error) {
      listing.failure = PlatformError(error.what());
    }
    const std::lock_guard lock(shared.mutex);
    shared.answer = std::move(listing);
    if (!std::exchange(shared.again, false)) {
      shared.running = false;
      return;
    }
    shared.overdueTold = false;
    shared.startedAt = driver.Now();
  }
}

std::optional<PortListing> PortLister::Take() {
  const std::lock_guard lock(shared_->mutex);
  if (shared_->answer) return std::exchange(shared_->answer, std::nullopt);
  if (shared_->running && !shared_->overdueTold &&
      driver_.Now() - shared_->startedAt >= kListingAnswerBound) {
    shared_->overdueTold = true;
    PortListing overdue;
    overdue.overdue = true;
    return overdue;
  }
  return std::nullopt;
}

bool PortLister::Waiting() const {
  const std::lock_guard lock(shared_->mutex);
  return shared_->running || shared_->answer.has_value();
}

}  // namespace tarvolk::platform::win32::serial
