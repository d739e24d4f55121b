#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace tarvolk::demo_host {

// A top-level window of the host ("Demo-Host" for its main window): visible
// and active, so that the plug-in's dialog and message boxes have an owner to
// block, as under a real lighting-control program.
class HostWindow {
 public:
  // The window opens offset by `place` steps from the main window's place.
  // onClosed runs when the window is destroyed before this object is (by
  // Close or from outside).
  // Throws std::runtime_error when the window cannot be created.
  HostWindow(const std::wstring& caption, int place, std::function<void()> onClosed);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool IsOpen() const { return handle_ != nullptr; }
  void Disable();
  // Destroys the window at once, or after a delay from a timer of its own,
  // which keeps running while the host sits in a call.
  void Close(std::chrono::milliseconds delay);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  std::function<void()> onClosed_;
};

}  // namespace tarvolk::demo_host
