#include "fakes/fake_platform.h"

namespace tarvolk::fakes {

std::unique_ptr<platform::SerialPort> FakePlatform::CreateSerialPort() {
  auto created = MakeSerialPort();
  port = created.get();
  ++serialPortsCreated;
  return created;
}

std::unique_ptr<FakeSerialPort> FakePlatform::MakeSerialPort() {
  return std::make_unique<FakeSerialPort>(log);
}

std::unique_ptr<platform::Timer> FakePlatform::CreateTimer(std::function<void()> onTick) {
  auto created = std::make_unique<FakeTimer>(log, std::move(onTick));
  timer = created.get();
  ++timersCreated;
  return created;
}

std::unique_ptr<platform::ConfigView> FakePlatform::CreateConfigView(
    platform::ConfigViewEvents& events) {
  auto created = std::make_unique<FakeConfigView>(log, events, closeAttempts, whileShown);
  view = created.get();
  ++viewsCreated;
  return created;
}

}  // namespace tarvolk::fakes
