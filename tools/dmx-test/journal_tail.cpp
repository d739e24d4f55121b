#include "journal_tail.h"

#include <shlobj.h>

#include <string_view>
#include <vector>

namespace tarvolk::dmx_test {
namespace {

// Far more than a line's share: a journal line is rarely longer than 300 bytes.
constexpr LONGLONG kBytesPerLine = 1400;

std::wstring FromUtf8(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

bool IsUtf8(std::string_view bytes) {
  return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

// The last lineCount lines of text.
std::wstring LastLines(std::wstring_view text, std::size_t lineCount) {
  std::vector<std::wstring_view> lines;
  for (std::size_t end; (end = text.find(L'\n')) != std::wstring_view::npos;) {
    std::wstring_view line = text.substr(0, end);
    if (line.ends_with(L'\r')) line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(end + 1);
  }
  if (!text.empty()) lines.push_back(text);
  const std::size_t first = lines.size() > lineCount ? lines.size() - lineCount : 0;
  std::wstring shown;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (!shown.empty()) shown += L"\r\n";
    shown += lines[i];
  }
  return shown;
}

}  // namespace

std::wstring JournalPath() {
  wchar_t* folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder))) {
    path = std::wstring(folder) + L"\\Tarvolk DMX\\Protokoll.txt";
  }
  CoTaskMemFree(folder);
  return path;
}

JournalTail ReadJournalTail(const std::wstring& path, std::size_t lineCount) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {false, GetLastError(), {}};
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  const LONGLONG tailBytes = kBytesPerLine * static_cast<LONGLONG>(lineCount);
  const LONGLONG start = size.QuadPart > tailBytes ? size.QuadPart - tailBytes : 0;
  LARGE_INTEGER position{};
  position.QuadPart = start;
  SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
  std::string bytes(static_cast<std::size_t>(size.QuadPart - start), '\0');
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (!ok) return {false, error, {}};
  std::string_view text(bytes.data(), read);
  // A tail that started in the middle of a line leaves that line out.
  if (start > 0) {
    const auto lineEnd = text.find('\n');
    text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
  }
  return {true, ERROR_SUCCESS, LastLines(FromUtf8(text), lineCount), IsUtf8(text)};
}

}  // namespace tarvolk::dmx_test
