#pragma once

#include <string_view>

namespace tarvolk::demo_host {

// Writes the line and a line end to stdout as UTF-8 and flushes it, so that a
// test reading the pipe sees each line as soon as it is written.
void PrintLine(std::wstring_view line);

}  // namespace tarvolk::demo_host
