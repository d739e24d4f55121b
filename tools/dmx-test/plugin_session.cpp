#include "plugin_session.h"

namespace tarvolk::dmx_test {

// A stored port the plug-in cannot read fails Init; the window says why.
PluginSession::PluginSession() : object_(kProgId) { ReadStoredPort(); }

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

std::wstring PluginSession::ReadStoredPort() {
  return Failure(object_.Call(L"Init", {std::wstring(kTitle), std::wstring(kFileName)}));
}

}  // namespace tarvolk::dmx_test
