#include "com/module.h"

#include <atomic>

#include "com/com_error.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;  // the linker's name for the loaded image

namespace tarvolk::com {
namespace {
std::atomic<long> moduleReferences{0};
}

void AddModuleReference() { ++moduleReferences; }
void ReleaseModuleReference() { --moduleReferences; }
bool ModuleInUse() { return moduleReferences.load() != 0; }

void PinModule() {
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&__ImageBase), &pinned);
}

HMODULE ModuleHandle() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(ModuleHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) ThrowLastError(u"Der Pfad der Komponente ist nicht lesbar");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try again with more room
  }
}

}  // namespace tarvolk::com
