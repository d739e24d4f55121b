#include "com/registry_keys.h"

#include "com/com_error.h"

namespace tarvolk::com {
namespace {

constexpr std::u16string_view kRegistryRefused = u"Die Registrierung wurde verweigert";

void ThrowIfRegistryFailed(LSTATUS status) {
  if (status != ERROR_SUCCESS) throw ComError(HRESULT_FROM_WIN32(status), kRegistryRefused);
}

}  // namespace

void SetClassesValue(const std::wstring& path, const std::wstring& text, const wchar_t* valueName) {
  HKEY key = nullptr;
  ThrowIfRegistryFailed(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                                        KEY_SET_VALUE, nullptr, &key, nullptr));
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  const LSTATUS status =
      RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  RegCloseKey(key);
  ThrowIfRegistryFailed(status);
}

void DeleteClassesTree(const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status != ERROR_FILE_NOT_FOUND) ThrowIfRegistryFailed(status);
}

bool ClassesKeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

}  // namespace tarvolk::com
