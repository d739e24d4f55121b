#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/device_tree.h"
#include "platform/win32/serial/given_up_tries.h"
#include "platform/win32/serial/left_writes.h"
#include "platform/win32/serial/wake_notices.h"
#include "platform/win32/windows_api.h"

namespace tarvolk::platform::win32::serial {

// Everything a COM port asks of Windows and of the serial driver below it,
// one call each, so that the port's own logic can run in tests against models
// of the drivers users own (a CH340 that refuses a reopen, a UART that
// finishes a write only when its last byte has left, a USB adapter that drops
// its buffer at close, a driver that never finishes a write, ...).
//
// Each call answers as its Windows namesake does: false (or
// INVALID_HANDLE_VALUE) on failure, with the reason in the thread's last
// error. WindowsCommDriver passes every call straight to Windows.
class CommDriver {
 public:
  using Duration = std::chrono::nanoseconds;
  virtual ~CommDriver() = default;

  // CreateFileW for exclusive, overlapped use.
  virtual HANDLE Open(const std::wstring& name) = 0;
  virtual bool SetupComm(HANDLE port, DWORD inputSize, DWORD outputSize) = 0;
  virtual bool GetCommState(HANDLE port, DCB& state) = 0;
  virtual bool SetCommState(HANDLE port, const DCB& state) = 0;
  virtual bool SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) = 0;
  // CreateEventW for a write's OVERLAPPED (manual reset, not signalled), and
  // CloseHandle for it: nullptr when no event could be made.
  virtual HANDLE NewEvent() = 0;
  virtual void CloseEvent(HANDLE event) = 0;
  // WriteFile, overlapped: true when the write finished at once; false with
  // ERROR_IO_PENDING while the driver goes on with it.
  virtual bool Write(HANDLE port, const std::uint8_t* bytes, DWORD count,
                     OVERLAPPED& overlapped) = 0;
  // GetOverlappedResult without waiting: false with ERROR_IO_INCOMPLETE while
  // the write is still under way. port may have been closed since the write.
  virtual bool WriteResult(HANDLE port, OVERLAPPED& overlapped, DWORD& transferred) = 0;
  virtual bool CancelIo(HANDLE port) = 0;
  virtual bool PurgeComm(HANDLE port, DWORD flags) = 0;
  // Whether the port still answers (ClearCommError); its error flags are reset.
  virtual bool ClearCommError(HANDLE port) = 0;
  virtual void Close(HANDLE port) = 0;

  // A precise monotonic clock (QueryPerformanceCounter), unlike
  // GetTickCount64, which moves in steps of up to 16 ms. Counts the time the
  // PC sleeps.
  virtual Duration Now() = 0;
  // The time the PC has spent asleep or hibernating since it started, as
  // Windows' clocks tell it: GetTickCount64 counts it, the unbiased
  // interrupt time does not. Grows only at a wake, give or take a clock tick
  // (16 ms); readable at any moment, without a notice.
  virtual Duration TimeAsleep() = 0;
  // Sleep: may end a little before or long after the time asked for.
  virtual void Sleep(DWORD milliseconds) = 0;
  // Runs work on a thread of its own and returns at once; false when no
  // thread could be started.
  virtual bool RunAside(std::function<void()> work) = 0;

  // The device tree the COM ports hang in (SetupAPI, CfgMgr); callable from
  // any thread. A listing takes tens to hundreds of milliseconds on a PC
  // with many devices, and seconds while a Bluetooth radio wakes up.
  virtual DeviceTree& Devices() = 0;

  // Writes that ports gave up on while this driver still held them: their
  // buffers and events stay with it (WindowsCommDriver: the whole process).
  LeftWrites& WritesLeft() { return writesLeft_; }
  // Tries to open a port given up while under way, by any port on this driver.
  GivenUpTries& TriesGivenUp() { return triesGivenUp_; }
  // The PC's sleeps, as this driver's power notifications tell them.
  WakeNotices& Wakes() { return wakes_; }

 private:
  LeftWrites writesLeft_;
  GivenUpTries triesGivenUp_;
  WakeNotices wakes_;
};

}  // namespace tarvolk::platform::win32::serial
