#include "fakes/fake_serial_port.h"

#include <algorithm>
#include <utility>

#include "platform/serial_port.h"

namespace tarvolk::fakes {

void FakeSerialPort::Step(const std::string& name, const std::string& event) {
  if (failingSteps.contains(name)) {
    log_.Add(event + " failed");
    throw platform::PlatformError(name + " refused");
  }
  log_.Add(event);
}

void FakeSerialPort::SetPortNumber(std::int16_t portNumber) {
  Step("SetPortNumber", "port.number " + std::to_string(portNumber));
  portNumber_ = portNumber;
}

void FakeSerialPort::SetSettings(std::string_view text) {
  Step("SetSettings", "port.settings " + std::string(text));
  settings = text;
}

void FakeSerialPort::SetReceiveThreshold(std::int16_t threshold) {
  Step("SetReceiveThreshold", "port.threshold " + std::to_string(threshold));
  receiveThreshold = threshold;
}

void FakeSerialPort::Open() {
  if (movedTo && deviceGone) {
    portNumber_ = *movedTo;
    deviceGone = false;
  }
  if (portNumber_ == 0 || heldPorts.contains(portNumber_) || deviceGone) {
    log_.Add("port.open failed");
    throw platform::PlatformError("no such port or port in use",
                                  platform::SystemError{2, u"Datei nicht gefunden."});
  }
  Step("Open", "port.open");
  open_ = true;
}

platform::SerialPort::OpenProgress FakeSerialPort::OpenInBackground() {
  if (pollsLeft_ < 0) pollsLeft_ = openingPolls;
  if (pollsLeft_-- > 0) return OpenProgress::kOpening;
  pollsLeft_ = -1;
  if (driverHoldsWrites) {
    throw platform::DriverHoldsWritesError("driver holds too many writes", portNumber_);
  }
  Open();
  return OpenProgress::kOpen;
}

void FakeSerialPort::Close(std::chrono::nanoseconds drainFor) {
  log_.Add("port.close");
  lastDrain = drainFor;
  open_ = false;
  pollsLeft_ = -1;
  unreported_ = 0;
}

std::size_t FakeSerialPort::CollectFinishedWrites() {
  if (finishedWritesFail && unreported_ > 0) {
    unreported_ = 0;
    if (deviceGone) {
      throw platform::PortLostError("device gone after it took a write",
                                    platform::PortLostError::Cause::kDeviceGone);
    }
    throw platform::PlatformError("write failed after it was taken");
  }
  return std::exchange(unreported_, 0);
}

std::size_t FakeSerialPort::Write(std::span<const std::uint8_t> bytes) {
  if (!open_ || failingSteps.contains("Write")) throw platform::PlatformError("write refused");
  if (deviceGone) {
    throw platform::PortLostError(
        "device gone", platform::PortLostError::Cause::kDeviceGone,
        platform::SystemError{22, u"Das Gerät erkennt den Befehl nicht."});
  }
  const std::size_t taken = Accept(bytes);
  unreported_ += taken;
  return taken;
}

std::size_t FakeSerialPort::Accept(std::span<const std::uint8_t> bytes) {
  const auto taken = std::min(bytes.size(), writeLimit);
  written.insert(written.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
  return taken;
}

}  // namespace tarvolk::fakes
