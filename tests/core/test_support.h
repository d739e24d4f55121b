#pragma once

#include <string>
#include <vector>

#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "fakes/fake_platform.h"
#include "plugin/cls_output_driver.h"

namespace tarvolk::testing {

// Test texts are ASCII apart from a few umlauts; enough to name a case.
inline std::string Printable(std::u16string_view text) {
  std::string printable = "\"";
  for (const char16_t c : text) printable += c < 0x80 ? static_cast<char>(c) : '?';
  return printable + "\"";
}

// A driver on a record of its own, with every platform object faked.
struct DriverFixture {
  fakes::FakePlatform platform;
  engine::DriverState state{platform};
  plugin::clsOutputDriver driver{state};

  engine::frmMain& engineWindow() { return state.EngineWindow(); }
  fakes::FakeSerialPort& port() {
    engineWindow();
    return *platform.port;
  }
  fakes::FakeTimer& timer() {
    engineWindow();
    return *platform.timer;
  }
  const std::vector<std::string>& events() const { return platform.log.Events(); }
  // One tick, and the bytes it put on the line.
  std::vector<std::uint8_t> TickAndTakeWritten() {
    port().written.clear();
    platform.clock.Advance(std::chrono::milliseconds(timer().IntervalMs()));
    timer().Fire();
    return port().written;
  }
};

}  // namespace tarvolk::testing
