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

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char16_t a, char16_t b) { return Upper(a) == Upper(b); });
}

// Removes `prefix` (in any case) from the front of text; false when it is not there.
bool Consume(std::u16string_view& text, std::u16string_view prefix) {
  if (!StartsWithNoCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Exactly `digits` hexadecimal digits taken from the front of text.
std::optional<std::uint16_t> ConsumeHex(std::u16string_view& text, std::size_t digits) {
  if (text.size() < digits) return std::nullopt;
  std::uint16_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const char16_t c = Upper(text[i]);
    const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                      : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                               : -1;
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  text.remove_prefix(digits);
  return value;
}

// "VID_0403<separator>PID_6001" from the front of text.
bool ConsumeIds(std::u16string_view& text, char16_t separator, NodeFacts& facts) {
  if (!Consume(text, u"VID_")) return false;
  const auto vendor = ConsumeHex(text, 4);
  if (!vendor || text.empty() || text.front() != separator) return false;
  text.remove_prefix(1);
  if (!Consume(text, u"PID_")) return false;
  const auto product = ConsumeHex(text, 4);
  if (!product) return false;
  facts.vendor = *vendor;
  facts.product = *product;
  return true;
}

bool IsWordChar(char16_t c) {
  return c == u'_' || (c >= u'0' && c <= u'9') || (Upper(c) >= u'A' && Upper(c) <= u'Z');
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

// USB\VID_xxxx&PID_xxxx[&MI_xx][&...]: the device or one of its interfaces.
bool ReadUsbNode(std::u16string_view hardware, NodeFacts& facts) {
  if (!ConsumeIds(hardware, u'&', facts)) return false;
  facts.kind = NodeKind::kUsbDevice;
  while (!hardware.empty()) {
    if (!Consume(hardware, u"&")) return false;
    std::u16string_view segment = hardware.substr(0, hardware.find(u'&'));
    if (segment.empty() || !std::all_of(segment.begin(), segment.end(), IsWordChar)) return false;
    hardware.remove_prefix(segment.size());
    if (Consume(segment, u"MI_") && segment.size() == 2) {
      if (const auto interface = ConsumeHex(segment, 2)) {
        facts.kind = NodeKind::kUsbInterface;
        facts.chipChannel = static_cast<std::uint8_t>(*interface);
      }
    }
  }
  return true;
}

// FTDIBUS\VID_xxxx+PID_xxxx+<serial><channel>: FTDI's own port node.
bool ReadFtdiBusNode(std::u16string_view hardware, NodeFacts& facts) {
  if (!ConsumeIds(hardware, u'+', facts) || !Consume(hardware, u"+") || hardware.empty()) {
    return false;
  }
  facts.kind = NodeKind::kBusPort;
  facts.chipChannel = FtdiChannel(hardware);
  if (facts.chipChannel) hardware.remove_suffix(1);
  facts.serial = SerialOf(hardware);
  return true;
}

// An instance ID has three parts: enumerator, hardware, instance.
NodeFacts ReadNode(std::u16string_view instanceId) {
  NodeFacts facts;
  const std::size_t first = instanceId.find(u'\\');
  const std::size_t second = instanceId.find(u'\\', first + 1);
  if (second == std::u16string_view::npos ||
      instanceId.find(u'\\', second + 1) != std::u16string_view::npos ||
      second + 1 == instanceId.size()) {
    return facts;
  }
  const std::u16string_view enumerator = instanceId.substr(0, first);
  const std::u16string_view hardware = instanceId.substr(first + 1, second - first - 1);
  const std::u16string_view instance = instanceId.substr(second + 1);
  const bool read = enumerator.size() == 3 && StartsWithNoCase(enumerator, u"USB")
                        ? ReadUsbNode(hardware, facts)
                    : enumerator.size() == 7 && StartsWithNoCase(enumerator, u"FTDIBUS")
                        ? ReadFtdiBusNode(hardware, facts)
                        : false;
  if (!read) return {};
  if (facts.kind == NodeKind::kUsbDevice) facts.serial = SerialOf(instance);
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
