#pragma once

#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32 {

// A window of one of our own window classes whose messages go to a member
// function. The class is registered with this module when the first window of
// it is created and unregistered with the last one, so that the library can
// be unloaded and loaded again.
class OwnWindow {
 public:
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;

  HWND Handle() const { return handle_; }

 protected:
  OwnWindow() = default;
  // Destroys the window, if it still exists, and unregisters the class.
  ~OwnWindow();

  struct Shape {
    DWORD exStyle;
    DWORD style;
    const wchar_t* caption;
    RECT bounds;  // left, top, right, bottom in pixels
    HWND parent;  // owner, HWND_MESSAGE or nullptr
  };
  // Throws PlatformError when Windows refuses. Handle() is null again once
  // the window was destroyed, by Destroy or by Windows (with its owner).
  void Create(const wchar_t* className, const Shape& shape);
  // Destroys the window without calling HandleMessage any more.
  void Destroy();

  // Must not throw; anything that escapes anyway is swallowed and the
  // message goes to the default handling.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  const wchar_t* className_ = nullptr;
};

// This library's module (the DLL, or the program it is linked into).
HINSTANCE ThisModule();

}  // namespace tarvolk::platform::win32
