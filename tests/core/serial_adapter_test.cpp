#include "platform/serial_adapter.h"

#include <gtest/gtest.h>

#include "fakes/fake_device_tree.h"
#include "platform/device_walk.h"

namespace tarvolk::platform {
namespace {

using fakes::Nodes;
using Usb = SerialAdapter;
constexpr std::nullopt_t kNone = std::nullopt;

// A port's device as Windows builds it, from the port's node up, and the
// adapter the listing names for it.
struct Device {
  const char* name;
  Nodes ids;
  std::optional<SerialAdapter> adapter;
};

void PrintTo(const Device& device, std::ostream* os) { *os << device.name; }

class DeviceTreeTest : public ::testing::TestWithParam<Device> {};

TEST_P(DeviceTreeTest, NamesTheAdapterOnlyOfAUsbSerialDevice) {
  fakes::FakeDeviceTree tree;
  tree.chains = {{u"COM4", GetParam().ids}};
  const std::vector<PresentPort> ports = ListPresentPorts(tree);
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].number, 4);
  EXPECT_EQ(ports[0].adapter, GetParam().adapter);
}

const std::u16string kHub = u"USB\\ROOT_HUB30\\4&1A2B3C4D&0&0";

INSTANTIATE_TEST_SUITE_P(
    AsWindowsBuildsThem, DeviceTreeTest,
    ::testing::Values(
        Device{"Ft232r", fakes::kFt232r, Usb{0x0403, 0x6001, u"A50285BI"}},
        Device{"FtdiSerialOnItsOwnNodeOnly",
               {fakes::kFt232r[0], u"USB\\VID_0403&PID_6001\\5&2A3B&0&2"},
               Usb{0x0403, 0x6001, u"A50285BI"}},
        Device{"Ft2232hChannelA", fakes::Ft2232h(u'A'), Usb{0x0403, 0x6010, u"FT1234AB", 0}},
        Device{"Ft2232hChannelB", fakes::Ft2232h(u'B'), Usb{0x0403, 0x6010, u"FT1234AB", 1}},
        Device{"FtdiChannelDAlone",
               {u"FTDIBUS\\VID_0403+PID_6011+FT5678D\\0000", u"USB\\VID_0403&PID_6011\\FT5678"},
               Usb{0x0403, 0x6011, u"FT5678", 3}},
        Device{"FtdiWithoutChannel",
               {u"FTDIBUS\\VID_0403+PID_6001+FT99\\0000", u"USB\\VID_0403&PID_6001\\FT99"},
               Usb{0x0403, 0x6001, u"FT99"}},
        Device{"Cp210x", {u"usb\\vid_10c4&pid_ea60\\0001", kHub}, Usb{0x10C4, 0xEA60, u"0001"}},
        Device{"Cp2105",
               {u"USB\\VID_10C4&PID_EA70&MI_01\\6&1F2E", u"USB\\VID_10C4&PID_EA70\\00A1"},
               Usb{0x10C4, 0xEA70, u"00A1", 1}},
        Device{"Ch340", fakes::Ch340In(u'2'), Usb{0x1A86, 0x7523, u""}},
        Device{"Pl2303", {u"USB\\VID_067B&PID_2303&REV_0300\\6&1"}, Usb{0x067B, 0x2303, u""}},
        Device{"CdcAcm", {u"USB\\VID_2341&PID_0043\\7573532"}, Usb{0x2341, 0x0043, u"7573532"}},
        Device{"LowerCaseSerial", {u"USB\\VID_0403&PID_6001\\az"}, Usb{0x0403, 0x6001, u"az"}},
        Device{"BluetoothUnderAUsbRadio", fakes::Bluetooth(u'1'), kNone},
        Device{"BuiltInUart", fakes::kBuiltInUart, kNone},
        Device{"InterfaceWithoutItsDevice", {u"USB\\VID_2341&PID_0043&MI_00\\6&3A1"}, kNone},
        Device{"BusNodeWithoutItsDevice", {fakes::kFt232r[0]}, kNone},
        Device{"BusNodeUnderAHub", {fakes::kFt232r[0], u"USB\\VID_05E3&PID_0610\\6&1"}, kNone},
        Device{"NoVendor", {u"USB\\VID_ZZ03&PID_6001\\X"}, kNone},
        Device{"DeeperInstance", {u"USB\\VID_0403&PID_6001\\A5\\B"}, kNone},
        Device{"Hub", {kHub}, kNone}, Device{"Enumerator", {u"USB"}, kNone},
        Device{"EveryDigitAndLetter",
               {u"usb\\vid_9fa9&pid_f00f&AZ9_z&AB\\9"},
               Usb{0x9FA9, 0xF00F, u"9"}},
        Device{"NoVidPrefix", {u"USB\\0403&PID_6001\\X"}, kNone},
        Device{"NoSeparator", {u"USB\\VID_0403PID_6001\\X"}, kNone},
        Device{"NoPidPrefix", {u"USB\\VID_0403&6001\\X"}, kNone},
        Device{"ShortProduct", {u"USB\\VID_0403&PID_600\\X"}, kNone},
        Device{"JunkAfterProduct", {u"USB\\VID_0403&PID_6001X\\X"}, kNone},
        Device{"EmptySegment", {u"USB\\VID_0403&PID_6001&\\X"}, kNone},
        Device{"SegmentNotAWord", {u"USB\\VID_0403&PID_6001&MI-01\\X"}, kNone},
        Device{"FtdiBusWithoutSerial",
               {u"FTDIBUS\\VID_0403+PID_6001+\\0000", fakes::kFt232r[1]},
               kNone},
        Device{"NoInstance", {u"USB\\VID_0403&PID_6001\\"}, kNone},
        Device{"InstanceOfABackslash", {u"USB\\VID_0403&PID_6001\\\\A5"}, kNone},
        Device{"LongerEnumerators",
               {u"FTDIBUSX\\VID_0403+PID_6001+A50285BIA\\0000", u"USBX\\VID_0403&PID_6001\\A"},
               kNone}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(DeviceTreeTest, ListsComPortsOnly) {
  fakes::FakeDeviceTree tree;
  for (const char16_t* name :
       {u"COM1", u"com12", u"COM255", u"LPT1", u"COM0", u"COM256", u"COM", u"COMX"}) {
    tree.chains.push_back({name, fakes::kBuiltInUart});
  }
  const std::vector<PresentPort> ports = ListPresentPorts(tree);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].number, 1);
  EXPECT_EQ(ports[1].number, 12);
  EXPECT_EQ(ports[2].number, 255);
}

