#include "startup_error.h"

#include <cwchar>
#include <optional>

#include "registration_facts.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr int kOwnBits = sizeof(void*) * 8;
constexpr int kOtherBits = kOwnBits == 32 ? 64 : 32;
constexpr REGSAM kOtherView = kOwnBits == 32 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// The file the class is registered with in a view; nothing when it is not.
std::optional<std::wstring> RegisteredFile(REGSAM view) {
  const Registration registration = ReadRegistration(kOwnBits, view);
  if (!registration.classId.Read() || !registration.server.Read()) return std::nullopt;
  return registration.server.text;
}

std::wstring HresultSays(HRESULT result) {
  const std::wstring said = dmx_test::WindowsSays(static_cast<DWORD>(result));
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
  return said.empty() ? code : said + L" (" + code + L")";
}

std::wstring WhatIsWrong(HRESULT result) {
  const std::wstring own = std::to_wstring(kOwnBits) + L"-Bit";
  const std::wstring other = std::to_wstring(kOtherBits) + L"-Bit";
  const auto file = RegisteredFile(0);
  if (!file) {
    if (RegisteredFile(kOtherView)) {
      return L"Das Plug-in ist nur in der " + other +
             L"-Ausführung registriert. Starten Sie das Testprogramm für " + other +
             L" oder installieren Sie die " + own + L"-Ausführung.";
    }
    return L"Das Plug-in ist nicht registriert (für " + own + L"-Programme).";
  }
  if (result == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) ||
      result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
    return L"Die Datei des Plug-ins fehlt:\n" + *file;
  }
  if (result == HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT)) {
    return L"Registriert ist eine Datei für eine andere Bitzahl als " + own + L":\n" + *file;
  }
  return L"Das Plug-in ließ sich nicht erzeugen:\n" + *file;
}

}  // namespace

std::wstring StartupErrorText(HRESULT result) {
  return L"Das Tarvolk DMX Plugin lässt sich nicht starten.\n\n" + WhatIsWrong(result) +
         L"\n\nWindows meldet: " + HresultSays(result) +
         L"\n\nBitte führen Sie das Installationsprogramm des Plug-ins noch einmal aus.";
}

}  // namespace tarvolk::dmx_test
