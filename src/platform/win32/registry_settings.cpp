#include "platform/win32/registry_settings.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {
namespace {

// An empty application name would address the settings root shared by every
// program: nothing is read from there (Get gives nullopt) and nothing is
// written (Set does nothing), as for an object the host never initialised.

std::u16string SectionPath(const std::u16string& application, const std::u16string& section) {
  return u"Software\\VB and VBA Program Settings\\" + application + u"\\" + section;
}

class OpenKey {
 public:
  OpenKey() = default;
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;

  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::optional<std::u16string> RegistrySettings::Get(const std::u16string& application,
                                                    const std::u16string& section,
                                                    const std::u16string& key) const {
  if (application.empty()) return std::nullopt;
  OpenKey sectionKey;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(SectionPath(application, section)), 0, KEY_QUERY_VALUE,
                    sectionKey.Out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(sectionKey.Get(), Wide(key), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (RegQueryValueExW(sectionKey.Get(), Wide(key), nullptr, &type,
                       reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  // The stored size may or may not count a terminating null.
  text.resize(size / sizeof(wchar_t));
  if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
  return FromWide(text);
}

void RegistrySettings::Set(const std::u16string& application, const std::u16string& section,
                           const std::u16string& key, const std::u16string& value) {
  if (application.empty()) return;
  OpenKey sectionKey;
  const LSTATUS created =
      RegCreateKeyExW(HKEY_CURRENT_USER, Wide(SectionPath(application, section)), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, sectionKey.Out(), nullptr);
  if (created != ERROR_SUCCESS) ThrowError("RegCreateKeyExW", static_cast<unsigned long>(created));
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  const LSTATUS written = RegSetValueExW(sectionKey.Get(), Wide(key), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(Wide(value)), bytes);
  if (written != ERROR_SUCCESS) ThrowError("RegSetValueExW", static_cast<unsigned long>(written));
}

}  // namespace tarvolk::platform::win32
