#include "file_facts.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "report_text.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

// The DOS header names where the PE header starts; it starts within this.
constexpr DWORD kHeaderBytes = 4096;
constexpr DWORD kPeOffsetAt = 0x3C;

template <class T>
T At(const std::vector<unsigned char>& bytes, std::size_t offset) {
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

}  // namespace

Fact FileThere(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Known(L"vorhanden");
  return WindowsFailure(L"fehlt oder ist nicht zu sehen", GetLastError());
}

Fact FileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return WindowsFailure(L"ohne Versionsangabe", GetLastError());
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
    return WindowsFailure(L"Versionsangabe nicht zu lesen", GetLastError());
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof *fixed) {
    return Unknown(L"ohne feste Versionsangabe");
  }
  return Known(std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
               std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
               std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
               std::to_wstring(LOWORD(fixed->dwFileVersionLS)));
}

Fact FileMachine(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return WindowsFailure(L"nicht zu öffnen", GetLastError());
  std::vector<unsigned char> bytes(kHeaderBytes);
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), kHeaderBytes, &read, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) return WindowsFailure(L"nicht zu lesen", error);
  bytes.resize(read);
  if (bytes.size() < kPeOffsetAt + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
    return Unknown(L"keine Programmdatei (MZ fehlt)");
  }
  const auto peAt = At<DWORD>(bytes, kPeOffsetAt);
  if (peAt > bytes.size() - 6 || std::memcmp(bytes.data() + peAt, "PE\0\0", 4) != 0) {
    return Unknown(L"keine Windows-Programmdatei (PE-Kopf fehlt)");
  }
  return Known(MachineText(At<WORD>(bytes, peAt + 4)));
}

}  // namespace tarvolk::dmx_test
