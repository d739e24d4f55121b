#include "platform/win32/comm_open.h"

#include <string>
#include <utility>

#include "platform/platform_error.h"
#include "platform/win32/comm_line.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32 {

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

std::shared_ptr<BackgroundOpen> BackgroundOpen::Start(CommDriver& driver, const Request& request) {
  auto attempt = std::make_shared<BackgroundOpen>(driver);
  if (!driver.RunAside([attempt, request] { attempt->Run(request); })) return nullptr;
  return attempt;
}

void BackgroundOpen::Run(const Request& request) {
  try {
    try {
      Finish({OpenCommPort(driver_, request.number, request.settings), request.number});
      return;
    } catch (const PlatformError& error) {
      failure_ = error;
    }
    if (!request.follow) return Finish({});
    const auto moved = FindMovedAdapter(*request.follow, request.number, driver_.PresentPorts());
    if (!moved) return Finish({});
    Finish({OpenCommPort(driver_, *moved, request.settings), *moved});
  } catch (const std::exception&) {
    // The port did not open where it was, nor where its adapter went.
    Finish({});
  }
}

void BackgroundOpen::Finish(OpenedPort port) {
  port_ = port;
  if (stage_.exchange(Stage::kFinished) == Stage::kAbandoned) {
    if (port.handle != INVALID_HANDLE_VALUE) driver_.Close(port.handle);
    letGo_ = true;
  } else if (port.handle == INVALID_HANDLE_VALUE) {
    letGo_ = true;
  }
}

OpenedPort BackgroundOpen::TakePort() {
  if (!Finished()) return {};
  letGo_ = true;
  if (port_.handle == INVALID_HANDLE_VALUE) {
    throw failure_.value_or(PlatformError("the port did not open"));
  }
  return std::exchange(port_, OpenedPort{});
}

void BackgroundOpen::Abandon() {
  if (stage_.exchange(Stage::kAbandoned) != Stage::kFinished) return;
  // Finished already: the port, if it opened, is ours to close.
  if (port_.handle != INVALID_HANDLE_VALUE) driver_.Close(std::exchange(port_, {}).handle);
  letGo_ = true;
}

}  // namespace tarvolk::platform::win32
