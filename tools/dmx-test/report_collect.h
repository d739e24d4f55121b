#pragma once

#include <string>

namespace tarvolk::dmx_test {

struct Report {
  std::wstring fileName;  // "Tarvolk DMX Bericht 2026-12-09 15-30.txt"
  std::wstring text;
};

// Collects the support report's facts now and writes its text. It needs no
// plug-in (one not registered is a fact like any other), only reads, and
// waits at most 5 s for Windows' list of devices. Any thread may call it.
Report MakeReport();

}  // namespace tarvolk::dmx_test
