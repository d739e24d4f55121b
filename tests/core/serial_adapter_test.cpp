#include "platform/serial_adapter.h"

#include <gtest/gtest.h>

#include "fakes/fake_device_tree.h"
#include "platform/device_walk.h"

namespace tarvolk::platform {
namespace {

// A port's device as Windows builds it, from the port's node up, and the
// port and adapter the listing makes of it.
struct Device {
  const char* name;
  const char16_t* portName;
  std::vector<std::u16string> ids;
  std::optional<std::int16_t> number;  // nothing: not listed
  std::optional<SerialAdapter> adapter;
};

void PrintTo(const Device& device, std::ostream* os) { *os << device.name; }

class DeviceTreeTest : public ::testing::TestWithParam<Device> {};

TEST_P(DeviceTreeTest, NamesTheAdapterOnlyForAUsbSerialDevice) {
  fakes::FakeDeviceTree tree;
  tree.chains = {{GetParam().portName, GetParam().ids}};
  const std::vector<PresentPort> ports = ListPresentPorts(tree);
  if (!GetParam().number) {
    EXPECT_TRUE(ports.empty());
    return;
  }
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].number, *GetParam().number);
  EXPECT_EQ(ports[0].adapter, GetParam().adapter);
}

const std::u16string kRootHub = u"USB\\ROOT_HUB30\\4&1A2B3C4D&0&0";

