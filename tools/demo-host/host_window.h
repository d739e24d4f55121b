#pragma once

#include <windows.h>

namespace tarvolk::demo_host {

// The host's main window, "Demo-Host": visible and active, so that the
// plug-in's dialog and message boxes have an owner to block, as under a real
// lighting-control program.
class HostWindow {
 public:
  // Throws std::runtime_error when the window cannot be created.
  HostWindow();
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

 private:
  HWND handle_ = nullptr;
};

}  // namespace tarvolk::demo_host
