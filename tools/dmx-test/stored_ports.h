#pragma once

#include <windows.h>

#include <optional>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The ports the plug-in stored for the programs that used it, each in the
// value COM of the key Plugins\Tarvolk_DMX.out.dll under the program's
// title in HKEY_CURRENT_USER\Software\VB and VBA Program Settings: one per
// title that has that value, newest first by when its key was last written.
// Only read.
StoredPortList ListStoredPorts();

// The COM value stored for the test program's own title: its text, why it
// has none, or nothing when there is none.
std::optional<Fact> OwnStoredPort();

// Stores port as the test program's own (decimal text, as the plug-in
// stores it), under its own title only. Returns Windows' error, or
// ERROR_SUCCESS.
DWORD StoreOwnPort(int port);

}  // namespace tarvolk::dmx_test
