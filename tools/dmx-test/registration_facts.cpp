#include "registration_facts.h"

#include "file_facts.h"
#include "plugin_session.h"
#include "registry_text.h"
#include "system_facts.h"

namespace tarvolk::dmx_test {
namespace {

Fact Missing(std::optional<Fact> read, const wchar_t* why) {
  return read ? std::move(*read) : Unknown(why);
}

// The file the registered text names: quotes around it dropped, and
// %SystemRoot% and the like expanded, as COM does.
std::wstring ServerFile(std::wstring registered) {
  if (registered.size() >= 2 && registered.front() == L'"' && registered.back() == L'"') {
    registered = registered.substr(1, registered.size() - 2);
  }
  const DWORD length = ExpandEnvironmentStringsW(registered.c_str(), nullptr, 0);
  if (length == 0) return registered;
  std::wstring expanded(length, L'\0');
  expanded.resize(ExpandEnvironmentStringsW(registered.c_str(), expanded.data(), length));
  if (!expanded.empty() && expanded.back() == L'\0') expanded.pop_back();
  return expanded;
}

}  // namespace

Registration ReadRegistration(int bits, REGSAM view) {
  Registration registration;
  registration.bits = bits;
  registration.classId =
      Missing(ReadRegistryText(HKEY_CLASSES_ROOT, std::wstring(PluginSession::kProgId) + L"\\CLSID",
                               nullptr, view),
              L"nicht registriert (ProgID Tarvolk_DMX.clsOutputDriver fehlt)");
  if (!registration.classId.Read()) return registration;
  const std::wstring server = L"CLSID\\" + registration.classId.text + L"\\InprocServer32";
  registration.server = Missing(ReadRegistryText(HKEY_CLASSES_ROOT, server, nullptr, view, true),
                                L"fehlt (die CLSID hat keinen InprocServer32)");
  registration.threadingModel = Missing(
      ReadRegistryText(HKEY_CLASSES_ROOT, server, L"ThreadingModel", view), L"nicht angegeben");
  if (!registration.server.Read()) return registration;
  const std::wstring file = ServerFile(registration.server.text);
  registration.file = FileThere(file);
  if (!registration.file.Read()) return registration;
  registration.version = FileVersion(file);
  registration.machine = FileMachine(file);
  return registration;
}

std::vector<Registration> CollectRegistrations() {
  std::vector<Registration> registrations{ReadRegistration(32, KEY_WOW64_32KEY)};
  if (WindowsIs64Bit()) {
    registrations.push_back(ReadRegistration(64, KEY_WOW64_64KEY));
  } else {
    registrations.push_back(
        {64, Unknown(L"keine: Windows ist ein 32-Bit-System"), {}, {}, {}, {}, {}});
  }
  return registrations;
}

}  // namespace tarvolk::dmx_test
