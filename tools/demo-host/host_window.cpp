#include "host_window.h"

#include <stdexcept>

namespace tarvolk::demo_host {
namespace {

constexpr wchar_t kClassName[] = L"TarvolkDemoHost";
constexpr int kPlaceStep = 40;  // pixels right and down from one window to the next
constexpr UINT_PTR kCloseTimer = 1;

}  // namespace

HostWindow::HostWindow(const std::wstring& caption, int place, std::function<void()> onClosed)
    : onClosed_(std::move(onClosed)) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &HostWindow::Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // fails harmlessly for every window after the first
  const int offset = kPlaceStep * (place + 1);
  if (CreateWindowExW(0, kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, offset, offset, 480, 320,
                      nullptr, nullptr, GetModuleHandleW(nullptr), this) == nullptr) {
    throw std::runtime_error("cannot create a host window");
  }
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
}

HostWindow::~HostWindow() {
  if (handle_ == nullptr) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

void HostWindow::Disable() { EnableWindow(handle_, FALSE); }

void HostWindow::Close(std::chrono::milliseconds delay) {
  if (delay.count() == 0) {
    DestroyWindow(handle_);
  } else {
    SetTimer(handle_, kCloseTimer, static_cast<UINT>(delay.count()), nullptr);
  }
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_TIMER && wParam == kCloseTimer) {
    DestroyWindow(window);
    return 0;
  }
  if (self != nullptr && message == WM_NCDESTROY) {
    self->handle_ = nullptr;
    self->onClosed_();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarvolk::demo_host
