#include "driver_models.h"

#include <algorithm>

namespace tarvolk::drivers {

DriverModel::WriteJob WireTimeUart::Finish(Duration, Duration lineEnd, DWORD count) {
  return {lineEnd, count, ERROR_SUCCESS};
}

DriverModel::WriteJob Fifo16550::Finish(Duration now, Duration lineEnd, DWORD count) {
  return {std::max(now, lineEnd - ByteTime() * kFifoBytes), count, ERROR_SUCCESS};
}

// A write waits only while the buffer has no room for it.
DriverModel::WriteJob UsbAdapter::Finish(Duration now, Duration lineEnd, DWORD count) {
  return {std::max(now, lineEnd - ByteTime() * kBufferBytes), count, ERROR_SUCCESS};
}

Duration UsbAdapter::SleepTime(Duration asked) {
  std::uniform_int_distribution<std::int64_t> early(
      0, std::chrono::nanoseconds(std::chrono::milliseconds(1)).count());
  const Duration now = clock_.Now();
  const Duration due = now + asked - Duration(early(random_));
  const Duration wake = (due + kClockTick - Duration(1)) / kClockTick * kClockTick;
  return std::max(wake, now) - now;
}

DWORD Ch340Reopen::Refusal(const DCB& state) {
  if (closes > closesSeen_) {
    closesSeen_ = closes;
    refusing_ = true;
  }
  return refusing_ ? ERROR_GEN_FAILURE : DriverModel::Refusal(state);
}

InheritedLineState::InheritedLineState(fakes::FakeClock& clock) : DriverModel(clock) {
  lineState_.XonChar = 0;
  lineState_.XoffChar = 0;
  lineState_.XonLim = 60000;
  lineState_.XoffLim = 60000;
  lineState_.fOutxCtsFlow = TRUE;
  lineState_.fOutX = TRUE;
  lineState_.fInX = TRUE;
  lineState_.fTXContinueOnXoff = FALSE;
  lineState_.fErrorChar = TRUE;
  lineState_.ErrorChar = '?';
  lineState_.EofChar = 0x1a;
  lineState_.EvtChar = '\n';
  lineState_.fAbortOnError = TRUE;
}

DWORD InheritedLineState::Refusal(const DCB& state) {
  constexpr WORD kInputBuffer = 1024;
  if (state.XonLim > kInputBuffer || state.XoffLim > kInputBuffer) Take(kHang);
  return DriverModel::Refusal(state);
}

DriverModel::WriteJob BlackHole::Finish(Duration now, Duration, DWORD count) {
  return {recovered_ || at == workingAt ? now : kNever, count, ERROR_SUCCESS};
}

void BlackHole::Recover() {
  recovered_ = true;
  AbortUnfinishedWrites();
}

HANDLE Ch340KeepsHandleAtWake::Open(const std::wstring& name) {
  const HANDLE port = DriverModel::Open(name);
  if (port != INVALID_HANDLE_VALUE) lineLost_ = false;  // a new handle sets the chip up
  return port;
}

bool Ch340KeepsHandleAtWake::SetCommState(HANDLE port, const DCB& state) {
  if (!DriverModel::SetCommState(port, state)) return false;
  lineLost_ = false;
  return true;
}

namespace {

struct Notice {
  platform::win32::serial::WakeNotices* wakes;
  ULONG type;
  Duration at;
};

DWORD WINAPI Deliver(void* context) {
  const Notice& notice = *static_cast<Notice*>(context);
  notice.wakes->OnPowerEvent(notice.type, notice.at);
  return 0;
}

void Notify(platform::win32::serial::WakeNotices& wakes, ULONG type, Duration at) {
  Notice notice{&wakes, type, at};
  const HANDLE thread = CreateThread(nullptr, 0, &Deliver, &notice, 0, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

}  // namespace

void Ch340KeepsHandleAtWake::GoToSleep() { Notify(Wakes(), PBT_APMSUSPEND, Now()); }

void Ch340KeepsHandleAtWake::WakeUp() { Notify(Wakes(), PBT_APMRESUMEAUTOMATIC, Now()); }

void Ch340KeepsHandleAtWake::UserReturns() { Notify(Wakes(), PBT_APMRESUMESUSPEND, Now()); }

void Ch340KeepsHandleAtWake::Sleeps(Duration span) {
  timeAsleep += span;
  PowerGoes(span);
}

void Ch340KeepsHandleAtWake::FrozenFor(Duration span) { PowerGoes(span); }

void Ch340KeepsHandleAtWake::PowerGoes(Duration span) {
  clock_.Advance(span);
  lineLost_ = true;
  EndUnfinishedWritesAt(Now() + kFailsAfterWake, ERROR_GEN_FAILURE);
}

DriverModel::WriteJob Ch340KeepsHandleAtWake::Finish(Duration now, Duration lineEnd, DWORD count) {
  return {std::max(now, lineEnd - ByteTime() * kChipBufferBytes), count, ERROR_SUCCESS};
}

DriverModel::WriteJob AcceptThenFail::Finish(Duration now, Duration, DWORD count) {
  return {now + kFailsAfter, count, ERROR_GEN_FAILURE};
}

}  // namespace tarvolk::drivers
