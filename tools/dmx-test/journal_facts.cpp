#include "journal_facts.h"

#include "journal_tail.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kRotated[] = L"Protokoll.1.txt";

Fact OlderLines(const std::wstring& journal) {
  const std::wstring rotated = journal.substr(0, journal.find_last_of(L'\\') + 1) + kRotated;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(rotated.c_str(), GetFileExInfoStandard, &data)) {
    const ULONGLONG size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return Known(L"ja, in " + std::wstring(kRotated) + L" (" +
                 std::to_wstring((size + 1023) / 1024) + L" KB)");
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Known(L"keine");
  return WindowsFailure(std::wstring(kRotated) + L" ist nicht zu sehen", error);
}

}  // namespace

JournalFacts CollectJournal() {
  JournalFacts facts;
  const std::wstring path = JournalPath();
  if (path.empty()) {
    facts.file = Unknown(L"Der Ordner %LOCALAPPDATA% ist nicht zu finden");
    facts.lines = facts.olderLines = facts.file;
    return facts;
  }
  facts.file = Known(path);
  const JournalTail tail = ReadJournalTail(path, JournalFacts::kLines);
  if (tail.found) {
    facts.lines = Known(tail.lines);
    facts.utf8 = tail.utf8;
  } else if (tail.error == ERROR_FILE_NOT_FOUND || tail.error == ERROR_PATH_NOT_FOUND) {
    facts.lines = WindowsFailure(
        L"kein Protokoll: Das Plug-in beginnt es, sobald es eine Schnittstelle öffnet", tail.error);
  } else {
    facts.lines = WindowsFailure(L"nicht zu lesen", tail.error);
  }
  facts.olderLines = OlderLines(path);
  return facts;
}

}  // namespace tarvolk::dmx_test
