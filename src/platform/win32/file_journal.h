#pragma once

#include <string>

#include "platform/journal.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// The journal in %LOCALAPPDATA%\Tarvolk DMX\Protokoll.txt, UTF-8, newest line
// last, each with the local date and time; past 1 MB the file becomes
// Protokoll.1.txt (one old file is kept). Each line also goes to Windows'
// debug viewers, from a thread of its own. A line is appended with the file
// opened for it alone, so several threads and processes can share the file
// (they take turns through a lock file beside it, Protokoll.lock);
// a file that cannot be written is skipped. Writing never waits for a debug
// viewer nor for a viewer that holds the file open, and for another writer
// only while it appends its own line (kOtherWriterWaitMs at most).
class FileJournal final : public Journal {
 public:
  static constexpr unsigned long long kRotateAt = 1024 * 1024;
  static constexpr ULONGLONG kRotationRetryMs = 60'000;
  static constexpr DWORD kOtherWriterWaitMs = 20;

  // folder: where the files go; by default the user's local application data.
  explicit FileJournal(std::wstring folder = {});

  void Write(std::u16string_view line) override;

 private:
  void Append(const std::string& utf8);
  void RotateWhenFull(const std::wstring& path);

  std::wstring folder_;
  ULONGLONG nextRotation_ = 0;
};

}  // namespace tarvolk::platform::win32
