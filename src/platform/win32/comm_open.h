#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/line_settings.h"
#include "platform/platform_error.h"
#include "platform/serial_adapter.h"
#include "platform/win32/comm_driver.h"

namespace tarvolk::platform::win32 {

// The buffers a port asks its driver for: the control's defaults.
inline constexpr DWORD kInputBufferSize = 1024;
inline constexpr DWORD kOutputBufferSize = 512;

// Opens COM port `number` exclusively for overlapped output with the line as
// the settings say. Throws PlatformError when the port does not exist, is 0,
// is held elsewhere or refuses its line.
HANDLE OpenCommPort(CommDriver& driver, std::int16_t number, const LineSettings& settings);

// An open port and the number it is on.
struct OpenedPort {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::int16_t number = 0;
};

// One try to open a port again on a thread of its own, so that a driver that
// takes seconds to open (a Bluetooth port, a sleeping USB device) never holds
// up the thread the host's windows run on. When the port does not open and
// the try is to follow an adapter, it looks for that adapter under another
// number and opens it there. The try and its starter share this; whichever
// of them is last to let go of the port closes it.
class BackgroundOpen {
 public:
  struct Request {
    std::int16_t number = 0;
    LineSettings settings;
    std::optional<SerialAdapter> follow;
  };

  // Nothing when no thread could be started.
  static std::shared_ptr<BackgroundOpen> Start(CommDriver& driver, const Request& request);

  bool Finished() const { return stage_.load() != Stage::kRunning; }
  // Once finished: the open port; throws the try's PlatformError when it
  // failed. Only the first call gets the port.
  OpenedPort TakePort();
  // The starter no longer wants the port: one already opened is closed at
  // once, one still being opened as soon as it opens. Never waits.
  void Abandon();
  // The try has ended and holds no port any more: it could not open it,
  // handed it over, or closed it after being abandoned.
  bool LetGo() const { return letGo_.load(); }

  explicit BackgroundOpen(CommDriver& driver) : driver_(driver) {}

 private:
  enum class Stage { kRunning, kFinished, kAbandoned };

  void Run(const Request& request);
  void Finish(OpenedPort port);

  CommDriver& driver_;
  // Written before stage_ leaves kRunning.
  OpenedPort port_;
  std::optional<PlatformError> failure_;
  std::atomic<Stage> stage_{Stage::kRunning};
  std::atomic<bool> letGo_{false};
};

}  // namespace tarvolk::platform::win32
