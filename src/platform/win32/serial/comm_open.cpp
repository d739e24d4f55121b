#include "platform/win32/serial/comm_open.h"

#include <string>
#include <utility>

#include "platform/device_walk.h"
#include "platform/platform_error.h"
#include "platform/win32/serial/comm_line.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32::serial {

HANDLE OpenCommPort(CommDriver& driver, std::int16_t number, const LineSettings& settings) {
  if (number <= 0) throw PlatformError("port " + std::to_string(number) + " names no port");
  const HANDLE port = driver.Open(L"\\\\.\\COM" + std::to_wstring(number));
  if (port == INVALID_HANDLE_VALUE) ThrowLastError("CreateFileW");
  try {
    // A driver that keeps its own buffer sizes still sends.
    driver.SetupComm(port, kInputBufferSize, kOutputBufferSize);
    ApplyLineState(driver, port, settings, kInputBufferSize);
    // Reads return at once; writes need no time limit, as overlapped writes never wait.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!driver.SetCommTimeouts(port, timeouts)) ThrowLastError("SetCommTimeouts");
  } catch (...) {
    driver.Close(port);
    throw;
  }
  // No purge: on a pseudo-terminal (Wine) it would also discard the previous
  // handle's last bytes before the far end has read them.
  return port;
}

// A port that opened stays open whatever the listing does.
std::optional<AdapterSighting> SightAdapterAt(CommDriver& driver, std::int16_t number) {
  try {
    return SightAdapter(number, ListPresentPorts(driver.Devices()));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

namespace {

// The sighting with the alike ports present now; as it was when they cannot
// be listed.
AdapterSighting RenewedAt(CommDriver& driver, const AdapterSighting& sighting,
                          std::int16_t lostNumber) {
  try {
    return Renewed(sighting, lostNumber, ListPresentPorts(driver.Devices()));
  } catch (const std::exception&) {
    return sighting;
  }
}

}  // namespace

OpenedPort OpenPortAt(CommDriver& driver, std::int16_t number, const LineSettings& settings) {
  // Before the open: a sleep during it may have come after the line was set.
  const OpenMark mark{driver.Now(), driver.TimeAsleep()};
  return {OpenCommPort(driver, number, settings), number, std::nullopt, mark};
}

std::shared_ptr<BackgroundOpen> BackgroundOpen::Start(CommDriver& driver, const Request& request) {
  auto attempt = std::make_shared<BackgroundOpen>(driver, request);
  if (!driver.RunAside([attempt] { attempt->Run(); })) return nullptr;
  return attempt;
}

void BackgroundOpen::Run() {
  sighting_ = request_.sighting;
  try {
    try {
      OpenedPort port = OpenAt(request_.number);
      port.sighting = sighting_;
      return Finish(std::move(port));
    } catch (const PlatformError& error) {
      failure_ = error;
    }
    // Given up (and maybe reclaimed by a starter that now opens the port
    // itself): it lists and opens nothing more.
    if (givenUp_.load()) return Finish({});
    if (request_.renew && sighting_) sighting_ = RenewedAt(driver_, *sighting_, request_.number);
    FollowTheAdapter();
  } catch (const std::exception&) {
    // The port did not open where it was, nor where its adapter went.
    Finish({});
  }
}

void BackgroundOpen::FollowTheAdapter() {
  if (!request_.follow || !sighting_) return Finish({});
  const std::vector<PresentPort> present = ListPresentPorts(driver_.Devices());
  const auto moved = FindMovedAdapter(*sighting_, request_.number, present);
  if (!moved) return Finish({});
  // Held before looking: a starter that let the try go may be opening that
  // port itself, and then takes the try back instead.
  holding_ = *moved;
  if (givenUp_.load()) return Finish({});
  OpenedPort port = OpenAt(*moved);
  port.sighting = SightAdapter(*moved, present);
  Finish(std::move(port));
}

// Holds the number while it opens, and lets go of it when the open fails.
OpenedPort BackgroundOpen::OpenAt(std::int16_t number) {
  holding_ = number;
  try {
    return OpenPortAt(driver_, number, request_.settings);
  } catch (...) {
    holding_ = 0;
    throw;
  }
}

// The number stays held until the starter takes the port, or it is closed.
void BackgroundOpen::Finish(OpenedPort port) {
  const bool opened = port.handle != INVALID_HANDLE_VALUE;
  port_ = std::move(port);
  const bool abandoned = stage_.exchange(Stage::kFinished) == Stage::kAbandoned;
  if (abandoned && opened) driver_.Close(std::exchange(port_, {}).handle);
  if (abandoned || !opened) holding_ = 0;
}

OpenedPort BackgroundOpen::TakePort() {
  if (!Finished()) return {};
  if (port_.handle == INVALID_HANDLE_VALUE) {
    throw failure_.value_or(PlatformError("the port did not open"));
  }
  OpenedPort taken = std::exchange(port_, OpenedPort{});
  holding_ = 0;
  return taken;
}

std::optional<OpenedPort> BackgroundOpen::TakePortAsAsked(std::int16_t number,
                                                          const LineSettings& settings) {
  if (!Opened()) return std::nullopt;
  OpenedPort opened = TakePort();
  const bool asked = opened.number == number || request_.number == number;
  if (asked && request_.settings == settings) return opened;
  driver_.Close(opened.handle);
  return std::nullopt;
}

void BackgroundOpen::Abandon() {
  givenUp_ = true;
  Stage expected = Stage::kRunning;
  if (stage_.compare_exchange_strong(expected, Stage::kAbandoned)) return;
  if (expected == Stage::kAbandoned) return;
  // Finished already: the port, if it opened, is ours to close.
  if (port_.handle != INVALID_HANDLE_VALUE) driver_.Close(std::exchange(port_, {}).handle);
  holding_ = 0;
}

bool BackgroundOpen::Reclaim() {
  Stage expected = Stage::kAbandoned;
  return stage_.compare_exchange_strong(expected, Stage::kRunning);
}

}  // namespace tarvolk::platform::win32::serial
