// A later plug-in DLL that cannot be registered, as a broken build or a
// registration Windows refuses for a reason of its own would be: its
// DllRegisterServer fails and leaves nothing behind.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() { return E_FAIL; }
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
