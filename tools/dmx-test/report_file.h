#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

std::string ToUtf8(const std::wstring& text);

// Writes the report as UTF-8 with a byte order mark (which Notepad before
// Windows 10 needs to show umlauts), first beside the file under a name of
// its own and then in its place, so that a failed write leaves a file of
// that name as it was. Returns Windows' error, or ERROR_SUCCESS.
DWORD WriteReportFile(const std::wstring& path, const std::wstring& text);

}  // namespace tarvolk::dmx_test
