#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/line_settings.h"
#include "platform/win32/comm_driver.h"

namespace tarvolk::platform::win32 {

// The buffers a port asks its driver for: the control's defaults.
inline constexpr DWORD kInputBufferSize = 1024;
inline constexpr DWORD kOutputBufferSize = 512;

// Opens COM port `number` exclusively for overlapped output with the line as
// the settings say. Throws PlatformError when the port does not exist, is 0,
// is held elsewhere or refuses its line.
HANDLE OpenCommPort(CommDriver& driver, std::int16_t number, const LineSettings& settings);

// One try to open a port on a thread of its own, so that a driver that takes
// seconds to open (a Bluetooth port, a sleeping USB device) never holds up
// the thread the host's windows run on. The try and its starter share it;
// whichever of them is last to let go of the port's handle closes it.
class BackgroundOpen {
 public:
  // Nothing when no thread could be started.
  static std::shared_ptr<BackgroundOpen> Start(CommDriver& driver, std::int16_t number,
                                               const LineSettings& settings);

  bool Finished() const { return stage_.load() != Stage::kRunning; }
  // Once finished: the open port, or INVALID_HANDLE_VALUE when the try failed.
  // Only the first call gets it.
  HANDLE TakePort();
  // The starter no longer wants the port: one already opened is closed at
  // once, one still being opened as soon as it opens. Never waits.
  void Abandon();
  // The try has ended and holds no port any more: it could not open it,
  // handed it over, or closed it after being abandoned.
  bool LetGo() const { return letGo_.load(); }

  explicit BackgroundOpen(CommDriver& driver) : driver_(driver) {}

 private:
  enum class Stage { kRunning, kFinished, kAbandoned };

  void Finish(HANDLE port);

  CommDriver& driver_;
  HANDLE port_ = INVALID_HANDLE_VALUE;  // written before stage_ leaves kRunning
  std::atomic<Stage> stage_{Stage::kRunning};
  std::atomic<bool> letGo_{false};
};

}  // namespace tarvolk::platform::win32
