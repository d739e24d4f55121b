#pragma once

#include <windows.h>

#include <vector>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The plug-in's class as a registry view registers it (0: the program's own,
// or KEY_WOW64_32KEY, KEY_WOW64_64KEY): ProgID to CLSID, the server's file
// and threading model, and whether the file is there, its version and the
// processor it is built for. Only read.
Registration ReadRegistration(int bits, REGSAM view);

// The 32- and the 64-bit view; on a 32-bit Windows the 64-bit one says that
// there is none.
std::vector<Registration> CollectRegistrations();

}  // namespace tarvolk::dmx_test
