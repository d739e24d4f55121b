#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace tarvolk::engine {

class DriverState;

// What the user reads when a port cannot be opened, whatever the cause.
inline constexpr std::u16string_view kPortFailureTitle = u"Fehler: Kann Port nich öfnen ! ";
inline constexpr std::u16string_view kEnablePortFailureText =
    u"Schnittstelle wird von anderem Programm benutzt.";
inline constexpr std::u16string_view kDialogPortFailureText =
    u"Schnittstelle wird von anderem Programm benutzt";

// The line every frame travels on: 19200 baud, no parity, 8 data bits, 2 stop bits.
inline constexpr std::string_view kLineSettings = "19200,N,8,2";

// Opens the link for Enable: the receive threshold is set before the open.
void OpenSerialLinkForEnable(DriverState& state);

// Opens the link as the configuration dialog closes: PortNumber first takes
// the port chosen in the dialog (0 when none was), and the receive threshold
// is set after the open.
void OpenSerialLinkForDialog(DriverState& state, std::uint8_t chosenPort);

// Runs steps (an open sequence and what the caller does after it) as one
// unit: the first failing step ends it, and the user sees failureText in a
// critical message box. Returns whether every step ran.
bool RunPortSteps(DriverState& state, std::u16string_view failureText,
                  const std::function<void()>& steps);

}  // namespace tarvolk::engine
