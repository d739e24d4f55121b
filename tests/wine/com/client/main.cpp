// A host-like COM client of Tarvolk_DMX.out.dll, run under Wine after
// regsvr32. Prints every failed check and the tally "N passed, N failed";
// exits with 0 only when nothing failed.
#include "check.h"
#include "client_support.h"
#include "groups.h"

int main() {
  if (!CHECK_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK)) {
    check::Summary();
    return 1;
  }
  TypeLibraryChecks();
  VtableChecks();
  DispatchChecks();
  SettingsChecks();
  ThreadChecks();
  LifetimeChecks();
  VersionChecks();
  CoUninitialize();
  return check::Summary() == 0 ? 0 : 1;
}
