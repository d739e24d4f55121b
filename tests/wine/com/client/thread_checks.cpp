// The shared state is per thread: objects on one thread share their port and
// channels, an object on another apartment thread has its own, and threads
// that used the component end cleanly. The port is what the checks observe:
// Init loads it into the thread's state and Term writes that state back.
#include "check.h"
#include "client_support.h"
#include "groups.h"
#include "stored_port.h"

namespace {

constexpr wchar_t kHostA[] = L"StateHostA";
constexpr wchar_t kHostB[] = L"StateHostB";
constexpr wchar_t kHostC[] = L"StateHostC";

void Term(_clsOutputDriver* driver) {
  VARIANT_BOOL result = VARIANT_TRUE;
  CHECK_EQ(driver->Term(&result), S_OK);
}

DWORD WINAPI ApartmentThread(void* body) {
  if (!CHECK_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK)) return 1;
  reinterpret_cast<void (*)()>(body)();
  CoUninitialize();
  return 0;
}

// Uses the component on a new single-threaded apartment and lets the thread
// end, which destroys that thread's state. A host creates such threads with
// CreateThread, so the checks do too.
void OnApartmentThread(void (*body)()) {
  const HANDLE thread =
      CreateThread(nullptr, 0, ApartmentThread, reinterpret_cast<void*>(body), 0, nullptr);
  if (!CHECK(thread != nullptr)) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

void UseOwnState() {
  ComPtr<_clsOutputDriver> driver = CreateDriver();
  if (!driver) return;
  InitDriver(driver.Get(), kHostC, kPluginFile);
  LONG channel = 20;  // above the count: the thread's engine recomputes its period
  LONG value = 100;
  VARIANT_BOOL result = VARIANT_FALSE;
  CHECK_EQ(driver->SetChannel(&channel, &value, &result), S_OK);
  CHECK_EQ(result, VARIANT_TRUE);
  Term(driver.Get());
  CHECK_EQ(ReadStoredPort(kHostC).value_or(L""), std::wstring(L"9"));
}

}  // namespace

void ThreadChecks() {
  check::Group("state per thread");
  WriteStoredPort(kHostA, L"4");
  WriteStoredPort(kHostB, L"2");
  WriteStoredPort(kHostC, L"9");

  ComPtr<_clsOutputDriver> first = CreateDriver();
  ComPtr<_clsOutputDriver> second = CreateDriver();
  if (!first || !second) return;
  InitDriver(first.Get(), kHostA, kPluginFile);
  InitDriver(second.Get(), kHostB, kPluginFile);
  Term(first.Get());  // writes the port the second object loaded
  CHECK_EQ(ReadStoredPort(kHostA).value_or(L""), std::wstring(L"2"));

  for (int round = 0; round < 3; ++round) OnApartmentThread(UseOwnState);

  Term(first.Get());  // the other threads' port 9 never reached this one
  CHECK_EQ(ReadStoredPort(kHostA).value_or(L""), std::wstring(L"2"));
}
