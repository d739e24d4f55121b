#include "startup_error.h"

#include <cwchar>
#include <optional>

#include "plugin_session.h"

namespace tarvolk::dmx_test {
namespace {

constexpr int kOwnBits = sizeof(void*) * 8;
constexpr int kOtherBits = kOwnBits == 32 ? 64 : 32;
constexpr REGSAM kOtherView = kOwnBits == 32 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// A key's default text value under HKEY_CLASSES_ROOT in a registry view.
std::optional<std::wstring> ClassesText(const std::wstring& key, REGSAM view) {
  wchar_t text[MAX_PATH] = {};
  DWORD size = sizeof text - sizeof text[0];
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  const LSTATUS status =
      RegQueryValueExW(opened, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(text);
}

// The file the class is registered with in a view; nothing when it is not.
std::optional<std::wstring> RegisteredFile(REGSAM view) {
  const auto classId = ClassesText(std::wstring(PluginSession::kProgId) + L"\\CLSID", view);
  if (!classId) return std::nullopt;
  return ClassesText(L"CLSID\\" + *classId + L"\\InprocServer32", view);
}

std::wstring WindowsSays(HRESULT result) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring said = text != nullptr ? text : L"";
  LocalFree(text);
  while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r')) said.pop_back();
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
         L"\n\nWindows meldet: " + WindowsSays(result) +
         L"\n\nBitte führen Sie das Installationsprogramm des Plug-ins noch einmal aus.";
}

}  // namespace tarvolk::dmx_test
