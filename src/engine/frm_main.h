#pragma once

#include "engine/frame_transmitter.h"
#include "engine/port_journal.h"
#include "engine/serial_link.h"

namespace tarvolk::platform {
class Platform;
}

namespace tarvolk::engine {

class DriverState;

// The hidden engine window: it owns the serial link and the send timer, so
// both live as long as the thread's record, independent of plug-in objects.
// A port that followed its adapter to another number becomes PortNumber, so
// the dialog shows it and Term stores it.
class frmMain {
  // First, as the link and the timer write to it until they go.
  PortJournal journal_;

 public:
  frmMain(DriverState& state, platform::Platform& platform);

  SerialLink MSComm1;
  FrameTransmitter timSend;
};

}  // namespace tarvolk::engine
