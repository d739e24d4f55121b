#pragma once

#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/config_view.h"
#include "platform/journal.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/timer.h"

namespace tarvolk::platform {

// Everything the core needs from the operating system, for one thread.
// Objects it creates belong to that thread.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual std::unique_ptr<SerialPort> CreateSerialPort() = 0;
  // A stopped timer; onTick runs on this thread at every tick.
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
  virtual std::unique_ptr<ConfigView> CreateConfigView(ConfigViewEvents& events) = 0;

  virtual Clock& MonotonicClock() = 0;
  virtual MessageBox& MessageBoxes() = 0;
  virtual SettingsStore& Settings() = 0;
  virtual Journal& Record() = 0;
};

// The process installs one factory (the component at load time, the tests at
// start-up); every thread that uses the library gets a platform from it.
using PlatformFactory = std::unique_ptr<Platform> (*)();
void InstallPlatformFactory(PlatformFactory factory);
// Throws PlatformError when no factory is installed.
std::unique_ptr<Platform> CreatePlatform();

}  // namespace tarvolk::platform
