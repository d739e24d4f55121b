// A later plug-in DLL that cannot be registered, as a broken build or a
// registration Windows refuses for a reason of its own would be: its
// DllRegisterServer fails and leaves nothing behind. Its data make it larger
// than the plug-in, so that a drive with no room to spare cannot take it.
#include <windows.h>

extern "C" __declspec(dllexport) const char kGrowth[2 << 20] = {1};

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() { return E_FAIL; }
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
