// Tarvolk DMX – Test: tries the installed plug-in the way a lighting program
// uses it, so that an operator can tell the interface, the plug-in and the
// lighting program apart when the rig stays dark; and writes a report for
// support, also from a script ("/Bericht DATEI") and without the plug-in.
#include <windows.h>

// After windows.h.
#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "operator_message.h"
#include "plugin_session.h"
#include "report_collect.h"
#include "report_command.h"
#include "save_dialog.h"
#include "startup_error.h"
#include "test_window.h"

namespace {

// A plug-in that does not start is what a report for support is most
// needed for: it is offered right there. No output runs yet, so the
// collection (at most 5 s for the list of devices) may hold this thread.
void TellStartupError(HRESULT result) {
  using namespace tarvolk::dmx_test;
  const std::wstring question = L"\n\nMöchten Sie einen Bericht für die Unterstützung speichern?";
  if (TellOperator(nullptr, StartupErrorText(result) + question, MB_ICONSTOP | MB_YESNO) == IDYES) {
    SaveReport(nullptr, MakeReport());
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (const auto commandDone = tarvolk::dmx_test::RunCommandLine()) return *commandDone;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int exitCode = 0;
  try {
    auto plugin = std::make_unique<tarvolk::dmx_test::PluginSession>();
    tarvolk::dmx_test::TestWindow(*plugin).Run();
  } catch (const tarvolk::automation::CreationError& error) {
    TellStartupError(error.Result());
    exitCode = 1;
  }
  CoUninitialize();
  return exitCode;
}
