#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/line_settings.h"
#include "platform/platform_error.h"
#include "platform/serial_adapter.h"
#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::platform::win32::serial {

// The buffers a port asks its driver for: the control's defaults.
inline constexpr DWORD kInputBufferSize = 1024;
inline constexpr DWORD kOutputBufferSize = 512;

// Opens COM port `number` exclusively for overlapped output with the line as
// the settings say. Throws PlatformError when the port does not exist, is 0,
// is held elsewhere or refuses its line.
HANDLE OpenCommPort(CommDriver& driver, std::int16_t number, const LineSettings& settings);

// The USB adapter behind port `number` and the ports alike beside it, as the
// device tree shows them now; nothing when it is none, or the tree cannot be
// read.
std::optional<AdapterSighting> SightAdapterAt(CommDriver& driver, std::int16_t number);

// The clocks just before a port opened, against which a sleep since shows.
struct OpenMark {
  std::chrono::nanoseconds at{0};      // CommDriver::Now
  std::chrono::nanoseconds asleep{0};  // CommDriver::TimeAsleep
};

// An open port, the number it is on, its adapter as sighted when it opened,
// and the clocks just before it opened.
struct OpenedPort {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::int16_t number = 0;
  std::optional<AdapterSighting> sighting;
  OpenMark mark;
};

// Opens port `number` as OpenCommPort does, noting the clocks before.
OpenedPort OpenPortAt(CommDriver& driver, std::int16_t number, const LineSettings& settings);

// One try to open a port again on a thread of its own, so that a driver that
// takes seconds to open (a Bluetooth port, a sleeping USB device) never holds
// up the thread the host's windows run on. It opens the port first, so that
// a returning adapter carries output again without waiting for a listing of
// the devices. When the port does not open, the first try after a loss notes
// the ports alike to the adapter present then, and a try that is to follow
// the adapter looks for it under another number and opens it there. The try
// and its starter share this; whichever of them is last to let go of the
// port closes it.
class BackgroundOpen {
 public:
  struct Request {
    std::int16_t number = 0;
    LineSettings settings;
    // The port's adapter as sighted when it last opened; the port's
    // AdapterWatch notes its neighbours again once the port is open.
    std::optional<AdapterSighting> sighting;
    // Whether to look for that adapter under other numbers.
    bool follow = false;
    // Whether to note, once the port did not open, the ports alike to the
    // adapter present then: the first try after a loss, so that a device of
    // its kind plugged in just before is never taken for it.
    bool renew = false;
  };

  // Nothing when no thread could be started.
  static std::shared_ptr<BackgroundOpen> Start(CommDriver& driver, const Request& request);

  BackgroundOpen(CommDriver& driver, Request request)
      : driver_(driver), request_(std::move(request)) {}

  const Request& Asked() const { return request_; }
  // The number of the port it is opening or holds, from the start of the
  // open until it hands the port over or has closed it; 0 while it holds none.
  std::int16_t Holding() const { return holding_.load(); }
  bool Finished() const { return stage_.load() == Stage::kFinished; }
  // Once finished: whether it has a port to hand over.
  bool Opened() const { return Finished() && port_.handle != INVALID_HANDLE_VALUE; }
  // Once finished: the adapter's sighting as the try left it.
  const std::optional<AdapterSighting>& Sighting() const { return sighting_; }
  // Once finished: the open port; throws the try's PlatformError when it
  // failed. Only the first call gets the port.
  OpenedPort TakePort();
  // Once finished: its port when it opened `number`, or was to reopen
  // `number` and found its adapter elsewhere, with `settings`; any other is
  // closed. Nothing when it opened none.
  std::optional<OpenedPort> TakePortAsAsked(std::int16_t number, const LineSettings& settings);
  // The starter no longer wants the port: one already opened is closed at
  // once, one still being opened as soon as it opens, and no other number
  // is opened any more, also once it is reclaimed. Never waits.
  void Abandon();
  // The starter wants the port after all: true when the abandoned try is
  // still under way, which then keeps its port for TakePort again; false
  // when it has ended and let go of the port.
  bool Reclaim();

 private:
  enum class Stage { kRunning, kFinished, kAbandoned };

  void Run();
  void FollowTheAdapter();
  OpenedPort OpenAt(std::int16_t number);
  void Finish(OpenedPort port);

  CommDriver& driver_;
  const Request request_;
  // Written before stage_ becomes kFinished.
  OpenedPort port_;
  std::optional<PlatformError> failure_;
  std::optional<AdapterSighting> sighting_;
  std::atomic<Stage> stage_{Stage::kRunning};
  std::atomic<bool> givenUp_{false};
  // Its own port from the start: the starter may look before the thread runs.
  std::atomic<std::int16_t> holding_{request_.number};
};

}  // namespace tarvolk::platform::win32::serial
