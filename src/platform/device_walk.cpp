#include "platform/device_walk.h"

#include <algorithm>
#include <cctype>
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

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

// The parts of text between separators: "a&b&" gives "a", "b", "".
std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string_view> parts;
  for (std::size_t end; (end = text.find(separator)) != std::u16string_view::npos;) {
    parts.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  parts.push_back(text);
  return parts;
}

// "VID_0403" with prefix "VID_" gives 0x0403: the prefix in any case and
// exactly `digits` hexadecimal digits.
std::optional<std::uint16_t> HexAfter(std::u16string_view part, std::u16string_view prefix,
                                      std::size_t digits = 4) {
  if (part.size() != prefix.size() + digits ||
      !EqualNoCase(part.substr(0, prefix.size()), prefix)) {
    return std::nullopt;
  }
  std::uint16_t value = 0;
  for (const char16_t c : part.substr(prefix.size())) {
    const char16_t upper = Upper(c);
    const bool decimal = upper >= u'0' && upper <= u'9';
    if (!decimal && (upper < u'A' || upper > u'F')) return std::nullopt;
    value = static_cast<std::uint16_t>(value * 16 + (decimal ? upper - u'0' : upper - u'A' + 10));
  }
  return value;
}

bool IsWord(std::u16string_view part) {
  return !part.empty() && std::ranges::all_of(part, [](char16_t c) {
    return c == u'_' || (c >= u'0' && c <= u'9') || (Upper(c) >= u'A' && Upper(c) <= u'Z');
  });
}

// Windows makes the instance up from the socket, with '&' in it, for a
// device that reports no serial number.
std::u16string SerialOf(std::u16string_view instance) {
  return instance.find(u'&') == std::u16string_view::npos ? std::u16string(instance) : u"";
}

// FTDI appends the channel's letter, A to D, to the serial number:
// ...A50285BIA for the only channel of an FT232R, ...FT1234ABB for channel B
// of an FT2232H.
std::optional<std::uint8_t> FtdiChannel(std::u16string_view serialAndChannel) {
  const char16_t letter = Upper(serialAndChannel.back());
  if (letter < u'A' || letter > u'D') return std::nullopt;
  return static_cast<std::uint8_t>(letter - u'A');
}

// VID_xxxx<separator>PID_xxxx from the first two parts.
bool ReadIds(const std::vector<std::u16string_view>& parts, NodeFacts& facts) {
  const auto vendor = HexAfter(parts[0], u"VID_");
  const auto product = parts.size() < 2 ? std::nullopt : HexAfter(parts[1], u"PID_");
  if (!vendor || !product) return false;
  facts.vendor = *vendor;
  facts.product = *product;
  return true;
}

// USB\VID_xxxx&PID_xxxx[&MI_xx][&...]: the device or one of its interfaces.
bool ReadUsbNode(std::u16string_view hardware, NodeFacts& facts) {
  const auto parts = Split(hardware, u'&');
  if (!ReadIds(parts, facts) || !std::ranges::all_of(parts, IsWord)) return false;
  facts.kind = NodeKind::kUsbDevice;
  for (const std::u16string_view part : parts) {
    if (const auto interface = HexAfter(part, u"MI_", 2)) {
      facts.kind = NodeKind::kUsbInterface;
      facts.chipChannel = static_cast<std::uint8_t>(*interface);
    }
  }
  return true;
}

// FTDIBUS\VID_xxxx+PID_xxxx+<serial><channel>: FTDI's own port node.
bool ReadFtdiBusNode(std::u16string_view hardware, NodeFacts& facts) {
  const auto parts = Split(hardware, u'+');
  if (parts.size() != 3 || parts[2].empty() || !ReadIds(parts, facts)) return false;
  std::u16string_view serial = parts[2];
  facts.kind = NodeKind::kBusPort;
  facts.chipChannel = FtdiChannel(serial);
  if (facts.chipChannel) serial.remove_suffix(1);
  facts.serial = SerialOf(serial);
  return true;
}

// An instance ID has three parts: enumerator, hardware, instance.
NodeFacts ReadNode(std::u16string_view instanceId) {
  const auto parts = Split(instanceId, u'\\');
  NodeFacts facts;
  if (parts.size() != 3 || parts[2].empty()) return facts;
  const bool read = EqualNoCase(parts[0], u"USB")       ? ReadUsbNode(parts[1], facts)
                    : EqualNoCase(parts[0], u"FTDIBUS") ? ReadFtdiBusNode(parts[1], facts)
                                                        : false;
  if (!read) return {};
  if (facts.kind == NodeKind::kUsbDevice) facts.serial = SerialOf(parts[2]);
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
  std::optional<std::uint8_t> busChannel;
  std::optional<std::uint8_t> interface;
  std::u16string busSerial;
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
    if (facts.kind == NodeKind::kBusPort) {
      busChannel = facts.chipChannel;
      busSerial = facts.serial;
    }
    if (facts.kind == NodeKind::kUsbInterface) interface = facts.chipChannel;
    if (facts.kind == NodeKind::kUsbDevice) {
      // A chip's only port is its channel A; only a chip with several
      // (composite, or a channel beyond A) names its channel.
      std::optional<std::uint8_t> channel = busChannel ? busChannel : interface;
      if (!interface && channel == 0) channel.reset();
      // FTDI's driver may keep the serial number on its own node alone.
      const std::u16string& serial = facts.serial.empty() ? busSerial : facts.serial;
      return SerialAdapter{facts.vendor, facts.product, serial, channel};
    }
  }
  return std::nullopt;
}

namespace {

std::vector<DeviceTree::PortNode> PortNodesOf(DeviceTree& tree, DeviceTree::Names names,
                                              std::optional<PlatformError>* partly) {
  DeviceTree::PortNodeList listed = tree.PortNodes(names);
  if (partly) *partly = std::move(listed.partly);
  return std::move(listed.nodes);
}

}  // namespace

std::vector<PresentPort> ListPresentPorts(DeviceTree& tree, std::optional<PlatformError>* partly) {
  std::vector<PresentPort> ports;
  for (const auto& port : PortNodesOf(tree, DeviceTree::Names::kSkipped, partly)) {
    if (const auto number = ComNumber(port.portName)) {
      ports.push_back({*number, AdapterAbove(tree, port.node)});
    }
  }
  return ports;
}

std::vector<NamedPort> ListNamedPorts(DeviceTree& tree, std::optional<PlatformError>* partly) {
  std::vector<NamedPort> ports;
  for (const auto& port : PortNodesOf(tree, DeviceTree::Names::kRead, partly)) {
    if (const auto number = ComNumber(port.portName)) ports.push_back({*number, port.friendlyName});
  }
  return ports;
}

}  // namespace tarvolk::platform
