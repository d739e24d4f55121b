// registry-lock: locks a key under HKEY_LOCAL_MACHINE against writing, as a
// locked-down machine does, or lifts the lock again. It acts in the registry
// view of its own bitness.
//   registry-lock lock SUBKEY     creates the key and denies everyone setting
//                                 values, creating subkeys and deleting it
//   registry-lock unlock SUBKEY   allows everything again and deletes the key,
//                                 if it is still there
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

// Deny KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE; allow KEY_READ | WRITE_DAC,
// so that the lock can be lifted again.
constexpr wchar_t kLocked[] = L"D:P(D;;0x10006;;;WD)(A;;0x60019;;;WD)";
constexpr wchar_t kOpen[] = L"D:P(A;;KA;;;WD)";

bool SetDacl(HKEY key, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return false;
  }
  const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  return status == ERROR_SUCCESS;
}

bool Lock(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool locked = SetDacl(key, kLocked);
  RegCloseKey(key);
  return locked;
}

bool Unlock(const wchar_t* path) {
  HKEY key = nullptr;
  const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  const bool reopened = SetDacl(key, kOpen);
  RegCloseKey(key);
  return reopened && RegDeleteKeyW(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring action = argc == 3 ? argv[1] : L"";
  if (action != L"lock" && action != L"unlock") {
    std::fputs("usage: registry-lock lock|unlock SUBKEY\n", stderr);
    return 2;
  }
  const bool done = action == L"lock" ? Lock(argv[2]) : Unlock(argv[2]);
  if (!done) std::fprintf(stderr, "registry-lock: %ls failed\n", action.c_str());
  return done ? 0 : 1;
}
