#pragma once

#include <optional>
#include <vector>

#include "platform/device_tree.h"
#include "platform/port_listing.h"
#include "platform/serial_adapter.h"

namespace tarvolk::platform {

// The USB adapter a port's device belongs to, found by walking up from the
// port's node to the USB device: through the USB-serial bus drivers' own
// nodes (FTDIBUS\...) and one interface of a composite device (USB\...&MI_01),
// never past a node of another vendor and product. A port under any other
// enumerator (Bluetooth, ACPI, PCI, software, root) has no adapter: a
// Bluetooth port's walk would otherwise end at the PC's own USB radio.
std::optional<SerialAdapter> AdapterAbove(DeviceTree& tree, DeviceTree::Node port);

// The COM ports present, each with its adapter. Ports named otherwise than
// COM1 to COM255 (a printer's LPT1) are left out. When Windows listed only
// part of them, `partly` (if given) learns why.
std::vector<PresentPort> ListPresentPorts(DeviceTree& tree,
                                          std::optional<PlatformError>* partly = nullptr);

// The COM ports present with Device Manager's names for them, in the order
// Windows lists them; named as ListPresentPorts names them.
std::vector<NamedPort> ListNamedPorts(DeviceTree& tree,
                                      std::optional<PlatformError>* partly = nullptr);

}  // namespace tarvolk::platform
