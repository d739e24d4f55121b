// Tarvolk DMX – Test: tries the installed plug-in the way a lighting program
// uses it, so that an operator can tell the interface, the plug-in and the
// lighting program apart when the rig stays dark.
#include <windows.h>

// After windows.h.
#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "operator_message.h"
#include "plugin_session.h"
#include "startup_error.h"
#include "test_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int exitCode = 0;
  try {
    auto plugin = std::make_unique<tarvolk::dmx_test::PluginSession>();
    tarvolk::dmx_test::TestWindow(*plugin).Run();
  } catch (const tarvolk::automation::CreationError& error) {
    tarvolk::dmx_test::TellOperator(nullptr, tarvolk::dmx_test::StartupErrorText(error.Result()),
                                    MB_ICONSTOP);
    exitCode = 1;
  }
  CoUninitialize();
  return exitCode;
}
