#include "stored_ports.h"

#include <algorithm>

#include "plugin_session.h"
#include "registry_text.h"
#include "report_text.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings";
// A bound on the titles looked at, far beyond the programs of one user.
constexpr DWORD kMostTitles = 10000;
// A key's name has at most 255 characters.
constexpr DWORD kLongestTitle = 256;

std::wstring PluginKey(const std::wstring& title) {
  return std::wstring(kSettingsRoot) + L"\\" + title + L"\\Plugins\\" + PluginSession::kFileName;
}

Fact LocalTimeOf(const FILETIME& written) {
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&written, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return WindowsFailure(L"Zeit nicht umzurechnen", GetLastError());
  }
  return Known(
      TimeText({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond}));
}

struct Found {
  StoredPort port;
  ULONGLONG written = 0;
};

// The title's stored port, when it has a COM value.
std::optional<Found> ReadTitle(const std::wstring& title) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, PluginKey(title).c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<Found> found;
  if (auto value = ReadRegistryText(key, L"COM")) {
    FILETIME written{};
    const LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr, &written);
    found =
        Found{{title, std::move(value),
               status == ERROR_SUCCESS ? LocalTimeOf(written)
                                       : WindowsFailure(L"unbekannt", static_cast<DWORD>(status))},
              (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime};
  }
  RegCloseKey(key);
  return found;
}

}  // namespace

StoredPortList ListStoredPorts() {
  StoredPortList list;
  HKEY root = nullptr;
  const LSTATUS opened =
      RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsRoot, 0, KEY_ENUMERATE_SUB_KEYS, &root);
  if (opened == ERROR_FILE_NOT_FOUND) return list;
  if (opened != ERROR_SUCCESS) {
    list.listed =
        WindowsFailure(L"Die Einstellungen sind nicht zu lesen", static_cast<DWORD>(opened));
    return list;
  }
  std::vector<Found> found;
  LSTATUS status = ERROR_SUCCESS;
  for (DWORD index = 0; index < kMostTitles; ++index) {
    wchar_t title[kLongestTitle] = {};
    DWORD length = kLongestTitle;
    status = RegEnumKeyExW(root, index, title, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    if (auto port = ReadTitle(std::wstring(title, length))) found.push_back(std::move(*port));
  }
  RegCloseKey(root);
  if (status != ERROR_SUCCESS && status != ERROR_NO_MORE_ITEMS) {
    list.listed = WindowsFailure(L"Die Liste der Programme brach ab", static_cast<DWORD>(status));
  }
  std::ranges::stable_sort(found,
                           [](const Found& a, const Found& b) { return a.written > b.written; });
  for (Found& each : found) list.ports.push_back(std::move(each.port));
  return list;
}

std::optional<Fact> OwnStoredPort() {
  return ReadRegistryText(HKEY_CURRENT_USER, PluginKey(PluginSession::kTitle), L"COM");
}

DWORD StoreOwnPort(int port) {
  HKEY key = nullptr;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, PluginKey(PluginSession::kTitle).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  const std::wstring text = std::to_wstring(port);
  status = RegSetValueExW(key, L"COM", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return static_cast<DWORD>(status);
}

}  // namespace tarvolk::dmx_test
