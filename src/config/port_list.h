#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/port_listing.h"

namespace tarvolk::config {

// The list always starts with "COM1" to "COM5".
inline constexpr int kPortListSize = 5;

// What a port beyond COM5 that is not there says of itself in the list.
inline constexpr std::u16string_view kAbsentPortText = u"nicht angeschlossen";

// One entry of Combo1's list: the port it stands for and what it reads.
struct PortEntry {
  std::uint8_t port = 0;
  std::u16string text;
  bool operator==(const PortEntry&) const = default;
};

// Combo1's entries: COM1 to COM5 first, entry k standing for port k + 1, then
// in ascending order the ports present beyond them and any `kept` port (the
// stored one, the one chosen) that is not among those. A port present reads
// "COM7 – " and Device Manager's name for it; a kept port beyond COM5 that is
// absent reads "COM12 – nicht angeschlossen". Without a listing (none yet, or
// Windows refused it) no port is known to be present or absent: each reads
// only its name.
std::vector<PortEntry> PortList(const std::optional<std::vector<platform::NamedPort>>& present,
                                std::initializer_list<std::uint8_t> kept);

// Device Manager's name without the port it names at its end, and without
// line breaks or other control characters: "USB Serial Port (COM7)" gives
// "USB Serial Port".
std::u16string WithoutPortName(std::u16string_view deviceName);

}  // namespace tarvolk::config
