#pragma once

#include <windows.h>

#include <string>

namespace tarvolk::dmx_test {

// The test window's box of the journal's latest lines: refreshed when they
// changed and scrolled to the newest; left as it was while the file is held
// for a moment (renamed past 1 MB, say).
class JournalView {
 public:
  static constexpr std::size_t kLines = 12;

  void Refresh(HWND box);

 private:
  std::wstring shown_;
};

// Opens the whole journal in what Windows opens text files with. Returns
// what to tell the operator when that fails, nothing otherwise.
std::wstring OpenJournal(HWND owner);

}  // namespace tarvolk::dmx_test
