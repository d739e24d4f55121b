#include "platform/win32/engine_window.h"

#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TarvolkDmx.frmMain";

}  // namespace

EngineWindow::TimerId EngineWindow::AddTimer(std::function<void()> onTick) {
  const TimerId id = nextId_++;
  onTick_.emplace(id, std::move(onTick));
  return id;
}

void EngineWindow::RemoveTimer(TimerId id) {
  Disarm(id);
  onTick_.erase(id);
}

void EngineWindow::Arm(TimerId id, UINT periodMs) {
  if (Handle() == nullptr) {
    Create(kClassName, {.exStyle = 0,
                        .style = 0,
                        .caption = L"frmMain",
                        .bounds = {0, 0, 0, 0},
                        .parent = HWND_MESSAGE});
  }
  // Arming a running timer again replaces its period and restarts it.
  if (SetTimer(Handle(), id, periodMs, nullptr) == 0) ThrowLastError("SetTimer");
}

void EngineWindow::Disarm(TimerId id) {
  if (Handle() != nullptr) KillTimer(Handle(), id);
}

LRESULT EngineWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    Tick(wParam);
    return 0;
  }
  return DefWindowProcW(Handle(), message, wParam, lParam);
}

void EngineWindow::Tick(TimerId id) {
  const auto found = onTick_.find(id);
  if (found == onTick_.end()) return;
  // A copy, so that a tick may even remove its own timer.
  const std::function<void()> onTick = found->second;
  try {
    onTick();
  } catch (...) {
    // A failing tick must not reach the window procedure or the host; the
    // next tick tries again.
  }
}

}  // namespace tarvolk::platform::win32
