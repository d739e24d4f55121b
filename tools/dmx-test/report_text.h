#pragma once

#include <string>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// The support report's text, in German, lines ended by CR LF: what it holds
// at its top, then Windows, the test program, the plug-in's registration in
// each registry view, the ports stored per program, the ports present with
// their drivers, and the journal's last lines. A value that could not be
// read says why in its place.
std::wstring ReportText(const ReportFacts& facts);

// "Tarvolk DMX Bericht 2026-12-09 15-30.txt": a name a file can have.
std::wstring ReportFileName(const LocalTime& time);

// "2026-12-09 15:30", with ":12" when asked for the seconds.
std::wstring TimeText(const LocalTime& time, bool seconds = false);

// A fact as the report shows it: its value, or why it could not be read with
// Windows' error number and text.
std::wstring FactText(const Fact& fact);

// A processor by the machine number Windows gives it (IMAGE_FILE_MACHINE_*):
// "x64 (64 Bit)".
std::wstring MachineText(unsigned machine);

}  // namespace tarvolk::dmx_test
