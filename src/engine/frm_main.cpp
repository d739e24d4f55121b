#include "engine/frm_main.h"

#include "platform/platform.h"

namespace tarvolk::engine {

frmMain::frmMain(DriverState& state, platform::Platform& platform)
    : MSComm1(platform.CreateSerialPort(), platform.MonotonicClock()),
      timSend(state, MSComm1, platform) {}

}  // namespace tarvolk::engine
