#pragma once

#include "platform/line_settings.h"
#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::platform::win32::serial {

// The whole line state a port runs with. Every field a driver checks is set,
// none is inherited: GetCommState returns what the last program left (Xon and
// Xoff characters, limits beyond the buffer), which drivers refuse or hang on.
// No flow control of any kind; DTR and RTS on, since interfaces powered from
// the port's lines need them.
DCB LineState(const LineSettings& settings, DWORD inputBufferSize);

// Whether a port's present state already carries the line as wanted: speed,
// framing, no flow control that could hold output back, DTR and RTS on.
bool CarriesLine(const DCB& present, const DCB& wanted);

// Sets the port's line state. A driver that refuses it (a CH340 reopened
// just after a close answers error 31 until it is replugged) is let through
// when the port already carries the line as wanted, and is otherwise asked
// once more after a moment. Throws PlatformError when it still refuses.
void ApplyLineState(CommDriver& driver, HANDLE port, const LineSettings& settings,
                    DWORD inputBufferSize);

}  // namespace tarvolk::platform::win32::serial
