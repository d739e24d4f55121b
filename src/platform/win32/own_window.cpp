#include "platform/win32/own_window.h"

#include <utility>

#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32 {
namespace {

void RegisterClassOnce(const wchar_t* className, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ThisModule();
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = className;
  // Another thread's window may have registered it already.
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError("RegisterClassExW");
  }
}

}  // namespace

HINSTANCE ThisModule() {
  static const int anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&anchor), &module);
  return module;
}

OwnWindow::~OwnWindow() {
  Destroy();
  // Fails, harmlessly, while another thread still has a window of the class.
  if (className_ != nullptr) UnregisterClassW(className_, ThisModule());
}

void OwnWindow::Destroy() {
  if (handle_ == nullptr) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(std::exchange(handle_, nullptr));
}

void OwnWindow::Create(const wchar_t* className, const Shape& shape) {
  RegisterClassOnce(className, &OwnWindow::Procedure);
  className_ = className;
  const RECT& r = shape.bounds;
  if (CreateWindowExW(shape.exStyle, className, shape.caption, shape.style, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, shape.parent, nullptr, ThisModule(),
                      this) == nullptr) {
    ThrowLastError("CreateWindowExW");
  }
}

LRESULT CALLBACK OwnWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<OwnWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<OwnWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace tarvolk::platform::win32
