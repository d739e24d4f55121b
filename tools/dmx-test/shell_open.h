#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

// Opens the file in what Windows opens its kind with. Returns what to tell
// the operator when Windows does not ("Windows öffnet <what> nicht …"),
// nothing otherwise.
std::wstring OpenInShell(HWND owner, const std::wstring& path, const std::wstring& what);

}  // namespace tarvolk::dmx_test