INSTANTIATE_TEST_SUITE_P(
    AsWindowsBuildsThem, DeviceTreeTest,
    ::testing::Values(
        Device{"Ft232r",
               u"COM7",
               {u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", u"USB\\VID_0403&PID_6001\\A50285BI",
                kRootHub},
               7,
               SerialAdapter{0x0403, 0x6001, u"A50285BI", 0}},
        Device{"Ft2232hChannelB",
               u"COM8",
               {u"FTDIBUS\\VID_0403+PID_6010+FT1234ABB\\0000",
                u"USB\\VID_0403&PID_6010&MI_01\\6&2C3D4E5F&0&0001",
                u"USB\\VID_0403&PID_6010\\FT1234AB"},
               8,
               SerialAdapter{0x0403, 0x6010, u"FT1234AB", 1}},
        Device{"Cp210x",
               u"com12",
               {u"usb\\vid_10c4&pid_ea60\\0001"},
               12,
               SerialAdapter{0x10C4, 0xEA60, u"0001", std::nullopt}},
        Device{"Cp2105Standard",
               u"COM5",
               {u"USB\\VID_10C4&PID_EA70&MI_01\\6&1F2E3D4C&0&0001",
                u"USB\\VID_10C4&PID_EA70\\00A1B2C3", kRootHub},
               5,
               SerialAdapter{0x10C4, 0xEA70, u"00A1B2C3", 1}},
        Device{"Ch340",
               u"COM7",
               {u"USB\\VID_1A86&PID_7523\\5&2A3B4C5D&0&2", kRootHub},
               7,
               SerialAdapter{0x1A86, 0x7523, u"", std::nullopt}},
        Device{"Pl2303",
               u"COM3",
               {u"USB\\VID_067B&PID_2303&REV_0300\\6&1"},
               3,
               SerialAdapter{0x067B, 0x2303, u"", std::nullopt}},
        Device{"CdcAcm",
               u"COM4",
               {u"USB\\VID_2341&PID_0043\\75735323137351A0E1D1"},
               4,
               SerialAdapter{0x2341, 0x0043, u"75735323137351A0E1D1", std::nullopt}},
        Device{"LowerCaseSerial",
               u"COM4",
               {u"USB\\VID_0403&PID_6001\\az"},
               4,
               SerialAdapter{0x0403, 0x6001, u"az", std::nullopt}},
        Device{"BluetoothUnderAUsbRadio",
               u"COM6",
               {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&1A2B3C4D&0&"
                u"000000000000_00000000",
                u"BTH\\MS_BTHBRB\\6&2B3C4D5E&0&1", u"USB\\VID_8087&PID_0A2B\\5&3C4D5E6F&0&10"},
               6,
               std::nullopt},
        Device{"BuiltInUart", u"COM1", {u"ACPI\\PNP0501\\1", u"ACPI\\PNP0A08\\0"}, 1, std::nullopt},
        Device{"InterfaceWithoutItsDevice",
               u"COM4",
               {u"USB\\VID_2341&PID_0043&MI_00\\6&3A1&0&0000"},
               4,
               std::nullopt},
        Device{"BusNodeWithoutItsDevice",
               u"COM4",
               {u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"},
               4,
               std::nullopt},
        Device{"BusNodeUnderAnotherDevice",
               u"COM4",
               {u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", u"USB\\VID_05E3&PID_0610\\6&1"},
               4,
               std::nullopt},
        Device{"NoVendor", u"COM4", {u"USB\\VID_ZZ03&PID_6001\\X"}, 4, std::nullopt},
        Device{"DeeperInstance", u"COM4", {u"USB\\VID_0403&PID_6001\\A5\\B"}, 4, std::nullopt},
        Device{"Hub", u"COM4", {kRootHub}, 4, std::nullopt},
        Device{"Enumerator", u"COM4", {u"USB"}, 4, std::nullopt},
        Device{"PrinterPort", u"LPT1", {u"ACPI\\PNP0401\\1"}, std::nullopt, std::nullopt},
        Device{"PortZero", u"COM0", {u"ACPI\\PNP0501\\1"}, std::nullopt, std::nullopt},
        Device{"PortBeyond255", u"COM256", {u"ACPI\\PNP0501\\1"}, std::nullopt, std::nullopt},
        Device{"NameWithoutNumber", u"COM", {u"ACPI\\PNP0501\\1"}, std::nullopt, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

// Where the adapter lost from COM7 is now: the ports present when COM7 last
// opened, and those present now.
struct Move {
  const char* name;
  std::vector<PresentPort> atOpen;
  std::vector<PresentPort> present;
  std::optional<std::int16_t> to;
};

const SerialAdapter kFtdi{0x0403, 0x6001, u"A50285BI", 0};
const SerialAdapter kCh340{0x1A86, 0x7523, u"", std::nullopt};
const SerialAdapter kChannelA{0x0403, 0x6010, u"FT1234AB", 0};
const SerialAdapter kChannelB{0x0403, 0x6010, u"FT1234AB", 1};

class MovedAdapterTest : public ::testing::TestWithParam<Move> {};

TEST_P(MovedAdapterTest, IsFoundOnlyWhereItIsSurelyTheLostOne) {
  const auto sighting = SightAdapter(7, GetParam().atOpen);
  ASSERT_TRUE(sighting);
  EXPECT_EQ(FindMovedAdapter(*sighting, 7, GetParam().present), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MovedAdapterTest,
    ::testing::Values(
        Move{"WithSerial", {{7, kFtdi}}, {{3, std::nullopt}, {9, kFtdi}}, 9},
        Move{"WithoutSerial", {{7, kCh340}}, {{1, std::nullopt}, {12, kCh340}}, 12},
        Move{"TwoAlikeAppeared", {{7, kCh340}}, {{12, kCh340}, {13, kCh340}}, std::nullopt},
        Move{"BystanderAllAlong", {{7, kCh340}, {9, kCh340}}, {{9, kCh340}}, std::nullopt},
        Move{"BesideABystander", {{7, kCh340}, {9, kCh340}}, {{9, kCh340}, {12, kCh340}}, 12},
        Move{"CloneOfItsSerialAllAlong", {{7, kFtdi}, {9, kFtdi}}, {{9, kFtdi}}, std::nullopt},
        Move{"SiblingChannel", {{7, kChannelA}, {8, kChannelB}}, {{13, kChannelB}}, std::nullopt},
        Move{"WholeChipMoved",
             {{7, kChannelA}, {8, kChannelB}},
             {{12, kChannelA}, {13, kChannelB}},
             12},
        Move{"AlikeOnTheOldNumber", {{7, kCh340}}, {{7, kCh340}, {12, kCh340}}, std::nullopt},
        Move{"AnotherOnTheOldNumber", {{7, kCh340}}, {{7, kFtdi}, {12, kCh340}}, 12},
        Move{"AnotherSerial",
             {{7, kFtdi}},
             {{9, SerialAdapter{0x0403, 0x6001, u"B1", 0}}},
             std::nullopt},
        Move{"AnotherProduct",
             {{7, kCh340}},
             {{9, SerialAdapter{0x1A86, 0x5523, u"", std::nullopt}}},
             std::nullopt},
        Move{"BackOnItsOldNumber", {{7, kCh340}}, {{7, kCh340}}, std::nullopt},
        Move{"Absent", {{7, kFtdi}}, {{1, std::nullopt}}, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SerialAdapterTest, IsSightedWithTheAlikePortsBesideIt) {
  const SerialAdapter otherFtdi{0x0403, 0x6001, u"B1", 0};
  const std::vector<PresentPort> present{
      {3, std::nullopt}, {9, kFtdi}, {11, otherFtdi}, {12, kCh340}};
  const auto sighting = SightAdapter(9, present);
  ASSERT_TRUE(sighting);
  EXPECT_EQ(sighting->adapter, kFtdi);
  ASSERT_EQ(sighting->alike.size(), 2u);
  EXPECT_EQ(sighting->alike[0].number, 9);
  EXPECT_EQ(sighting->alike[1].adapter, otherFtdi);
  EXPECT_FALSE(SightAdapter(3, present));
  EXPECT_FALSE(SightAdapter(5, present));
}

TEST(SerialAdapterTest, IsDescribedForTheJournal) {
  EXPECT_EQ(Describe(SerialAdapter{0x0403, 0x6001, u"A50285BI", std::nullopt}),
            u"USB-Adapter 0403:6001, Seriennummer A50285BI");
  EXPECT_EQ(Describe(kCh340), u"USB-Adapter 1A86:7523 ohne Seriennummer");
  EXPECT_EQ(Describe(SerialAdapter{0x2341, 0x0043, u"7", std::nullopt}),
            u"USB-Adapter 2341:0043, Seriennummer 7");
  EXPECT_EQ(Describe(kChannelB), u"USB-Adapter 0403:6010, Seriennummer FT1234AB, Kanal B");
}

}  // namespace
}  // namespace tarvolk::platform
