#include "host_window.h"

#include <stdexcept>

namespace tarvolk::demo_host {
namespace {

constexpr wchar_t kClassName[] = L"TarvolkDemoHost";
constexpr wchar_t kCaption[] = L"Demo-Host";

}  // namespace

HostWindow::HostWindow() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);
  handle_ = CreateWindowExW(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, 40, 40, 480, 320, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  if (handle_ == nullptr) throw std::runtime_error("cannot create the host window");
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
}

HostWindow::~HostWindow() { DestroyWindow(handle_); }

}  // namespace tarvolk::demo_host
