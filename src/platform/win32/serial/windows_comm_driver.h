#pragma once

#include "platform/win32/serial/comm_driver.h"

namespace tarvolk::platform::win32::serial {

// The COM port's calls as Windows answers them. It keeps no state of its
// own, so one instance serves every port and every thread of the process;
// it is told of the PC's sleeps from Windows 8 on (see WakeNotices).
class WindowsCommDriver final : public CommDriver {
 public:
  static WindowsCommDriver& Instance();

  HANDLE Open(const std::wstring& name) override;
  bool SetupComm(HANDLE port, DWORD inputSize, DWORD outputSize) override;
  bool GetCommState(HANDLE port, DCB& state) override;
  bool SetCommState(HANDLE port, const DCB& state) override;
  bool SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) override;
  HANDLE NewEvent() override;
  void CloseEvent(HANDLE event) override;
  bool Write(HANDLE port, const std::uint8_t* bytes, DWORD count, OVERLAPPED& overlapped) override;
  bool WriteResult(HANDLE port, OVERLAPPED& overlapped, DWORD& transferred) override;
  bool CancelIo(HANDLE port) override;
  bool PurgeComm(HANDLE port, DWORD flags) override;
  bool ClearCommError(HANDLE port) override;
  void Close(HANDLE port) override;
  Duration Now() override;
  Duration TimeAsleep() override;
  void Sleep(DWORD milliseconds) override;
  bool RunAside(std::function<void()> work) override;
  DeviceTree& Devices() override;

 private:
  WindowsCommDriver();
};

}  // namespace tarvolk::platform::win32::serial
