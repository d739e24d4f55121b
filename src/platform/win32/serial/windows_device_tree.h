#pragma once

#include "platform/device_tree.h"

namespace tarvolk::platform::win32::serial {

// Windows' device tree through SetupAPI and CfgMgr, each call passed straight
// through. It keeps no state, so one instance serves every thread. A device
// whose node or name Windows refuses is left out, a refused listing throws;
// under Wine, whose ports are mapped files, the list is empty.
class WindowsDeviceTree final : public DeviceTree {
 public:
  PortNodeList PortNodes(Names names) override;
  std::optional<std::u16string> InstanceId(Node node) override;
  std::optional<Node> Parent(Node node) override;
};

}  // namespace tarvolk::platform::win32::serial
