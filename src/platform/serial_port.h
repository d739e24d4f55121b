#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/platform_error.h"
#include "platform/serial_adapter.h"

namespace tarvolk::platform {

// The device behind an open port has gone (an adapter pulled out, a cable cut,
// a device reset): nothing written reaches it until the port is closed and
// opened again. Either a write failed and the port no longer answers (the
// system's error tells why), or the driver never finishes a write.
class PortLostError : public PlatformError {
 public:
  enum class Cause { kDeviceGone, kWriteHangs };
  PortLostError(const std::string& what, Cause cause,
                std::optional<SystemError> system = std::nullopt)
      : PlatformError(what, std::move(system)), cause_(cause) {}
  Cause WhatHappened() const { return cause_; }

 private:
  Cause cause_;
};

// A lost port cannot be reopened yet: the driver of the port `HeldOn` (this
// one, or one that holds so many that the process may keep no more) still
// holds every write given up on that it may keep, and every try would leave
// it more. Asked again later, it opens once that driver has let some go
// (typically when its adapter is plugged in again). Open, on the operator's
// word, still tries.
class DriverHoldsWritesError : public PlatformError {
 public:
  DriverHoldsWritesError(const std::string& what, std::int16_t heldOn)
      : PlatformError(what), heldOn_(heldOn) {}
  std::int16_t HeldOn() const { return heldOn_; }

 private:
  std::int16_t heldOn_;
};

// Why the devices beside a port's USB adapter are not known as they are now:
// while that lasts, a device of its chip plugged in meanwhile may pass for it
// after a loss.
struct NeighboursTrouble {
  enum class Kind {
    kRefused,     // Windows refused to list them
    kPartly,      // Windows listed one device class and refused the other
    kUnanswered,  // a listing has not returned within kListingAnswerBound
    kNoThread,    // no thread could be started to list them on
  };
  Kind kind = Kind::kRefused;
  std::optional<SystemError> system = std::nullopt;
  bool operator==(const NeighboursTrouble&) const = default;
};

// One serial port, shaped after the serial communications control the engine
// window hosts: a few properties and a non-blocking output.
// Every step may throw PlatformError; a failed step leaves the port as it was.
// Destroying a port closes it at once, without waiting for anything: that
// happens at thread exit, where nothing may wait.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Port n is the n-th serial port ("COM1" for 1). Port 0 names no port:
  // setting it is accepted, opening it fails.
  virtual void SetPortNumber(std::int16_t portNumber) = 0;
  // The number the port is on: the one set, or the one its adapter moved to
  // while it was being reopened.
  virtual std::int16_t PortNumber() const = 0;

  // Line settings as text, "baud,parity,data bits,stop bits" (see LineSettings).
  virtual void SetSettings(std::string_view settings) = 0;
  virtual void SetReceiveThreshold(std::int16_t threshold) = 0;

  // Opens the port exclusively with the current number and settings; when the
  // port's own try to reopen it has opened it, or the adapter it followed
  // under another number, takes that port; when the try is still opening it,
  // waits for that open. Throws PlatformError when the port does not exist,
  // is 0 or is held elsewhere.
  virtual void Open() = 0;

  enum class OpenProgress { kOpen, kOpening };
  // Opens the port again as Open does, without making the caller wait for a
  // driver that takes seconds: the first call starts opening it, later calls
  // tell how that goes; a failed try throws PlatformError, and the next call
  // starts another. A try may also find the port's USB adapter under another
  // number (see FindMovedAdapter) and open it there, at most once a second.
  // Throws DriverHoldsWritesError when the port is not to be reopened on its own.
  virtual OpenProgress OpenInBackground() = 0;

  // Closes the port once what was handed over has left the line, waiting at
  // most drainFor (with 0, not at all); whatever is still queued then is
  // discarded. Ends an open under way.
  virtual void Close(std::chrono::nanoseconds drainFor) = 0;
  virtual bool IsOpen() const = 0;
  // The USB adapter behind the open port and the ports alike beside it, when
  // it is one.
  virtual std::optional<AdapterSighting> Adapter() const = 0;

  // Hands bytes to the operating system without waiting for the line.
  // Returns how many it took (possibly fewer than offered, possibly 0).
  // Throws PortLostError when the device has gone, PlatformError when the
  // port is closed or the write fails otherwise.
  virtual std::size_t Write(std::span<const std::uint8_t> bytes) = 0;

  // What became of earlier writes: returns how many of their bytes the
  // operating system finished sending since the last call. Throws
  // PlatformError when the newest finished write failed, PortLostError when
  // the device has gone or a write hangs. Called at every tick while the
  // port is open.
  virtual std::size_t CollectFinishedWrites() = 0;
  // Whether the PC slept since the port opened: some USB-serial drivers keep
  // their handle then while the chip has lost its line settings, and take
  // every write into a silent or garbled line. Asked at every tick while the
  // port is open, before its writes: one the driver held across the sleep
  // looks hours old, and one it failed meanwhile tells nothing of the port.
  virtual bool SleptSinceOpen() = 0;

  // While the port is open: why the devices beside its adapter are not
  // known as they are now. Nothing once a listing succeeded, and for a port
  // that lists none.
  virtual const std::optional<NeighboursTrouble>& NeighboursUnknown() const {
    static const std::optional<NeighboursTrouble> none;
    return none;
  }
  // Why the operating system does not tell the port of the PC's sleeps, when
  // it refused to: the port then sees a sleep only by its clocks.
  virtual const std::optional<PlatformError>& SleepsUntold() const {
    static const std::optional<PlatformError> none;
    return none;
  }

  // Bytes the operating system still has to send, at least, when it can tell
  // (a pseudo-terminal or an emulated port cannot; then nullopt).
  virtual std::optional<std::size_t> PendingOutputBytes() const = 0;
};

}  // namespace tarvolk::platform
