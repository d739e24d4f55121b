#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

// What the operator reads, in German, when the plug-in cannot be created:
// what is wrong (not registered, registered only for the other architecture,
// its file missing or of the other architecture), what Windows said, and
// what helps.
std::wstring StartupErrorText(HRESULT result);

}  // namespace tarvolk::dmx_test
