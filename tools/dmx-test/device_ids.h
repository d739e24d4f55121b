#pragma once

#include <string>
#include <string_view>

namespace tarvolk::dmx_test {

// What a port's hardware ID and instance ID say of its device, in German:
// "USB-Gerät, Hersteller 0403 (FTDI), Produkt 6001, Seriennummer A50285BI,
// Kanal A"; for a device without a USB vendor its kind ("Bluetooth",
// "eingebaut (ACPI)") or its enumerator.
std::wstring DescribeDeviceIds(std::wstring_view hardwareId, std::wstring_view instanceId);

}  // namespace tarvolk::dmx_test
