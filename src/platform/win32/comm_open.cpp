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

std::shared_ptr<BackgroundOpen> BackgroundOpen::Start(CommDriver& driver, std::int16_t number,
                                                      const LineSettings& settings) {
  auto attempt = std::make_shared<BackgroundOpen>(driver);
  const bool started = driver.RunAside([attempt, number, settings] {
    HANDLE port = INVALID_HANDLE_VALUE;
    try {
      port = OpenCommPort(attempt->driver_, number, settings);
    } catch (const std::exception&) {
      // A failed try; the starter tries again later.
    }
    attempt->Finish(port);
  });
  if (!started) return nullptr;
  return attempt;
}

void BackgroundOpen::Finish(HANDLE port) {
  port_ = port;
  if (stage_.exchange(Stage::kFinished) == Stage::kAbandoned) {
    if (port != INVALID_HANDLE_VALUE) driver_.Close(port);
    letGo_ = true;
  } else if (port == INVALID_HANDLE_VALUE) {
    letGo_ = true;
  }
}

HANDLE BackgroundOpen::TakePort() {
  if (!Finished()) return INVALID_HANDLE_VALUE;
  letGo_ = true;
  return std::exchange(port_, INVALID_HANDLE_VALUE);
}

void BackgroundOpen::Abandon() {
  if (stage_.exchange(Stage::kAbandoned) != Stage::kFinished) return;
  // Finished already: the port, if it opened, is ours to close.
  if (port_ != INVALID_HANDLE_VALUE) driver_.Close(std::exchange(port_, INVALID_HANDLE_VALUE));
  letGo_ = true;
}

}  // namespace tarvolk::platform::win32
