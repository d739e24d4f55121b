#include "platform/win32/file_journal.h"

#include <cwchar>

#include "platform/win32/debug_output.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

// After windows.h.
#include <shlobj.h>

namespace tarvolk::platform::win32 {
namespace {

constexpr wchar_t kFolderName[] = L"\\Tarvolk DMX";
constexpr wchar_t kFileName[] = L"\\Protokoll.txt";
constexpr wchar_t kOldFileName[] = L"\\Protokoll.1.txt";
constexpr wchar_t kLockFileName[] = L"\\Protokoll.lock";
// Marks the file as UTF-8 for editors that would otherwise guess a code page.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::wstring LocalAppData() {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::string Utf8(std::wstring_view text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

// 0 when the file is missing.
unsigned long long SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return 0;
  return (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) |
         attributes.nFileSizeLow;
}

std::wstring Stamped(std::u16string_view line) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t stamp[32];
  std::swprintf(stamp, sizeof stamp / sizeof stamp[0], L"%04u-%02u-%02u %02u:%02u:%02u ", now.wYear,
                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
  return stamp + WideCopy(line) + L"\r\n";
}

// Whichever writer, of any process, holds the first byte of the lock file
// beside the journal appends. A lock in the file system is shared by hosts of
// one user whether they run elevated or not, and in every logon session,
// unlike a named kernel object. Not held when another writer keeps it longer
// than `waitMs`, or the lock file cannot be opened.
class WritersLock {
 public:
  WritersLock(const std::wstring& path, DWORD waitMs)
      : file_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (file_ == INVALID_HANDLE_VALUE) return;
    // Polled: a blocking lock could only be left by a cancel, which is a wait too.
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    while (!(held_ = TryLock()) && GetTickCount64() < deadline) Sleep(1);
  }
  ~WritersLock() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    if (held_) UnlockFileEx(file_, 0, 1, 0, &range_);
    CloseHandle(file_);
  }
  WritersLock(const WritersLock&) = delete;
  WritersLock& operator=(const WritersLock&) = delete;

  bool Held() const { return held_; }
  bool Opened() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  bool TryLock() {
    range_ = OVERLAPPED{};
    return LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &range_) != FALSE;
  }

  HANDLE file_;
  OVERLAPPED range_{};
  bool held_ = false;
};

}  // namespace

FileJournal::FileJournal(std::wstring folder) : folder_(std::move(folder)) {
  if (folder_.empty()) {
    const std::wstring appData = LocalAppData();
    if (!appData.empty()) folder_ = appData + kFolderName;
  }
}

void FileJournal::Write(std::u16string_view line) {
  std::wstring stamped = Stamped(line);
  if (!folder_.empty()) Append(Utf8(stamped));
  SendToDebugViewers(std::move(stamped));
}

// One writer at a time, of any process, looks at the size, rotates and
// appends: two hosts past the mark would otherwise both rename, the second
// one the first one's new file over the history, or both start the new file.
// A writer holds the lock for one line; one that holds it longer (a process
// stopped in a debugger) is not waited for, and the line is appended anyway.
void FileJournal::Append(const std::string& utf8) {
  CreateDirectoryW(folder_.c_str(), nullptr);
  const std::wstring path = folder_ + kFileName;
  const WritersLock writers(folder_ + kLockFileName, kOtherWriterWaitMs);
  // Without a lock file no writer can take turns, yet the file must not grow
  // without end.
  if (writers.Held() || !writers.Opened()) RotateWhenFull(path);
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    const std::string text = created ? kByteOrderMark + utf8 : utf8;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
}

// A file a viewer holds open cannot be renamed: it is tried again a minute
// later, not at every line.
void FileJournal::RotateWhenFull(const std::wstring& path) {
  const ULONGLONG now = GetTickCount64();
  if (now < nextRotation_ || SizeOf(path) < kRotateAt) return;
  if (!MoveFileExW(path.c_str(), (folder_ + kOldFileName).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    nextRotation_ = now + kRotationRetryMs;
  }
}

}  // namespace tarvolk::platform::win32
