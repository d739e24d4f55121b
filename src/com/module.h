#pragma once

#include <string>

#include "com/com_api.h"

namespace tarvolk::com {

// The DLL may be unloaded only while no object lives and no client holds a
// LockServer lock; both count as one module reference.
void AddModuleReference();
void ReleaseModuleReference();
bool ModuleInUse();

// Keeps the DLL loaded until the process ends, whatever COM decides. Every
// thread that used the component keeps state with window procedures and
// timers in this DLL until it ends, and the C++ runtime releases its own hold
// on the DLL from inside the DLL as such a thread ends; unloading either way
// would run code that is gone.
void PinModule();

// The loaded DLL, and its full path (what InprocServer32 registers).
HMODULE ModuleHandle();
std::wstring ModulePath();

}  // namespace tarvolk::com
