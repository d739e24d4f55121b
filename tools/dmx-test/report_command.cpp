#include "report_command.h"

#include <windows.h>

// After windows.h.
#include <shellapi.h>

#include <string>
#include <vector>

#include "report_collect.h"
#include "report_file.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kUsage[] =
    L"Aufruf: Tarvolk_DMX-Test.exe /Bericht DATEI – schreibt den Bericht für die Unterstützung "
    L"in DATEI.";

std::vector<std::wstring> Arguments() {
  int count = 0;
  wchar_t** listed = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; listed != nullptr && i < count; ++i) arguments.emplace_back(listed[i]);
  LocalFree(listed);
  return arguments;
}

// The standard error stream a script redirected, else the console of the
// command prompt that started this program (a program with a window gets
// none of its own); a program started with neither tells nothing.
HANDLE ErrorStream() {
  const HANDLE inherited = GetStdHandle(STD_ERROR_HANDLE);
  if (inherited != nullptr && inherited != INVALID_HANDLE_VALUE) return inherited;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
  return CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

// A console takes the text as it is, a file or pipe as UTF-8.
void TellScript(const std::wstring& text) {
  const HANDLE stream = ErrorStream();
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  const std::wstring line = text + L"\r\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    WriteConsoleW(stream, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const std::string bytes = ToUtf8(line);
  WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool IsReportSwitch(const std::wstring& argument) {
  return CompareStringOrdinal(argument.c_str(), -1, L"/Bericht", -1, TRUE) == CSTR_EQUAL ||
         CompareStringOrdinal(argument.c_str(), -1, L"-Bericht", -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<int> RunCommandLine() {
  const std::vector<std::wstring> arguments = Arguments();
  if (arguments.empty()) return std::nullopt;
  if (arguments.size() != 2 || !IsReportSwitch(arguments[0]) || arguments[1].empty()) {
    TellScript(kUsage);
    return 1;
  }
  const std::wstring& path = arguments[1];
  if (const DWORD error = WriteReportFile(path, MakeReport().text); error != ERROR_SUCCESS) {
    TellScript(FailureText(L"Der Bericht ließ sich nicht schreiben: " + path, error));
    return 1;
  }
  return 0;
}

}  // namespace tarvolk::dmx_test
