#include "tick_probe.h"

#include <stdexcept>

#include "unix_time.h"

namespace tarvolk::bench {

TickProbe::TickProbe(UINT periodMs)
    : periodMs_(periodMs), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
  if (ready_ == nullptr || thread_ == nullptr)
    throw std::runtime_error("cannot start the tick probe");
  // The thread's queue must exist before WM_QUIT can be posted to it.
  WaitForSingleObject(ready_, INFINITE);
}

TickProbe::~TickProbe() {
  Stop();
  CloseHandle(ready_);
}

TickProbe::Ticks TickProbe::Stop() {
  if (thread_ != nullptr) {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  return ticks_;
}

DWORD WINAPI TickProbe::Run(void* self) {
  auto& probe = *static_cast<TickProbe*>(self);
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // creates the queue
  const UINT_PTR timer = SetTimer(nullptr, 0, probe.periodMs_, nullptr);
  SetEvent(probe.ready_);
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message != WM_TIMER || message.wParam != timer) continue;
    const long long now = demo_host::UnixMicroseconds();
    if (probe.ticks_.count++ == 0) {
      probe.ticks_.firstUs = now;
    } else {
      probe.ticks_.intervalsUs.push_back(now - probe.ticks_.lastUs);
    }
    probe.ticks_.lastUs = now;
  }
  KillTimer(nullptr, timer);
  return 0;
}

}  // namespace tarvolk::bench
