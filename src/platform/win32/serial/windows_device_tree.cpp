#include "platform/win32/serial/windows_device_tree.h"

#include <cwchar>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/windows_api.h"

// After windows.h.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

namespace tarvolk::platform::win32::serial {
namespace {

class DeviceSet {
 public:
  // Only present devices: an unplugged adapter's node stays in the tree.
  explicit DeviceSet(const GUID& deviceClass)
      : set_(SetupDiGetClassDevsW(&deviceClass, nullptr, nullptr, DIGCF_PRESENT)) {}
  ~DeviceSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceSet(const DeviceSet&) = delete;
  DeviceSet& operator=(const DeviceSet&) = delete;

  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

// The PortName value in the device's own key ("COM7", or "LPT1" for a
// printer port); empty when it has none.
std::u16string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY key =
      SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return {};
  wchar_t name[32] = {};
  DWORD size = sizeof name - sizeof name[0];
  DWORD type = 0;
  const LONG status =
      RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return {};
  return FromWide(name);
}

// A text property of the device (SPDRP_...); empty when it has none. Its
// size is asked first, and the text may lack its terminating NUL.
std::u16string TextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  DWORD type = 0;
  DWORD size = 0;
  if (SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
    return {};
  }
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text.data()), size, nullptr) ||
      type != REG_SZ) {
    return {};
  }
  text.resize(std::wcslen(text.c_str()));
  return FromWide(text);
}

// What Device Manager calls the device: its friendly name, else its description.
std::u16string DeviceManagerName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::u16string name = TextProperty(set, device, SPDRP_FRIENDLYNAME);
  return name.empty() ? TextProperty(set, device, SPDRP_DEVICEDESC) : name;
}

// Adds the class's ports to nodes, as far as Windows lists them; returns
// Windows' error when it refused the listing before its end.
DWORD AddPortNodes(const GUID& deviceClass, DeviceTree::Names names,
                   std::vector<DeviceTree::PortNode>& nodes) {
  const DeviceSet set(deviceClass);
  if (set.Get() == INVALID_HANDLE_VALUE) return GetLastError();
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  DWORD index = 0;
  for (; SetupDiEnumDeviceInfo(set.Get(), index, &device); ++index) {
    std::u16string name = PortNameOf(set.Get(), device);
    if (name.empty()) continue;
    nodes.push_back({device.DevInst, std::move(name),
                     names == DeviceTree::Names::kRead ? DeviceManagerName(set.Get(), device)
                                                       : std::u16string()});
  }
  const DWORD end = GetLastError();
  return end == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : end;
}

}  // namespace

// A class Windows refuses leaves the other's ports listed: the listing fails
// only when it has nothing to tell.
DeviceTree::PortNodeList WindowsDeviceTree::PortNodes(Names names) {
  PortNodeList listed;
  DWORD refusal = ERROR_SUCCESS;
  for (const GUID* deviceClass : {&GUID_DEVCLASS_PORTS, &GUID_DEVCLASS_MODEM}) {
    if (const DWORD error = AddPortNodes(*deviceClass, names, listed.nodes);
        error != ERROR_SUCCESS) {
      refusal = error;
    }
  }
  if (refusal == ERROR_SUCCESS) return listed;
  if (listed.nodes.empty()) ThrowError("SetupDiGetClassDevsW", refusal);
  listed.partly = PlatformError(ErrorText("SetupDiGetClassDevsW", refusal), SystemErrorOf(refusal));
  return listed;
}

std::optional<std::u16string> WindowsDeviceTree::InstanceId(Node node) {
  wchar_t id[MAX_DEVICE_ID_LEN] = {};
  if (CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return std::nullopt;
  return FromWide(id);
}

std::optional<DeviceTree::Node> WindowsDeviceTree::Parent(Node node) {
  DEVINST parent = 0;
  if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return std::nullopt;
  return parent;
}

}  // namespace tarvolk::platform::win32::serial
