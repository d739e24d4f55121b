#include "platform/win32/registry_settings.h"

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {
namespace {

constexpr std::u16string_view kSettingsRoot = u"Software\\VB and VBA Program Settings\\";
constexpr std::size_t kMaxKeyNameLength = 255;
// The longest name the registry API carries at all (a counted 16-bit string).
constexpr std::size_t kMaxKeyPathLength = 32767;

std::u16string SectionPath(const std::u16string& application, const std::u16string& section) {
  return std::u16string(kSettingsRoot) + application + u"\\" + section;
}

// Whether every level of the path can name a key: 1 to 255 characters, no
// NUL (the API would cut the name there and address another key). Such a
// path addresses nothing; so does an empty application name, which would
// otherwise address the settings root shared by every program.
bool IsKeyPath(std::u16string_view path) {
  if (path.size() > kMaxKeyPathLength || path.find(u'\0') != std::u16string_view::npos) {
    return false;
  }
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find(u'\\', start);
    const std::size_t length = (end == std::u16string_view::npos ? path.size() : end) - start;
    if (length == 0 || length > kMaxKeyNameLength) return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

[[noreturn]] void RefuseWrite(std::string_view step, LSTATUS status) {
  const auto code = static_cast<unsigned long>(status);
  throw SettingsWriteError(ErrorText(step, code), code);
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
  const std::u16string path = SectionPath(application, section);
  if (!IsKeyPath(path)) return std::nullopt;
  OpenKey sectionKey;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path), 0, KEY_QUERY_VALUE, sectionKey.Out()) !=
      ERROR_SUCCESS) {
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
  const std::u16string path = SectionPath(application, section);
  if (!IsKeyPath(path)) return;
  OpenKey sectionKey;
  const LSTATUS created =
      RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, sectionKey.Out(), nullptr);
  if (created != ERROR_SUCCESS) RefuseWrite("RegCreateKeyExW", created);
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  const LSTATUS written = RegSetValueExW(sectionKey.Get(), Wide(key), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(Wide(value)), bytes);
  if (written != ERROR_SUCCESS) RefuseWrite("RegSetValueExW", written);
}

}  // namespace tarvolk::platform::win32
