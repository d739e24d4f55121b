// The DLL's exports and the class factory: creation, aggregation refused, and
// DllCanUnloadNow honouring live objects and LockServer.
#include "check.h"
#include "client_support.h"
#include "groups.h"

namespace {

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void LifetimeChecks() {
  check::Group("class factory and unloading");
  ComPtr<IClassFactory> factory;
  if (!CHECK_EQ(
          CoGetClassObject(CLSID_clsOutputDriver, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                           reinterpret_cast<void**>(factory.GetAddressOf())),
          S_OK)) {
    return;
  }
  const HMODULE module = GetModuleHandleW(L"Tarvolk_DMX.out.dll");
  if (!CHECK(module != nullptr)) return;
  const auto canUnloadNow = Export<CanUnloadNow>(module, "DllCanUnloadNow");
  const auto getClassObject = Export<GetClassObject>(module, "DllGetClassObject");
  CHECK(GetProcAddress(module, "DllRegisterServer") != nullptr);
  CHECK(GetProcAddress(module, "DllUnregisterServer") != nullptr);
  if (!CHECK(canUnloadNow != nullptr) || !CHECK(getClassObject != nullptr)) return;

  CHECK_EQ(canUnloadNow(), S_OK);  // every earlier object was released
  ComPtr<_clsOutputDriver> driver;
  CHECK_EQ(factory->CreateInstance(nullptr, IID__clsOutputDriver,
                                   reinterpret_cast<void**>(driver.GetAddressOf())),
           S_OK);
  CHECK_EQ(canUnloadNow(), S_FALSE);
  driver.Reset();
  CHECK_EQ(canUnloadNow(), S_OK);

  CHECK_EQ(factory->LockServer(TRUE), S_OK);
  CHECK_EQ(canUnloadNow(), S_FALSE);
  CHECK_EQ(factory->LockServer(FALSE), S_OK);
  CHECK_EQ(canUnloadNow(), S_OK);

  ComPtr<IUnknown> refused;
  CHECK_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown,
                                   reinterpret_cast<void**>(refused.GetAddressOf())),
           CLASS_E_NOAGGREGATION);
  CHECK_EQ(factory->CreateInstance(nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(refused.GetAddressOf())),
           E_NOINTERFACE);
  CHECK(!refused);
  CHECK_EQ(canUnloadNow(), S_OK);  // the refused objects are gone again

  ComPtr<IUnknown> other;
  CHECK_EQ(getClassObject(IID_IUnknown, IID_IClassFactory,
                          reinterpret_cast<void**>(other.GetAddressOf())),
           CLASS_E_CLASSNOTAVAILABLE);
}
