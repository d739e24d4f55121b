#pragma once

#include <vector>

#include "platform/serial_adapter.h"

namespace tarvolk::platform::win32 {

// The COM ports present as devices of the Ports class, each with the USB
// adapter it belongs to, found by walking up the device tree to the USB
// device node (an FTDI port hangs below its own bus driver's node, one
// interface of a composite device below the device). A port that is no USB
// device has no adapter; under Wine, whose ports are mapped files, there are
// none. Anything SetupAPI refuses leaves that port, or the list, out.
std::vector<PresentPort> ListPresentPorts();

}  // namespace tarvolk::platform::win32
