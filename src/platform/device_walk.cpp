#include "platform/device_walk.h"

#include <cctype>
#include <cwctype>
#include <regex>
#include <string>
#include <utility>

#include "platform/whole_number.h"

namespace tarvolk::platform {
namespace {

constexpr int kHighestPort = 255;

enum class NodeKind {
  kUsbDevice,     // USB\VID_1A86&PID_7523\5&2A3B4C5D&0&2
  kUsbInterface,  // USB\VID_0403&PID_6010&MI_01\6&1F2E3D4C&0&0001
  kBusPort,       // FTDIBUS\VID_0403+PID_6001+A50285BIA\0000
  kElsewhere,     // anything that is not part of a USB adapter
};

struct NodeFacts {
  NodeKind kind = NodeKind::kElsewhere;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::optional<std::uint8_t> chipChannel;
  std::u16string serial;  // of a device that reports one
};

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }
std::u16string Narrowed(const std::wstring& text) { return {text.begin(), text.end()}; }

std::uint16_t Hex(const std::wstring& digits) {
  return static_cast<std::uint16_t>(std::stoul(digits, nullptr, 16));
}

// FTDI appends the channel's letter, A to D, to the serial number:
// ...A50285BIA for the only channel of an FT232R, ...FT1234ABB for channel B
// of an FT2232H.
std::optional<std::uint8_t> FtdiChannel(const std::wstring& serialAndChannel) {
  const auto letter =
      static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(serialAndChannel.back())));
  if (letter < L'A' || letter > L'D') return std::nullopt;
  return static_cast<std::uint8_t>(letter - L'A');
}

NodeFacts ReadNode(std::u16string_view instanceId) {
  static const std::wregex kUsb(LR"(USB\\VID_([0-9A-F]{4})&PID_([0-9A-F]{4})(?:&\w+)*\\([^\\]+))",
                                std::regex::icase);
  static const std::wregex kInterface(LR"(&MI_([0-9A-F]{2}))", std::regex::icase);
  static const std::wregex kFtdiBus(
      LR"(FTDIBUS\\VID_([0-9A-F]{4})\+PID_([0-9A-F]{4})\+([^\\]+)\\[^\\]+)", std::regex::icase);
  const std::wstring id = Wide(instanceId);
  std::wsmatch match;
  std::wsmatch interface;
  NodeFacts facts;
  if (std::regex_match(id, match, kFtdiBus)) {
    facts.kind = NodeKind::kBusPort;
    facts.chipChannel = FtdiChannel(match[3].str());
  } else if (!std::regex_match(id, match, kUsb)) {
    return facts;
  } else if (std::regex_search(id, interface, kInterface)) {
    facts.kind = NodeKind::kUsbInterface;
    facts.chipChannel = static_cast<std::uint8_t>(Hex(interface[1].str()));
  } else {
    facts.kind = NodeKind::kUsbDevice;
    // Windows makes the instance up from the socket, with '&' in it, for a
    // device that reports no serial number.
    const std::wstring instance = match[3].str();
    if (instance.find(L'&') == std::wstring::npos) facts.serial = Narrowed(instance);
  }
  facts.vendor = Hex(match[1].str());
  facts.product = Hex(match[2].str());
  return facts;
}

// "COM7" gives 7; "LPT1", "COM0" or "COM256", nothing.
std::optional<std::int16_t> ComNumber(std::u16string_view name) {
  constexpr std::string_view kPrefix = "COM";
  std::string text;
  for (const char16_t c : name) {
    if (c > 0x7F) return std::nullopt;
    text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  if (!text.starts_with(kPrefix)) return std::nullopt;
  const auto number = ReadWholeInteger<int>(std::string_view(text).substr(kPrefix.size()));
  if (!number || number->value < 1 || number->value > kHighestPort) return std::nullopt;
  return static_cast<std::int16_t>(number->value);
}

}  // namespace

std::optional<SerialAdapter> AdapterAbove(DeviceTree& tree, DeviceTree::Node port) {
  std::optional<std::pair<std::uint16_t, std::uint16_t>> device;
  std::optional<std::uint8_t> chipChannel;
  // Every walk ends: at the USB device, or at the root, whose node is no USB one.
  for (std::optional<DeviceTree::Node> node = port; node; node = tree.Parent(*node)) {
    const auto id = tree.InstanceId(*node);
    if (!id) return std::nullopt;
    const NodeFacts facts = ReadNode(*id);
    if (facts.kind == NodeKind::kElsewhere) return std::nullopt;
    // A walk that reaches another vendor's or product's node has left the adapter.
    const std::pair ids{facts.vendor, facts.product};
    if (device && *device != ids) return std::nullopt;
    device = ids;
    if (!chipChannel) chipChannel = facts.chipChannel;
    if (facts.kind == NodeKind::kUsbDevice) {
      return SerialAdapter{facts.vendor, facts.product, facts.serial, chipChannel};
    }
  }
  return std::nullopt;
}

std::vector<PresentPort> ListPresentPorts(DeviceTree& tree) {
  std::vector<PresentPort> ports;
  for (const auto& port : tree.PortNodes()) {
    if (const auto number = ComNumber(port.portName)) {
      ports.push_back({*number, AdapterAbove(tree, port.node)});
    }
  }
  return ports;
}

std::vector<NamedPort> ListNamedPorts(DeviceTree& tree) {
  std::vector<NamedPort> ports;
  for (const auto& port : tree.PortNodes()) {
    if (const auto number = ComNumber(port.portName)) ports.push_back({*number, port.friendlyName});
  }
  return ports;
}

}  // namespace tarvolk::platform
