#pragma once

#include <string>

#include "report_facts.h"

namespace tarvolk::dmx_test {

// Whether the file is there ("vorhanden"), or why not.
Fact FileThere(const std::wstring& path);

// "1.0.0.8", from the file's version resource.
Fact FileVersion(const std::wstring& path);

// The processor the file is built for, from its PE header: "x86 (32 Bit)".
// The file is read for that moment only, sharing it with every writer.
Fact FileMachine(const std::wstring& path);

}  // namespace tarvolk::dmx_test
