#include "device_ids.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace tarvolk::dmx_test {
namespace {

struct Vendor {
  const wchar_t* id;
  const wchar_t* name;
};

// The makers of the USB-serial chips DMX interfaces are built on.
constexpr Vendor kVendors[] = {
    {L"0403", L"FTDI"},
    {L"10C4", L"Silicon Labs"},
    {L"1A86", L"WCH, CH340"},
    {L"067B", L"Prolific"},
    {L"2341", L"Arduino"},
    {L"04D8", L"Microchip"},
    {L"0483", L"STMicroelectronics"},
};

std::wstring Upper(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return upper;
}

std::vector<std::wstring_view> Split(std::wstring_view text, std::wstring_view separators) {
  std::vector<std::wstring_view> parts;
  for (std::size_t end; (end = text.find_first_of(separators)) != std::wstring_view::npos;) {
    parts.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  parts.push_back(text);
  return parts;
}

// The part after "VID_" (or another prefix) among the ID's parts.
std::wstring Field(std::wstring_view id, std::wstring_view prefix) {
  for (const std::wstring_view part : Split(id, L"\\&+")) {
    if (part.size() > prefix.size() && Upper(part.substr(0, prefix.size())) == prefix) {
      return Upper(part.substr(prefix.size()));
    }
  }
  return {};
}

// Windows makes an instance up from the socket, with '&' in it, for a
// device that reports no serial number.
std::wstring Serial(std::wstring_view enumerator, std::wstring_view instanceId, wchar_t& channel) {
  const auto parts = Split(instanceId, L"\\");
  if (parts.size() != 3) return {};
  if (enumerator == L"FTDIBUS") {
    // FTDI appends the channel's letter to the serial number.
    const auto ids = Split(parts[1], L"+");
    if (ids.size() != 3 || ids[2].size() < 2) return {};
    channel = ids[2].back();
    return std::wstring(ids[2].substr(0, ids[2].size() - 1));
  }
  return parts[2].find(L'&') == std::wstring_view::npos ? std::wstring(parts[2]) : L"";
}

std::wstring UsbDevice(std::wstring_view enumerator, const std::wstring& vendor,
                       std::wstring_view hardwareId, std::wstring_view instanceId) {
  std::wstring said = L"USB-Gerät, Hersteller " + vendor;
  const auto known =
      std::ranges::find_if(kVendors, [&](const Vendor& v) { return vendor == v.id; });
  if (known != std::end(kVendors)) said += L" (" + std::wstring(known->name) + L")";
  std::wstring product = Field(hardwareId, L"PID_");
  if (product.empty()) product = Field(instanceId, L"PID_");
  if (!product.empty()) said += L", Produkt " + product;
  wchar_t channel = 0;
  const std::wstring serial = Serial(enumerator, instanceId, channel);
  said += serial.empty() ? L", ohne Seriennummer" : L", Seriennummer " + serial;
  if (channel != 0) said += L", Kanal " + std::wstring(1, channel);
  std::wstring usbInterface = Field(hardwareId, L"MI_");
  if (usbInterface.empty()) usbInterface = Field(instanceId, L"MI_");
  if (!usbInterface.empty()) said += L", Schnittstelle " + usbInterface;
  return said;
}

}  // namespace

std::wstring DescribeDeviceIds(std::wstring_view hardwareId, std::wstring_view instanceId) {
  const std::wstring enumerator = Upper(instanceId.substr(0, instanceId.find(L'\\')));
  std::wstring vendor = Field(hardwareId, L"VID_");
  if (vendor.empty()) vendor = Field(instanceId, L"VID_");
  if (!vendor.empty()) return UsbDevice(enumerator, vendor, hardwareId, instanceId);
  if (enumerator == L"BTHENUM") return L"Bluetooth-Schnittstelle";
  if (enumerator == L"ACPI") return L"eingebaute Schnittstelle (ACPI)";
  if (enumerator == L"PCI") return L"Steckkarte (PCI)";
  if (enumerator.empty()) return L"ohne Angaben";
  return L"Gerät des Aufzählers " + enumerator;
}

}  // namespace tarvolk::dmx_test
