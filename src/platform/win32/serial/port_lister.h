#pragma once

#include <memory>
#include <optional>

#include "platform/port_listing.h"
#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::platform::win32::serial {

// Lists the COM ports present on a thread of its own: SetupAPI takes tens to
// hundreds of milliseconds on a PC with many devices, and seconds while a
// Bluetooth radio wakes up, and the host's thread waits for none of it. One
// listing runs at a time; asked again meanwhile, it lists once more when it
// ends. A listing that hangs keeps its thread, and none starts after it until
// it ends. The caller's thread collects the answers with Take.
class PortLister {
 public:
  explicit PortLister(CommDriver& driver);

  // Starts a listing, or another one after the one under way; an answer not
  // taken yet is dropped as stale. Never waits.
  void Request();
  // The answer of the latest listing that ended, once. A listing that runs
  // past kListingAnswerBound answers once as overdue, and later with its ports.
  std::optional<PortListing> Take();
  // Whether Take may still have an answer.
  bool Waiting() const;

 private:
  struct Shared;
  static void Run(CommDriver& driver, Shared& shared);

  CommDriver& driver_;
  // Shared with the listing's thread, which may outlive this.
  std::shared_ptr<Shared> shared_;
};

}  // namespace tarvolk::platform::win32::serial
