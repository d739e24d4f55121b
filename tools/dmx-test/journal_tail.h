#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace tarvolk::dmx_test {

// %LOCALAPPDATA%\Tarvolk DMX\Protokoll.txt, where the plug-in keeps its journal.
std::wstring JournalPath();

// The journal's latest lines, as its window shows them.
struct JournalTail {
  bool found = false;           // the file could be read
  DWORD error = ERROR_SUCCESS;  // Windows' error when it could not
  std::wstring lines;           // CR LF between them
  bool utf8 = true;             // false: bytes that are no UTF-8 stand as U+FFFD
};

// Reads the last `lineCount` lines of the journal at `path`: opened for
// shared reading (the plug-in goes on writing and may rename it meanwhile)
// and closed again at once, only its tail read whatever its size, and text
// that is no valid UTF-8 shown as replacement characters. Never waits for
// the file.
JournalTail ReadJournalTail(const std::wstring& path, std::size_t lineCount);

}  // namespace tarvolk::dmx_test
