#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tarvolk::platform {

// One serial port, shaped after the serial communications control the engine
// window hosts: a few properties and a non-blocking output.
// Every step may throw PlatformError; a failed step leaves the port as it was.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Port n is the n-th serial port ("COM1" for 1). Port 0 names no port:
  // setting it is accepted, opening it fails.
  virtual void SetPortNumber(std::int16_t portNumber) = 0;

  // Line settings as text, "baud,parity,data bits,stop bits" (see LineSettings).
  virtual void SetSettings(std::string_view settings) = 0;
  virtual void SetReceiveThreshold(std::int16_t threshold) = 0;

  // Opens the port exclusively with the current number and settings. Throws
  // PlatformError when the port does not exist, is 0 or is held elsewhere.
  virtual void Open() = 0;
  // Closes the port and discards whatever the operating system still queues.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Hands bytes to the operating system without waiting for the line.
  // Returns how many it took (possibly fewer than offered, possibly 0).
  // Throws PlatformError when the port is closed or the write fails.
  virtual std::size_t Write(std::span<const std::uint8_t> bytes) = 0;

  // Bytes the operating system still has to send, when it can tell
  // (a pseudo-terminal or an emulated port cannot; then nullopt).
  virtual std::optional<std::size_t> PendingOutputBytes() const = 0;
};

}  // namespace tarvolk::platform
