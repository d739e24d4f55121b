#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvolk::platform {

// The USB adapter behind a COM port, as Windows knows it. Windows ties a COM
// number to the adapter's device instance: one with a USB serial number
// (FTDI, CP210x) keeps its number in every USB socket, one without (CH340,
// most PL2303) is known only by its socket and gets a new number in another.
struct SerialAdapter {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::u16string serial;  // empty when the adapter has none
  // Which channel of a chip with several (FT2232H, FT4232H, CP2105): its
  // USB interface, 0 for channel A; none for a chip with one port. The
  // channels share the serial number.
  std::optional<std::uint8_t> chipChannel = std::nullopt;
  bool operator==(const SerialAdapter&) const = default;
};

// A COM port present on the machine; a port that is no USB device (a built-in
// UART, a Bluetooth port, a port mapped under Wine) has no adapter.
struct PresentPort {
  std::int16_t number = 0;
  std::optional<SerialAdapter> adapter;
};

// What a port notes of its adapter when it opens, to know it again under
// another number: the adapter, and every port of the same vendor and product
// present at that moment, itself among them.
struct AdapterSighting {
  SerialAdapter adapter;
  std::vector<PresentPort> alike;
};

// Nothing when port `number` is no USB adapter's.
std::optional<AdapterSighting> SightAdapter(std::int16_t number,
                                            const std::vector<PresentPort>& present);

// The sighting with every port alike to its adapter that is present now
// added, once each, but the one on `except` (the lost port; 0 while the port
// is open): a device of its kind plugged in during the show then never
// passes for it. Ours, back under another number already, cannot be told
// from such a device either.
AdapterSighting Renewed(const AdapterSighting& sighting, std::int16_t except,
                        const std::vector<PresentPort>& present);

// Where the adapter lost from port `lostNumber` is now, when it came back
// under another number: the one port that is the same adapter (vendor,
// product, serial number, channel) and was not there when it was sighted.
// Only that tells an adapter without a serial number from another of its
// chip, which must never be opened (raising DTR resets an Arduino). Nothing
// while a port of its vendor and product holds the old number, when no such
// port or more than one appeared, or when the adapter is absent.
std::optional<std::int16_t> FindMovedAdapter(const AdapterSighting& sighting,
                                             std::int16_t lostNumber,
                                             const std::vector<PresentPort>& present);

// "USB-Adapter 0403:6001, Seriennummer A50285BI", "USB-Adapter 1A86:7523 ohne
// Seriennummer", with ", Kanal B" for the second of the ports its device shows
// (A, B, ... in the order of their interfaces), only while it shows several.
std::u16string Describe(const AdapterSighting& sighting);

}  // namespace tarvolk::platform
