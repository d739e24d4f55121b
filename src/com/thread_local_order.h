#pragma once

namespace tarvolk::com {

// Makes the C++ thread_local destructors of this DLL (the core's per-thread
// DriverState) run while their storage still exists. Must be called in
// DllMain's DLL_PROCESS_ATTACH, before any thread_local variable is touched.
//
// Why: mingw-w64 emulates thread_local storage with a winpthread key
// (created on the first access of any thread_local), and libstdc++ runs
// thread_local destructors from a second key (created on the first
// registration of such a destructor). At thread exit winpthread calls key
// destructors in creation order, so by default the storage is freed first
// and the destructors then run on freed memory: the DLL faults while a
// thread ends and the process hangs at exit. Registering one empty
// destructor first creates libstdc++'s key first.
void OrderThreadLocalDestructors();

}  // namespace tarvolk::com
