#pragma once

#include <windows.h>

#include <string>

#include "automation_object.h"

namespace tarvolk::dmx_test {

// The plug-in as the test program uses it, exactly as a host does: created
// by its ProgID in this apartment-threaded thread, given the program's title
// and the plug-in's file name, and called by its methods' names. Enable and
// Configure may show the plug-in's own windows, each running a message loop
// of its own until it is closed.
class PluginSession {
 public:
  static constexpr wchar_t kProgId[] = L"Tarvolk_DMX.clsOutputDriver";
  static constexpr wchar_t kTitle[] = L"Tarvolk DMX Test";
  static constexpr wchar_t kFileName[] = L"Tarvolk_DMX.out.dll";

  // Throws automation::CreationError when the plug-in cannot be created.
  PluginSession();

  std::wstring Name();
  bool Enable();
  // A failed call's automation error, as text; nothing when it succeeded.
  std::wstring Disable();
  std::wstring SetChannel(int channel, int value);
  std::wstring Configure();
  std::wstring Term();
  // How a host ends its use of the plug-in: output off, which closes the
  // port (and journals it), and Term, which stores the port. Only the first
  // call acts; each returns what Term failed with, nothing when it succeeded.
  std::wstring End();
  // Init again, which reads the port stored for this program anew; returns
  // what it failed with, nothing when it succeeded.
  std::wstring ReadStoredPort();

 private:
  std::wstring Failure(const automation::CallOutcome& outcome) const;

  automation::AutomationObject object_;
  bool ended_ = false;
  std::wstring termFailure_;
};

}  // namespace tarvolk::dmx_test
