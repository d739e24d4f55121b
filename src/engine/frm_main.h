#pragma once

#include "engine/frame_transmitter.h"
#include "engine/serial_link.h"

namespace tarvolk::platform {
class Platform;
}

namespace tarvolk::engine {

class DriverState;

// The hidden engine window: it owns the serial link and the send timer, so
// both live as long as the thread's record, independent of plug-in objects.
class frmMain {
 public:
  frmMain(DriverState& state, platform::Platform& platform);

  SerialLink MSComm1;
  FrameTransmitter timSend;
};

}  // namespace tarvolk::engine
