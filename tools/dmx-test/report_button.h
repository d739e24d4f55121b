#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "report_collect.h"

namespace tarvolk::dmx_test {

// The test window's "Bericht speichern …": the report is collected on a
// thread of its own, since Windows' list of devices may take seconds and the
// plug-in's output runs on this thread's timer meanwhile; the button waits
// disabled, then the window is told with kReady that the report is there.
// It is kept until the window is free for the Save dialog (no message box
// or plug-in's window open), looked at again on kRetryTimer.
class ReportButton {
 public:
  static constexpr UINT kReady = WM_APP + 1;
  // Apart from the window's other timers.
  static constexpr UINT_PTR kRetryTimer = 3;

  void Attach(HWND window);
  // Starts the collection; returns what to tell the operator when it
  // cannot start, nothing otherwise.
  std::wstring Start();
  // kReady's lParam: the report, kept.
  void Ready(LPARAM report);
  // The report kept, when the window is free; the button usable again.
  // Nothing while it is not (then asked again shortly) or none is kept.
  std::unique_ptr<Report> Take(bool windowFree);

 private:
  static DWORD WINAPI Collect(void* window);
  void Busy(bool busy);

  HWND window_ = nullptr;
  std::wstring label_;
  bool focusMoved_ = false;
  std::unique_ptr<Report> ready_;
};

}  // namespace tarvolk::dmx_test
