#pragma once

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The ports present as Device Manager lists them (the Ports and Modem
// classes, present devices only), each with its name there, hardware ID,
// instance ID and its driver's provider, version and date. SetupAPI may take
// seconds (a Bluetooth radio waking up): the listing runs on a thread of its
// own, and one that gives no answer within 5 s is left to end by itself
// while the list says so.
PortList CollectPorts();

}  // namespace tarvolk::dmx_test
