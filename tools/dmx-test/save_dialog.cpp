#include "save_dialog.h"

// After windows.h.
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "operator_message.h"
#include "report_file.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

// The longest path Windows takes.
constexpr DWORD kLongestPath = 32768;

std::wstring Desktop() {
  wchar_t* folder = nullptr;
  std::wstring path;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &folder))) path = folder;
  CoTaskMemFree(folder);
  return path;
}

}  // namespace

void SaveReport(HWND owner, const Report& report) {
  const std::wstring desktop = Desktop();
  std::vector<wchar_t> path(kLongestPath, L'\0');
  report.fileName.copy(path.data(), kLongestPath - 1);
  for (;;) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"Textdateien (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0";
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kLongestPath;
    // An unknown desktop leaves the choice to Windows.
    dialog.lpstrInitialDir = desktop.empty() ? nullptr : desktop.c_str();
    dialog.lpstrTitle = L"Bericht speichern";
    dialog.lpstrDefExt = L"txt";
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog)) {
      if (const DWORD error = CommDlgExtendedError(); error != 0) {
        TellOperator(
            owner,
            L"Der Dialog zum Speichern öffnet sich nicht (Fehler " + std::to_wstring(error) + L").",
            MB_ICONSTOP);
      }
      return;
    }
    const std::wstring chosen = path.data();
    const DWORD error = WriteReportFile(chosen, report.text);
    if (error == ERROR_SUCCESS) {
      TellOperator(owner,
                   L"Der Bericht ist gespeichert:\n" + chosen +
                       L"\n\nSchicken Sie diese Datei an den, der Ihnen hilft.",
                   MB_ICONINFORMATION);
      return;
    }
    TellOperator(owner,
                 FailureText(L"Der Bericht lässt sich hier nicht speichern:\n" + chosen, error) +
                     L"\n\nBitte wählen Sie einen anderen Ort.",
                 MB_ICONEXCLAMATION);
  }
}

}  // namespace tarvolk::dmx_test
