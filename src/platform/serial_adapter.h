#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvolk::platform {

// The USB adapter behind a COM port, as Windows knows it. Windows ties a COM
// number to the adapter's device instance: one with a USB serial number
// (FTDI, CP210x) keeps its number in every USB socket, one without (CH340,
// most PL2303) gets a new number in another socket.
struct SerialAdapter {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::u16string serial;  // empty when the adapter has none
  bool operator==(const SerialAdapter&) const = default;
};

// A COM port present on the machine; a port that is no USB device (a built-in
// UART, a Bluetooth port, a port mapped under Wine) has no adapter.
struct PresentPort {
  std::int16_t number = 0;
  std::optional<SerialAdapter> adapter;
};

// The adapter behind port `number` among the present ports.
std::optional<SerialAdapter> AdapterOf(std::int16_t number,
                                       const std::vector<PresentPort>& present);

// Where the adapter lost from port `lostNumber` is now, when it came back under
// another number: the port of the same vendor, product and serial number; for
// an adapter without a serial number, the port of the only present adapter of
// that vendor and product. Nothing when it is back on its old number, absent,
// or not told apart from another: never a port of another adapter.
std::optional<std::int16_t> FindMovedAdapter(const SerialAdapter& lost, std::int16_t lostNumber,
                                             const std::vector<PresentPort>& present);

// "USB-Adapter 0403:6001, Seriennummer A50285BI" or "USB-Adapter 1A86:7523 ohne Seriennummer".
std::u16string Describe(const SerialAdapter& adapter);

// The adapter a USB device's instance ID names: "USB\VID_0403&PID_6001\A50285BI".
// Windows makes up the last part, with '&' in it, for a device without a
// serial number. Nothing for any other device, or for one interface of a
// composite device ("...&MI_00\..."), whose parent is the adapter.
std::optional<SerialAdapter> AdapterOfInstance(std::u16string_view instanceId);

}  // namespace tarvolk::platform
