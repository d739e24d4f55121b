#pragma once

#include <memory>

#include "fakes/event_log.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_config_view.h"
#include "fakes/fake_journal.h"
#include "fakes/fake_message_box.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_settings_store.h"
#include "fakes/fake_timer.h"
#include "platform/platform.h"

namespace tarvolk::fakes {

// Hands out fakes that share one event log and keeps a view of each, so that
// a test can drive the timer and look at the port after the core created them.
class FakePlatform : public platform::Platform {
 public:
  std::unique_ptr<platform::SerialPort> CreateSerialPort() override;
  std::unique_ptr<platform::Timer> CreateTimer(std::function<void()> onTick) override;
  std::unique_ptr<platform::ConfigView> CreateConfigView(
      platform::ConfigViewEvents& events) override;
  platform::Clock& MonotonicClock() override { return clock; }
  platform::MessageBox& MessageBoxes() override { return messages; }
  platform::SettingsStore& Settings() override { return settings; }
  platform::Journal& Record() override { return journal; }

  EventLog log;
  FakeClock clock;
  FakeMessageBox messages{log};
  FakeSettingsStore settings;
  FakeJournal journal;
  FakeSerialPort* port = nullptr;
  FakeTimer* timer = nullptr;
  FakeConfigView* view = nullptr;
  // What the user does in the configuration window, attempt by attempt.
  std::deque<CloseAttempt> closeAttempts;
  // Runs inside the window's modal loop, before the first close attempt.
  std::function<void()> whileShown;
  int serialPortsCreated = 0;
  int timersCreated = 0;
  int viewsCreated = 0;

 protected:
  // The serial port to hand out; a simulation overrides it.
  virtual std::unique_ptr<FakeSerialPort> MakeSerialPort();
};

}  // namespace tarvolk::fakes
