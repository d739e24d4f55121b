#pragma once

namespace tarvolk::com {

// What DllRegisterServer and DllUnregisterServer do. Everything goes to
// HKEY_CLASSES_ROOT: Wine does not see per-user class registrations.
// Both throw ComError when the registry or the type library refuses.

// The class (InprocServer32 = this DLL's full path, apartment-threaded), its
// programmatic name "Tarvolk_DMX.clsOutputDriver" and the embedded type library.
void RegisterServer();
// Removes all of it; what is already missing is skipped.
void UnregisterServer();

}  // namespace tarvolk::com
