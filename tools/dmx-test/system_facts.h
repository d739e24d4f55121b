#pragma once

#include "report_facts.h"

namespace tarvolk::dmx_test {

// Windows' version and build as Windows itself knows them (RtlGetVersion,
// which no compatibility setting bends), its processor architecture, and
// whether user32 offers the notices of sleep and wake that the plug-in asks
// for (RegisterSuspendResumeNotification, from Windows 8 on).
SystemFacts CollectSystemFacts();

// Whether Windows itself is a 64-bit one, also for a 32-bit program.
bool WindowsIs64Bit();

}  // namespace tarvolk::dmx_test
