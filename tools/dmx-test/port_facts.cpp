#include "port_facts.h"

#include <windows.h>

// After windows.h.
#include <devguid.h>
#include <setupapi.h>

#include <cwchar>
#include <initializer_list>
#include <memory>
#include <vector>

#include "registry_text.h"
#include "windows_error.h"

namespace tarvolk::dmx_test {
namespace {

constexpr DWORD kListingMs = 5000;
// Far more than a device's name or ID holds.
constexpr DWORD kLongestProperty = 16 * 1024;

// A text property of the device (SPDRP_...), the first one of a list.
Fact Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD size = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return WindowsFailure(L"nicht angegeben", GetLastError());
  }
  if (size > kLongestProperty) return Unknown(L"zu lang (" + std::to_wstring(size) + L" Bytes)");
  std::wstring text(size / sizeof(wchar_t) + 2, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text.data()), size, nullptr)) {
    return WindowsFailure(L"nicht zu lesen", GetLastError());
  }
  if (type != REG_SZ && type != REG_MULTI_SZ) return Unknown(L"kein Text");
  text.resize(std::wcslen(text.c_str()));
  return Known(text);
}

Fact InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t id[512] = {};
  if (!SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr)) {
    return WindowsFailure(L"nicht zu lesen", GetLastError());
  }
  return Known(id);
}

// The named values of one of the device's keys (DIREG_DEV, DIREG_DRV); the
// key's failure stands for each when it cannot be opened.
std::vector<Fact> KeyValues(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD which, const wchar_t* why,
                            std::initializer_list<const wchar_t*> names) {
  const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, which, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) {
    return std::vector<Fact>(names.size(), WindowsFailure(why, GetLastError()));
  }
  std::vector<Fact> values;
  for (const wchar_t* name : names) {
    auto value = ReadRegistryText(key, name);
    values.push_back(value ? std::move(*value) : Unknown(L"nicht angegeben"));
  }
  RegCloseKey(key);
  return values;
}

PortDevice Device(HDEVINFO set, SP_DEVINFO_DATA& device) {
  PortDevice port;
  port.name = Property(set, device, SPDRP_FRIENDLYNAME);
  if (!port.name.Read()) port.name = Property(set, device, SPDRP_DEVICEDESC);
  port.hardwareId = Property(set, device, SPDRP_HARDWAREID);
  port.instanceId = InstanceId(set, device);
  port.portName = KeyValues(set, device, DIREG_DEV, L"ohne Geräteschlüssel", {L"PortName"})[0];
  // A device whose driver is missing or was never installed has no driver key.
  auto driver = KeyValues(set, device, DIREG_DRV, L"kein Treiberschlüssel",
                          {L"ProviderName", L"DriverVersion", L"DriverDate"});
  port.provider = std::move(driver[0]);
  port.driverVersion = std::move(driver[1]);
  port.driverDate = std::move(driver[2]);
  return port;
}

// Adds the class's present devices; returns Windows' error when it refused
// the listing before its end.
DWORD AddClass(const GUID& deviceClass, std::vector<PortDevice>& ports) {
  const HDEVINFO set = SetupDiGetClassDevsW(&deviceClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return GetLastError();
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    ports.push_back(Device(set, device));
  }
  const DWORD end = GetLastError();
  SetupDiDestroyDeviceInfoList(set);
  return end == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : end;
}

PortList ListPorts() {
  PortList list;
  for (const GUID* deviceClass : {&GUID_DEVCLASS_PORTS, &GUID_DEVCLASS_MODEM}) {
    if (const DWORD error = AddClass(*deviceClass, list.ports); error != ERROR_SUCCESS) {
      list.listed = WindowsFailure(L"Windows listete die Geräte nicht ganz", error);
    }
  }
  return list;
}

// The thread owns a share of the result, so that one left running past the
// wait writes into memory that is still there.
DWORD WINAPI RunListing(void* parameter) {
  const std::unique_ptr<std::shared_ptr<PortList>> result(
      static_cast<std::shared_ptr<PortList>*>(parameter));
  **result = ListPorts();
  return 0;
}

}  // namespace

PortList CollectPorts() {
  const auto result = std::make_shared<PortList>();
  auto* share = new std::shared_ptr<PortList>(result);
  const HANDLE thread = CreateThread(nullptr, 0, &RunListing, share, 0, nullptr);
  if (thread == nullptr) {
    delete share;
    return {WindowsFailure(L"Kein Thread für die Liste der Schnittstellen", GetLastError()), {}};
  }
  const DWORD waited = WaitForSingleObject(thread, kListingMs);
  CloseHandle(thread);
  if (waited != WAIT_OBJECT_0) {
    return {Unknown(L"Windows hat die Liste der Geräte nicht binnen 5 s geliefert"), {}};
  }
  return std::move(*result);
}

}  // namespace tarvolk::dmx_test
