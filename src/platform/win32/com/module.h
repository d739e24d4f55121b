#pragma once

#include <string>

#include "platform/win32/com/com_api.h"

namespace tarvolk::platform::win32::com {

// The DLL may be unloaded only while no object lives and no client holds a
// LockServer lock; both count as one module reference.
void AddModuleReference();
void ReleaseModuleReference();
bool ModuleInUse();

// The loaded DLL, and its full path (what InprocServer32 registers).
HMODULE ModuleHandle();
std::wstring ModulePath();

}  // namespace tarvolk::platform::win32::com
