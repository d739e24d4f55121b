#pragma once

#include "platform/line_settings.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// Sets an open COM port's line as the settings say (baud, parity, data and
// stop bits), without any handshaking. Throws PlatformError when Windows
// refuses.
void ConfigureLine(HANDLE port, const LineSettings& settings);

}  // namespace tarvolk::platform::win32
