#include "platform/win32/serial/windows_comm_driver.h"

#include <memory>

#include "platform/win32/serial/windows_device_tree.h"
#include "platform/win32/win32_error.h"

namespace tarvolk::platform::win32::serial {
namespace {

LONGLONG CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

// QueryPerformanceCounter, which counts the time asleep too.
CommDriver::Duration CounterNow() {
  static const LONGLONG frequency = CounterFrequency();
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  // Whole seconds first, so that the product cannot overflow.
  const LONGLONG seconds = counter.QuadPart / frequency;
  const LONGLONG rest = counter.QuadPart % frequency;
  return std::chrono::seconds(seconds) + CommDriver::Duration(rest * 1'000'000'000 / frequency);
}

DWORD WINAPI RunTask(void* context) {
  const std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(context));
  (*task)();
  return 0;
}

// What the headers of mingw-w64 lack of the power notifications' callback form.
constexpr DWORD kNotifyByCallback = 2;  // DEVICE_NOTIFY_CALLBACK
using PowerCallback = ULONG(CALLBACK*)(PVOID context, ULONG type, PVOID setting);
struct SubscribeParameters {  // DEVICE_NOTIFY_SUBSCRIBE_PARAMETERS
  PowerCallback callback;
  PVOID context;
};
using RegisterSuspendResume = HPOWERNOTIFY(WINAPI*)(HANDLE recipient, DWORD flags);

ULONG CALLBACK OnPowerEvent(PVOID context, ULONG type, PVOID) {
  static_cast<WakeNotices*>(context)->OnPowerEvent(type, CounterNow());
  return ERROR_SUCCESS;
}

// The callback form needs no window: the engine window is a message-only one,
// which gets no WM_POWERBROADCAST. Windows has it from 8 on; it is looked up,
// so that the library loads on Windows 7 too, where the clocks alone tell of
// a wake. The registration lasts as long as the process, as the library
// stays loaded.
void WatchForWakes(WakeNotices& wakes) {
  const FARPROC found =
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "RegisterSuspendResumeNotification");
  if (found == nullptr) return;
  const auto registerFor =
      reinterpret_cast<RegisterSuspendResume>(reinterpret_cast<void (*)()>(found));
  static SubscribeParameters parameters{&OnPowerEvent, &wakes};
  if (registerFor(&parameters, kNotifyByCallback) == nullptr) {
    const DWORD error = GetLastError();
    wakes.Refused(
        PlatformError(ErrorText("RegisterSuspendResumeNotification", error), SystemErrorOf(error)));
  }
}

}  // namespace

WindowsCommDriver::WindowsCommDriver() { WatchForWakes(Wakes()); }

WindowsCommDriver& WindowsCommDriver::Instance() {
  static WindowsCommDriver driver;
  return driver;
}

HANDLE WindowsCommDriver::Open(const std::wstring& name) {
  // No sharing: a port another program holds does not open.
  return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
}

bool WindowsCommDriver::SetupComm(HANDLE port, DWORD inputSize, DWORD outputSize) {
  return ::SetupComm(port, inputSize, outputSize) != FALSE;
}

bool WindowsCommDriver::GetCommState(HANDLE port, DCB& state) {
  return ::GetCommState(port, &state) != FALSE;
}

bool WindowsCommDriver::SetCommState(HANDLE port, const DCB& state) {
  DCB copy = state;
  return ::SetCommState(port, &copy) != FALSE;
}

bool WindowsCommDriver::SetCommTimeouts(HANDLE port, const COMMTIMEOUTS& timeouts) {
  COMMTIMEOUTS copy = timeouts;
  return ::SetCommTimeouts(port, &copy) != FALSE;
}

bool WindowsCommDriver::Write(HANDLE port, const std::uint8_t* bytes, DWORD count,
                              OVERLAPPED& overlapped) {
  DWORD written = 0;  // Windows 7 wants somewhere to put it even for overlapped writes
  return WriteFile(port, bytes, count, &written, &overlapped) != FALSE;
}

bool WindowsCommDriver::WriteResult(HANDLE port, OVERLAPPED& overlapped, DWORD& transferred) {
  return GetOverlappedResult(port, &overlapped, &transferred, FALSE) != FALSE;
}

HANDLE WindowsCommDriver::NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

void WindowsCommDriver::CloseEvent(HANDLE event) { CloseHandle(event); }

bool WindowsCommDriver::CancelIo(HANDLE port) { return ::CancelIo(port) != FALSE; }

bool WindowsCommDriver::PurgeComm(HANDLE port, DWORD flags) {
  return ::PurgeComm(port, flags) != FALSE;
}

bool WindowsCommDriver::ClearCommError(HANDLE port) {
  DWORD errors = 0;
  COMSTAT status{};
  return ::ClearCommError(port, &errors, &status) != FALSE;
}

void WindowsCommDriver::Close(HANDLE port) { CloseHandle(port); }

CommDriver::Duration WindowsCommDriver::Now() { return CounterNow(); }

CommDriver::Duration WindowsCommDriver::TimeAsleep() {
  ULONGLONG unbiased = 0;  // in units of 100 ns
  QueryUnbiasedInterruptTime(&unbiased);
  return std::chrono::milliseconds(GetTickCount64()) -
         Duration(static_cast<Duration::rep>(unbiased) * 100);
}

void WindowsCommDriver::Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }

// The library pins itself when it loads, so a thread may outlive every object
// and still run its code.
bool WindowsCommDriver::RunAside(std::function<void()> work) {
  auto task = std::make_unique<std::function<void()>>(std::move(work));
  const HANDLE thread = CreateThread(nullptr, 0, &RunTask, task.get(), 0, nullptr);
  if (thread == nullptr) return false;
  task.release();  // the thread owns it now
  CloseHandle(thread);
  return true;
}

DeviceTree& WindowsCommDriver::Devices() {
  static WindowsDeviceTree tree;
  return tree;
}

}  // namespace tarvolk::platform::win32::serial
