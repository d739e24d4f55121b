#include "stored_port.h"

#include <windows.h>

namespace {

std::wstring SectionPath(const std::wstring& host) {
  return L"Software\\VB and VBA Program Settings\\" + host + L"\\Plugins\\" + kPluginFile;
}

}  // namespace

void WriteStoredPort(const std::wstring& host, const wchar_t* text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(host).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  if (text == nullptr) {
    RegDeleteValueW(key, L"COM");
  } else {
    RegSetValueExW(key, L"COM", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

std::optional<std::wstring> ReadStoredPort(const std::wstring& host) {
  wchar_t text[64] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, SectionPath(host).c_str(), L"COM", RRF_RT_ANY, &type, text,
                   &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return std::wstring(text);
}
