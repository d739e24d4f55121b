#include "platform/win32/win32_platform.h"

#include "platform/steady_clock.h"
#include "platform/win32/config_window.h"
#include "platform/win32/engine_window.h"
#include "platform/win32/file_journal.h"
#include "platform/win32/modal_message_box.h"
#include "platform/win32/registry_settings.h"
#include "platform/win32/serial/comm_port.h"
#include "platform/win32/serial/windows_comm_driver.h"
#include "platform/win32/window_timer.h"

namespace tarvolk::platform::win32 {
namespace {

class Win32Platform final : public Platform {
 public:
  std::unique_ptr<SerialPort> CreateSerialPort() override {
    return std::make_unique<serial::CommPort>(serial::WindowsCommDriver::Instance());
  }

  std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override {
    return std::make_unique<WindowTimer>(engineWindow_, std::move(onTick));
  }

  std::unique_ptr<ConfigView> CreateConfigView(ConfigViewEvents& events) override {
    return std::make_unique<ConfigWindow>(events);
  }

  Clock& MonotonicClock() override { return clock_; }
  MessageBox& MessageBoxes() override { return messageBox_; }
  SettingsStore& Settings() override { return settings_; }
  Journal& Record() override { return journal_; }

 private:
  EngineWindow engineWindow_;
  SteadyClock clock_;
  ModalMessageBox messageBox_;
  RegistrySettings settings_;
  FileJournal journal_;
};

}  // namespace

std::unique_ptr<Platform> CreateWin32Platform() { return std::make_unique<Win32Platform>(); }

}  // namespace tarvolk::platform::win32
