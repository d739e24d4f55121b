#pragma once

#include <string>

#include "platform/journal.h"

namespace tarvolk::platform::win32 {

// The journal in %LOCALAPPDATA%\Tarvolk DMX\Protokoll.txt, UTF-8, newest line
// last, each with the local date and time; past 1 MB the file becomes
// Protokoll.1.txt (one old file is kept). Each line also goes to
// OutputDebugStringW, for Windows' debug viewers. A line is appended with
// the file opened for it alone, so several threads and processes can share
// the file; a file that cannot be written is skipped.
class FileJournal final : public Journal {
 public:
  static constexpr unsigned long long kRotateAt = 1024 * 1024;

  // folder: where the files go; by default the user's local application data.
  explicit FileJournal(std::wstring folder = {});
  void Write(std::u16string_view line) override;

 private:
  void Append(const std::string& utf8);

  std::wstring folder_;
};

}  // namespace tarvolk::platform::win32
