#include "platform/serial_adapter.h"

#include <algorithm>
#include <iomanip>
#include <regex>
#include <sstream>

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
  std::ostringstream ids;
  ids << std::hex << std::uppercase << std::setfill('0') << std::setw(4) << adapter.vendor << ':'
      << std::setw(4) << adapter.product;
  const std::string narrow = ids.str();
  std::u16string text = u"USB-Adapter " + std::u16string(narrow.begin(), narrow.end());
  return text +
         (adapter.serial.empty() ? u" ohne Seriennummer" : u", Seriennummer " + adapter.serial);
}

std::optional<SerialAdapter> AdapterOfInstance(std::u16string_view instanceId) {
  // USB\VID_vvvv&PID_pppp[&REV_rrrr...]\instance, but not one interface
  // (&MI_nn) of a composite device.
  static const std::wregex kUsbDevice(
      LR"(USB\\VID_([0-9A-F]{4})&PID_([0-9A-F]{4})(?:&(?!MI_)\w+)*\\([^\\]+))", std::regex::icase);
  const std::wstring id(instanceId.begin(), instanceId.end());
  std::wsmatch match;
  if (!std::regex_match(id, match, kUsbDevice)) return std::nullopt;
  SerialAdapter adapter;
  adapter.vendor = static_cast<std::uint16_t>(std::stoul(match[1].str(), nullptr, 16));
  adapter.product = static_cast<std::uint16_t>(std::stoul(match[2].str(), nullptr, 16));
  const std::wstring instance = match[3].str();
  if (instance.find(L'&') == std::wstring::npos) {
    for (const wchar_t c : instance) adapter.serial.push_back(static_cast<char16_t>(c));
  }
  return adapter;
}

}  // namespace tarvolk::platform
