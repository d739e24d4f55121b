#include "plugin_session.h"

#include "channel_picture.h"

namespace tarvolk::dmx_test {

PluginSession::PluginSession() : object_(kProgId) {
  object_.Call(L"Init", {std::wstring(kTitle), std::wstring(kFileName)});
}

std::wstring PluginSession::Failure(const automation::CallOutcome& outcome) const {
  return outcome.failed ? outcome.text : std::wstring();
}

// The name comes back quoted, as a string result reads.
std::wstring PluginSession::Name() {
  const automation::CallOutcome outcome = object_.Call(L"PluginName");
  if (outcome.failed || outcome.text.size() < 2 || outcome.text.front() != L'"') return {};
  return outcome.text.substr(1, outcome.text.size() - 2);
}

bool PluginSession::Enable() {
  const automation::CallOutcome outcome = object_.Call(L"Enable");
  return !outcome.failed && outcome.text == L"true";
}

std::wstring PluginSession::Disable() { return Failure(object_.Call(L"Disable")); }

std::wstring PluginSession::SetChannel(int channel, int value) {
  return Failure(object_.Call(L"SetChannel", {LONG{channel}, LONG{value}}));
}

std::wstring PluginSession::Configure() { return Failure(object_.Call(L"Configure")); }

std::wstring PluginSession::Term() { return Failure(object_.Call(L"Term")); }

// Disable never fails in the plug-in, and a closing program has nothing to
// offer the operator for it.
std::wstring PluginSession::End() {
  if (!ended_) {
    ended_ = true;
    Disable();
    termFailure_ = Term();
  }
  return termFailure_;
}

// Where the plug-in keeps it: the settings of the program's title and the
// plug-in's file name.
std::wstring PluginSession::StoredPort() const {
  const std::wstring key = std::wstring(L"Software\\VB and VBA Program Settings\\") + kTitle +
                           L"\\Plugins\\" + kFileName;
  wchar_t text[16] = {};
  DWORD size = sizeof text - sizeof text[0];
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"COM", RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  const auto port = WholeNumberIn(text, 1, 255);
  return port ? L"COM" + std::to_wstring(*port) : std::wstring();
}

}  // namespace tarvolk::dmx_test
