#include "stored_port.h"

#include <windows.h>

namespace {

constexpr wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings\\";

std::wstring SectionPath(const std::wstring& host, const std::wstring& file) {
  return kSettingsRoot + host + L"\\Plugins\\" + file;
}

}  // namespace

void WriteStoredPort(const std::wstring& host, const wchar_t* text, const std::wstring& file) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(host, file).c_str(), 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
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

std::optional<std::wstring> ReadStoredPort(const std::wstring& host, const std::wstring& file) {
  wchar_t text[64] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, SectionPath(host, file).c_str(), L"COM", RRF_RT_ANY, &type,
                   text, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return std::wstring(text);
}

void MakeVolatileHostKey(const std::wstring& host) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, (kSettingsRoot + host).c_str(), 0, nullptr,
                      REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}
