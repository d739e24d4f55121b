#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/line_settings.h"
#include "platform/platform_error.h"
#include "platform/serial_adapter.h"
#include "platform/serial_port.h"
#include "platform/win32/serial/comm_open.h"

namespace tarvolk::platform::win32::serial {

// What a port knows of its USB adapter, to follow it to another number and
// never take another device for it: the adapter and the ports alike to it,
// sighted when the port opened and noted again while it stays open, every
// kRenewEvery by a listing beside the port's thread. So a device of the same
// chip plugged in during the show is known as another's, also when it leaves
// with ours (a hub that loses power) and comes back first. A listing that no
// longer shows the port with its adapter is dropped.
class AdapterWatch {
 public:
  using Duration = std::chrono::nanoseconds;
  static constexpr Duration kRenewEvery = std::chrono::seconds(2);
  // How often a lost port's adapter is looked for under other numbers:
  // listing the devices takes milliseconds.
  static constexpr Duration kSearchEvery = std::chrono::seconds(1);

  explicit AdapterWatch(CommDriver& driver);

  // The port opened with this sighting (none: a port that is no USB
  // adapter's, or one Windows did not list yet, which a later listing sights).
  void Opened(std::optional<AdapterSighting> sighting);
  // While the port `number` is open, at every tick: takes what a listing
  // found and starts the next when due. Never waits, not even for a listing
  // that hangs.
  void Tend(std::int16_t number);
  // The port closed or was lost: a listing under way is not taken, since the
  // devices it sees after the loss may be ours back under another number.
  void Closed();

  // What the next try to reopen port `number` is to do: the first try after
  // a loss notes the alike ports present, later ones look for the adapter,
  // at most every kSearchEvery.
  BackgroundOpen::Request NextTry(std::int16_t number, const LineSettings& settings);
  // A try ended, with the sighting as it left it.
  void TryEnded(std::optional<AdapterSighting> sighting) { sighting_ = std::move(sighting); }

  const std::optional<AdapterSighting>& Sighting() const { return sighting_; }
  // Why the neighbours are not known as they are now, while the port is
  // open; nothing once a listing succeeded in full.
  const std::optional<NeighboursTrouble>& Trouble() const { return trouble_; }

 private:
  struct Listing;  // shared with the listing's thread, which may outlive this

  void Learn(std::int16_t number, const std::vector<PresentPort>& present);
  void StartListing(Duration now);

  CommDriver& driver_;
  std::optional<AdapterSighting> sighting_;
  std::optional<NeighboursTrouble> trouble_;
  std::optional<Duration> lastSearch_;
  std::shared_ptr<Listing> listing_;
  Duration nextListingAt_{0};
  // False once a listing showed the port as no USB adapter's.
  bool watching_ = true;
};

}  // namespace tarvolk::platform::win32::serial
