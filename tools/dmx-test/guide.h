#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

// Opens the operators' guide, Tarvolk_DMX-Anleitung.html, in the default
// browser: the one beside the program, or for the 64-bit program in the
// subfolder x64 the one in the folder above, where the setup program puts
// it. Returns what to tell the operator when it is missing (with where it
// was looked for) or Windows does not open it; nothing otherwise.
std::wstring OpenGuide(HWND owner);

}  // namespace tarvolk::dmx_test
