#pragma once

#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/platform_error.h"

namespace tarvolk::fakes {

// A device's instance IDs as Windows builds them, from a port's own node up.
using Nodes = std::vector<std::u16string>;

inline const Nodes kFt232r{u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
                           u"USB\\VID_0403&PID_6001\\A50285BI"};
inline const Nodes kBuiltInUart{u"ACPI\\PNP0501\\1", u"ACPI\\PNP0A08\\0"};
inline Nodes Ch340In(char16_t socket) {
  return {std::u16string(u"USB\\VID_1A86&PID_7523\\5&2A3B&0&") + socket};
}
// Channel A or B of an FT2232H: one USB interface each, below one device.
inline Nodes Ft2232h(char16_t channel) {
  return {u"FTDIBUS\\VID_0403+PID_6010+FT1234AB" + std::u16string(1, channel) + u"\\0000",
          u"USB\\VID_0403&PID_6010&MI_0" + std::u16string(1, channel - u'A' + u'0') + u"\\6&2C3D",
          u"USB\\VID_0403&PID_6010\\FT1234AB"};
}
// A paired device's serial port, below the PC's USB Bluetooth radio.
inline Nodes Bluetooth(char16_t device) {
  return {
      std::u16string(u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&1A2B&0&") +
          device,
      u"BTH\\MS_BTHBRB\\6&2B3C&0&1", u"USB\\VID_8087&PID_0A2B\\5&3C4D&0&10"};
}

struct DeviceChain {
  std::u16string portName;  // "COM7"
  Nodes ids;
  std::u16string friendlyName = u"";  // "USB Serial Port (COM7)"
};

// A device tree of such chains; the channels of one chip repeat their USB device.
class FakeDeviceTree final : public platform::DeviceTree {
 public:
  PortNodeList PortNodes(Names names) override {
    if (refused) throw platform::PlatformError("refused", platform::SystemError{13, u"Daten."});
    PortNodeList listed;
    for (Node i = 0; i < chains.size(); ++i) {
      if (partly && i + 1 == chains.size()) {
        listed.partly =
            platform::PlatformError("class refused", platform::SystemError{5, u"Nein."});
        break;
      }
      listed.nodes.push_back(
          {i * kLevels, chains[i].portName, names == Names::kRead ? chains[i].friendlyName : u""});
    }
    if (names == Names::kRead) ++namedListings;
    return listed;
  }
  std::optional<std::u16string> InstanceId(Node node) override {
    return chains.at(node / kLevels).ids.at(node % kLevels);
  }
  std::optional<Node> Parent(Node node) override {
    if (node % kLevels + 1 >= chains.at(node / kLevels).ids.size()) return std::nullopt;
    return node + 1;
  }

  std::vector<DeviceChain> chains;
  int namedListings = 0;
  bool refused = false;  // Windows refuses to list the devices
  bool partly = false;   // Windows refuses the class of the last chain

 private:
  static constexpr Node kLevels = 16;
};

}  // namespace tarvolk::fakes
