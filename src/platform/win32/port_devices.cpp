#include "platform/win32/port_devices.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

// After windows.h.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

namespace tarvolk::platform::win32 {
namespace {

// Deep enough for a port below its bus driver below a composite device.
constexpr int kLevelsUp = 4;

class DeviceSet {
 public:
  DeviceSet() : set_(SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT)) {}
  ~DeviceSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;

  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

// "COM7" in the device's own key gives 7; anything else, 0.
std::int16_t PortNumberOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY key =
      SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return 0;
  wchar_t name[16] = {};
  DWORD size = sizeof name - sizeof name[0];
  DWORD type = 0;
  const LONG status =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return 0;
  if (_wcsnicmp(name, L"COM", 3) != 0) return 0;
  const long number = wcstol(name + 3, nullptr, 10);
  return number > 0 && number <= 255 ? static_cast<std::int16_t>(number) : 0;
}

std::optional<SerialAdapter> AdapterAbove(DEVINST node) {
  for (int level = 0; level <= kLevelsUp; ++level) {
    wchar_t id[MAX_DEVICE_ID_LEN] = {};
    if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return std::nullopt;
    if (auto adapter = AdapterOfInstance(FromWide(id))) return adapter;
    if (CM_Get_Parent(&node, node, 0) != CR_SUCCESS) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

std::vector<PresentPort> ListPresentPorts() {
  std::vector<PresentPort> ports;
  const DeviceSet set;
  if (set.Get() == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    const std::int16_t number = PortNumberOf(set.Get(), device);
    if (number != 0) ports.push_back({number, AdapterAbove(device.DevInst)});
  }
  return ports;
}

}  // namespace tarvolk::platform::win32
