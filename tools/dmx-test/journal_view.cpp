#include "journal_view.h"

#include "journal_tail.h"
#include "shell_open.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kNoJournal[] =
    L"Noch kein Protokoll: Das Plug-in beginnt es, sobald es eine Schnittstelle öffnet.";

}  // namespace

void JournalView::Refresh(HWND box) {
  const JournalTail tail = ReadJournalTail(JournalPath(), kLines);
  std::wstring shown;
  if (tail.found) {
    shown = tail.lines;
  } else if (tail.error == ERROR_FILE_NOT_FOUND || tail.error == ERROR_PATH_NOT_FOUND) {
    shown = kNoJournal;
  } else {
    return;
  }
  if (shown == shown_) return;
  shown_ = shown;
  SetWindowTextW(box, shown.c_str());
  const auto end = static_cast<WPARAM>(shown.size());
  SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

std::wstring OpenJournal(HWND owner) {
  const std::wstring path = JournalPath();
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return std::wstring(kNoJournal) + L"\n" + path;
  }
  return OpenInShell(owner, path, L"das Protokoll");
}

}  // namespace tarvolk::dmx_test
