#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvolk::config {

// How the dialog names serial port n: "COM7" for 7.
std::u16string PortName(std::uint8_t port);

// The port a text typed into the port box names: "COMn" or just n, in any
// case and with blanks around it, n from 1 to 255 (" com12 " -> 12, "7" -> 7).
// Any other text names no port: 0.
std::uint8_t PortFromText(std::u16string_view text);

}  // namespace tarvolk::config