// Where the adapter lost from COM7 is now: the ports present when COM7 last
// opened, and those present now.
struct Move {
  const char* name;
  std::vector<PresentPort> atOpen;
  std::vector<PresentPort> present;
  std::optional<std::int16_t> to;
};

const SerialAdapter kFtdi = Usb{0x0403, 0x6001, u"A50285BI", 0};
const SerialAdapter kCh340 = Usb{0x1A86, 0x7523, u""};
const SerialAdapter kChannelA = Usb{0x0403, 0x6010, u"FT1234AB", 0};
const SerialAdapter kChannelB = Usb{0x0403, 0x6010, u"FT1234AB", 1};

class MovedAdapterTest : public ::testing::TestWithParam<Move> {};

TEST_P(MovedAdapterTest, IsFoundOnlyWhereItIsSurelyTheLostOne) {
  const auto sighting = SightAdapter(7, GetParam().atOpen);
  ASSERT_TRUE(sighting);
  EXPECT_EQ(FindMovedAdapter(*sighting, 7, GetParam().present), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MovedAdapterTest,
    ::testing::Values(
        Move{"WithSerial", {{7, kFtdi}}, {{3, kNone}, {9, kFtdi}}, 9},
        Move{"WithoutSerial", {{7, kCh340}}, {{1, kNone}, {12, kCh340}}, 12},
        Move{"TwoAlikeAppeared", {{7, kCh340}}, {{12, kCh340}, {13, kCh340}}, kNone},
        Move{"BystanderAllAlong", {{7, kCh340}, {9, kCh340}}, {{9, kCh340}}, kNone},
        Move{"BesideABystander", {{7, kCh340}, {9, kCh340}}, {{9, kCh340}, {12, kCh340}}, 12},
        Move{"CloneOfItsSerialAllAlong", {{7, kFtdi}, {9, kFtdi}}, {{9, kFtdi}}, kNone},
        Move{"SiblingChannel", {{7, kChannelA}, {8, kChannelB}}, {{13, kChannelB}}, kNone},
        Move{"WholeChip", {{7, kChannelA}, {8, kChannelB}}, {{12, kChannelA}, {13, kChannelB}}, 12},
        Move{"AlikeOnTheOldNumber", {{7, kCh340}}, {{7, kCh340}, {12, kCh340}}, kNone},
        Move{"AnotherOnTheOldNumber", {{7, kCh340}}, {{7, kFtdi}, {12, kCh340}}, 12},
        Move{"AnotherSerial", {{7, kFtdi}}, {{9, Usb{0x0403, 0x6001, u"B1", 0}}}, kNone},
        Move{"AnotherProduct", {{7, kCh340}}, {{9, Usb{0x1A86, 0x5523, u""}}}, kNone},
        Move{"BackOnItsOldNumber", {{7, kCh340}}, {{7, kCh340}}, kNone},
        Move{"Absent", {{7, kFtdi}}, {{1, kNone}}, kNone}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SerialAdapterTest, IsSightedWithTheAlikePortsBesideIt) {
  const std::vector<PresentPort> present{{3, kNone}, {9, kFtdi}, {11, kChannelA}, {12, kCh340}};
  EXPECT_EQ(SightAdapter(9, present)->adapter, kFtdi);
  EXPECT_EQ(SightAdapter(9, present)->alike.size(), 1u) << "vendor and product alike";
  EXPECT_EQ(SightAdapter(12, std::vector<PresentPort>{{12, kCh340}, {13, kCh340}})->alike.size(),
            2u);
  EXPECT_FALSE(SightAdapter(3, present));
  EXPECT_FALSE(SightAdapter(5, present));
}

// Noted again at the loss: a CH340 Arduino plugged in during the show never
// passes for ours, which is followed when it comes back elsewhere.
TEST(SerialAdapterTest, IsNotedAgainAtTheLoss) {
  const auto sighting =
      Renewed(*SightAdapter(7, {{7, kCh340}}), 7, {{7, kCh340}, {9, kCh340}, {3, kFtdi}});
  EXPECT_EQ(FindMovedAdapter(sighting, 7, {{9, kCh340}}), kNone);
  EXPECT_EQ(FindMovedAdapter(sighting, 7, {{9, kCh340}, {12, kCh340}}), 12);
}

// A channel is named only while its device shows several ports, counted
// from those: a dual CDC device's second port is on interface 2.
TEST(SerialAdapterTest, IsDescribedForTheJournal) {
  const auto described = [](const Usb& adapter, std::vector<PresentPort> alike = {}) {
    return Describe(AdapterSighting{adapter, std::move(alike)});
  };
  const Usb leonardo{0x2341, 0x8036, u"7", 0};
  const Usb secondCdc{0x2E8A, 0x000A, u"E66", 2};
  EXPECT_EQ(described(Usb{0x0403, 0x6001, u"A50285BI"}),
            u"USB-Adapter 0403:6001, Seriennummer A50285BI");
  EXPECT_EQ(described(kCh340), u"USB-Adapter 1A86:7523 ohne Seriennummer");
  EXPECT_EQ(described(kChannelB, {{11, kChannelA}, {12, kChannelB}}),
            u"USB-Adapter 0403:6010, Seriennummer FT1234AB, Kanal B");
  EXPECT_EQ(described(kChannelB, {{12, kChannelB}}),
            u"USB-Adapter 0403:6010, Seriennummer FT1234AB");
  EXPECT_EQ(described(leonardo, {{4, leonardo}}), u"USB-Adapter 2341:8036, Seriennummer 7");
  EXPECT_EQ(described(secondCdc, {{5, Usb{0x2E8A, 0x000A, u"E66", 0}}, {6, secondCdc}}),
            u"USB-Adapter 2E8A:000A, Seriennummer E66, Kanal B");
}

}  // namespace
}  // namespace tarvolk::platform
