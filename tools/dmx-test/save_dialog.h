#pragma once

#include <windows.h>

#include "report_collect.h"

namespace tarvolk::dmx_test {

// Asks with Windows' Save dialog where to put the report (on the desktop by
// default, under its own name of date and time) and saves it there. A place
// that cannot be written is told, and the dialog asks again; nothing is
// saved when the operator cancels. Runs loops of its own.
void SaveReport(HWND owner, const Report& report);

}  // namespace tarvolk::dmx_test
