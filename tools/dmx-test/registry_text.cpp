#include "registry_text.h"

#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

// Far more than any value read here holds (a path, a port number).
constexpr DWORD kLongestBytes = 64 * 1024;

std::wstring TypeName(DWORD type) {
  switch (type) {
    case REG_DWORD:
      return L"REG_DWORD";
    case REG_QWORD:
      return L"REG_QWORD";
    case REG_BINARY:
      return L"REG_BINARY";
    case REG_MULTI_SZ:
      return L"REG_MULTI_SZ";
    case REG_EXPAND_SZ:
      return L"REG_EXPAND_SZ";
    default:
      return L"Typ " + std::to_wstring(type);
  }
}

bool IsText(DWORD type, bool expandable) {
  return type == REG_SZ || (expandable && type == REG_EXPAND_SZ);
}

}  // namespace

std::optional<Fact> ReadRegistryText(HKEY root, const std::wstring& key, const wchar_t* name,
                                     REGSAM view, bool expandable) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) {
    return WindowsFailure(L"Der Schlüssel ist nicht zu öffnen", static_cast<DWORD>(status));
  }
  std::optional<Fact> text = ReadRegistryText(opened, name, expandable);
  RegCloseKey(opened);
  return text;
}

std::optional<Fact> ReadRegistryText(HKEY key, const wchar_t* name, bool expandable) {
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) {
    return WindowsFailure(L"Der Wert ist nicht zu lesen", static_cast<DWORD>(status));
  }
  if (!IsText(type, expandable)) return Unknown(L"kein Text, sondern " + TypeName(type));
  if (size > kLongestBytes) return Unknown(L"zu lang (" + std::to_wstring(size) + L" Bytes)");
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD read = size;
  status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read);
  if (status != ERROR_SUCCESS) {
    return WindowsFailure(L"Der Wert ist nicht zu lesen", static_cast<DWORD>(status));
  }
  // Changed since its size was asked.
  if (!IsText(type, expandable)) return Unknown(L"kein Text, sondern " + TypeName(type));
  text.resize(read / sizeof(wchar_t));
  if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
  return Known(std::move(text));
}

}  // namespace tarvolk::dmx_test
