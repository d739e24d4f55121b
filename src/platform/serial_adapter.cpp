#include "platform/serial_adapter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/whole_number.h"

namespace tarvolk::platform {

std::optional<SerialAdapter> AdapterOf(std::int16_t number,
                                       const std::vector<PresentPort>& present) {
  const auto port = std::find_if(present.begin(), present.end(),
                                 [number](const PresentPort& p) { return p.number == number; });
  if (port == present.end()) return std::nullopt;
  return port->adapter;
}

std::optional<std::int16_t> FindMovedAdapter(const SerialAdapter& lost, std::int16_t lostNumber,
                                             const std::vector<PresentPort>& present) {
  const auto alike = [&lost](const PresentPort& port) {
    return port.adapter && port.adapter->vendor == lost.vendor &&
           port.adapter->product == lost.product && port.adapter->serial == lost.serial;
  };
  const auto found = std::find_if(present.begin(), present.end(), alike);
  if (found == present.end() || found->number == lostNumber) return std::nullopt;
  // Without a serial number, two alike adapters cannot be told apart.
  if (lost.serial.empty() && std::count_if(present.begin(), present.end(), alike) != 1) {
    return std::nullopt;
  }
  return found->number;
}

std::u16string Describe(const SerialAdapter& adapter) {
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04X:%04X", adapter.vendor, adapter.product);
  std::string text = std::string("USB-Adapter ") + ids;
  text += adapter.serial.empty() ? " ohne Seriennummer" : ", Seriennummer " + adapter.serial;
  return std::u16string(text.begin(), text.end());
}

namespace {

std::string Upper(std::u16string_view text) {
  std::string upper;
  for (const char16_t c : text) {
    upper.push_back(c < 0x80 ? static_cast<char>(std::toupper(static_cast<int>(c))) : '?');
  }
  return upper;
}

// The four hex digits after `key` in the device's identifiers.
std::optional<std::uint16_t> HexAfter(std::string_view ids, std::string_view key) {
  const auto at = ids.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const auto number = ReadWholeInteger<std::uint32_t>(ids.substr(at + key.size(), 4), 16);
  if (!number || number->value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(number->value);
}

}  // namespace

std::optional<SerialAdapter> AdapterOfInstance(std::u16string_view instanceId) {
  const std::string id = Upper(instanceId);
  const auto first = id.find('\\');
  const auto second = id.find('\\', first + 1);
  if (id.substr(0, first) != "USB" || second == std::string::npos) return std::nullopt;
  const std::string_view ids = std::string_view(id).substr(first + 1, second - first - 1);
  if (ids.find("&MI_") != std::string_view::npos) return std::nullopt;
  const auto vendor = HexAfter(ids, "VID_");
  const auto product = HexAfter(ids, "PID_");
  if (!vendor || !product) return std::nullopt;
  const std::u16string_view instance = instanceId.substr(second + 1);
  SerialAdapter adapter{*vendor, *product, {}};
  if (instance.find(u'&') == std::u16string_view::npos) adapter.serial = Upper(instance);
  return adapter;
}

}  // namespace tarvolk::platform
