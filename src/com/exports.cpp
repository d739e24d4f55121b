// The four entry points of an in-process COM server, exported undecorated
// through tarvolk_dmx.def, and the DLL's entry point.
#include "com/call_guard.h"
#include "com/class_factory.h"
#include "com/com_api.h"
#include "com/module.h"
#include "com/registration.h"
#include "com/tarvolk_dmx.h"
#include "com/thread_local_order.h"
#include "platform/win32/live_resources.h"
#include "platform/win32/win32_platform.h"

namespace com = tarvolk::com;

// Loading the library only prepares the per-thread state (its lifetime, its
// destructors and where its platform comes from); everything else happens on
// first use.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    com::PinModule();
    com::OrderThreadLocalDestructors();
    tarvolk::platform::InstallPlatformFactory(&tarvolk::platform::win32::CreateWin32Platform);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (classId != CLSID_clsOutputDriver) return CLASS_E_CLASSNOTAVAILABLE;
  return com::ClassFactory::Create(iid, object);
}

// Output keeps running without any object: its timers and ports hold the
// library too.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return com::ModuleInUse() || tarvolk::platform::win32::AnyResourceLive() ? S_FALSE : S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  return com::GuardedCall([] { com::RegisterServer(); });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return com::GuardedCall([] { com::UnregisterServer(); });
}
