#include "platform/win32/window_timer.h"

#include "platform/platform_error.h"

namespace tarvolk::platform::win32 {
namespace {

constexpr std::int32_t kMinIntervalMs = 1;
constexpr std::int32_t kMaxIntervalMs = 65535;

}  // namespace

WindowTimer::WindowTimer(EngineWindow& window, std::function<void()> onTick)
    : window_(window), id_(window.AddTimer(std::move(onTick))) {}

WindowTimer::~WindowTimer() { window_.RemoveTimer(id_); }

void WindowTimer::SetIntervalMs(std::int32_t intervalMs) {
  if (intervalMs < kMinIntervalMs || intervalMs > kMaxIntervalMs) {
    throw PlatformError("timer interval out of range");
  }
  if (running_.IsUp()) window_.Arm(id_, static_cast<UINT>(intervalMs));
  intervalMs_ = intervalMs;
}

void WindowTimer::Start() {
  if (running_.IsUp()) return;
  window_.Arm(id_, static_cast<UINT>(intervalMs_));
  running_.Raise();
}

void WindowTimer::Stop() {
  window_.Disarm(id_);
  running_.Lower();
}

}  // namespace tarvolk::platform::win32
