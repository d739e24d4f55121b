#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_error.h"

namespace tarvolk::platform {

// Windows' device tree, as far as telling which USB adapter a COM port
// belongs to needs it (SetupAPI and CfgMgr). Nodes are only valid while
// their devices are present. Callable from any thread.
class DeviceTree {
 public:
  using Node = std::uint32_t;

  // A present device that carries a COM port: its node, the port's name as
  // Windows stores it ("COM7"), and Device Manager's name for the device
  // ("USB Serial Port (COM7)"; empty when it has none).
  struct PortNode {
    Node node = 0;
    std::u16string portName;
    std::u16string friendlyName;
  };

  // The ports a listing found, and why it found no more when Windows listed
  // one device class and refused the other.
  struct PortNodeList {
    std::vector<PortNode> nodes;
    std::optional<PlatformError> partly = std::nullopt;
  };

  // Whether a listing reads Device Manager's names, which costs two more
  // lookups a device and serves only the dialog's list.
  enum class Names { kSkipped, kRead };

  virtual ~DeviceTree() = default;

  // The present devices of the Ports and the Modem class (some USB CDC
  // devices list their port as a modem) that name a port; with kSkipped
  // their friendlyName stays empty. Throws PlatformError when Windows
  // refuses to list them and lists none.
  virtual PortNodeList PortNodes(Names names) = 0;
  // "USB\VID_0403&PID_6001\A50285BI"; nothing when the node has gone.
  virtual std::optional<std::u16string> InstanceId(Node node) = 0;
  // Nothing at the root, or when the node has gone.
  virtual std::optional<Node> Parent(Node node) = 0;
};

}  // namespace tarvolk::platform
