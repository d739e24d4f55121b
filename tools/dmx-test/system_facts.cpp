#include "system_facts.h"

#include <windows.h>

#include "report_text.h"

namespace tarvolk::dmx_test {
namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

// Looked up at run time: what is missing on an older Windows says so then.
template <class Function>
Function Export(const wchar_t* module, const char* name) {
  const HMODULE loaded = GetModuleHandleW(module);
  return loaded == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

Fact Version() {
  const auto getVersion = Export<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
  if (getVersion == nullptr) return Unknown(L"ntdll bietet RtlGetVersion nicht");
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (const LONG status = getVersion(&version); status != 0) {
    return Unknown(L"RtlGetVersion meldet NTSTATUS " + std::to_wstring(status));
  }
  std::wstring text = std::to_wstring(version.dwMajorVersion) + L"." +
                      std::to_wstring(version.dwMinorVersion) + L", Build " +
                      std::to_wstring(version.dwBuildNumber);
  if (version.szCSDVersion[0] != L'\0') text += L", " + std::wstring(version.szCSDVersion);
  return Known(text);
}

unsigned MachineOf(WORD processorArchitecture) {
  switch (processorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      return IMAGE_FILE_MACHINE_AMD64;
    case PROCESSOR_ARCHITECTURE_INTEL:
      return IMAGE_FILE_MACHINE_I386;
    case PROCESSOR_ARCHITECTURE_ARM:
      return IMAGE_FILE_MACHINE_ARMNT;
    case 12:  // PROCESSOR_ARCHITECTURE_ARM64
      return 0xAA64;
    default:
      return 0;
  }
}

// IsWow64Process2 (from Windows 10 1511 on) also knows an ARM64 machine
// under emulation; before it, GetNativeSystemInfo does.
unsigned NativeMachine() {
  if (const auto isWow64 = Export<IsWow64Process2Function>(L"kernel32.dll", "IsWow64Process2")) {
    USHORT process = 0;
    USHORT native = 0;
    if (isWow64(GetCurrentProcess(), &process, &native)) return native;
  }
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return MachineOf(info.wProcessorArchitecture);
}

}  // namespace

SystemFacts CollectSystemFacts() {
  const bool wakeNotices =
      Export<void (*)()>(L"user32.dll", "RegisterSuspendResumeNotification") != nullptr;
  return {Version(), Known(MachineText(NativeMachine())),
          Known(wakeNotices ? L"verfügbar (RegisterSuspendResumeNotification)"
                            : L"nicht verfügbar (vor Windows 8); das Plug-in erkennt einen "
                              L"Schlaf an Windows' Uhren")};
}

bool WindowsIs64Bit() {
  const unsigned machine = NativeMachine();
  return machine == IMAGE_FILE_MACHINE_AMD64 || machine == 0xAA64;
}

}  // namespace tarvolk::dmx_test
