// A host that uses the component only from a worker thread: the thread
// creates and releases objects, uninitialises COM (which frees the library)
// and ends, and then the main thread goes on without the component. Checks
// that the thread's end and the library's release do not bring the process
// down, and prints the tally "N passed, N failed".
#include "check.h"
#include "client_support.h"

namespace {

DWORD WINAPI UseComponent(void*) {
  if (!CHECK_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK)) return 1;
  {
    ComPtr<_clsOutputDriver> driver = CreateDriver();
    if (driver) {
      LONG channel = 30;  // above the count: the engine recomputes its period
      LONG value = 1;
      VARIANT_BOOL result = VARIANT_FALSE;
      CHECK_EQ(driver->SetChannel(&channel, &value, &result), S_OK);
      CHECK_EQ(result, VARIANT_TRUE);
    }
  }
  CoFreeUnusedLibraries();
  CoUninitialize();
  return 0;
}

}  // namespace

int main() {
  check::Group("component used from a worker thread only");
  const HANDLE thread = CreateThread(nullptr, 0, UseComponent, nullptr, 0, nullptr);
  if (CHECK(thread != nullptr)) {
    CHECK_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeThread(thread, &exitCode);
    CHECK_EQ(exitCode, 0ul);
    CloseHandle(thread);
  }
  return check::Summary() == 0 ? 0 : 1;
}
