#include "engine/frm_main.h"

#include "engine/driver_state.h"
#include "platform/platform.h"

namespace tarvolk::engine {

frmMain::frmMain(DriverState& state, platform::Platform& platform)
    : journal_(platform.Record()),
      MSComm1(platform.CreateSerialPort(), platform.MonotonicClock(), journal_),
      timSend(state, MSComm1, platform, journal_) {
  MSComm1.OnPortMoved(
      [&state](std::int16_t number) { state.PortNumber = static_cast<std::uint8_t>(number); });
}

}  // namespace tarvolk::engine
