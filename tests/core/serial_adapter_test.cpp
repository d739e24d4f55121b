#include "platform/serial_adapter.h"

#include <gtest/gtest.h>

namespace tarvolk::platform {
namespace {

struct Instance {
  const char16_t* id;
  std::optional<SerialAdapter> adapter;
};

TEST(SerialAdapterTest, IsReadFromTheUsbDevicesInstanceId) {
  const Instance cases[] = {
      {u"USB\\VID_0403&PID_6001\\A50285BI", SerialAdapter{0x0403, 0x6001, u"A50285BI"}},
      {u"usb\\vid_10c4&pid_ea60\\0001", SerialAdapter{0x10C4, 0xEA60, u"0001"}},
      {u"USB\\VID_1A86&PID_7523\\5&2A1B3C4&0&2", SerialAdapter{0x1A86, 0x7523, u""}},
      {u"USB\\VID_067B&PID_2303&REV_0300\\6&1", SerialAdapter{0x067B, 0x2303, u""}},
      {u"USB\\VID_2341&PID_0043&MI_00\\6&3A1&0&0000", std::nullopt},
      {u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", std::nullopt},
      {u"ACPI\\PNP0501\\1", std::nullopt},
      {u"USB\\VID_ZZ03&PID_6001\\X", std::nullopt},
      {u"USB\\VID_0403&PID_6001\\A5\\B", std::nullopt},
      {u"USB\\VID_0403&PID_6001\\az", SerialAdapter{0x0403, 0x6001, u"az"}},
      {u"USB\\ROOT_HUB30\\4&1", std::nullopt},
      {u"USB", std::nullopt},
  };
  for (const auto& [id, adapter] : cases) {
    EXPECT_EQ(AdapterOfInstance(id), adapter)
        << std::string(id, id + std::char_traits<char16_t>::length(id));
  }
}

// Where the adapter lost from COM7 is now, among the present ports.
struct Move {
  const char* name;
  SerialAdapter lost;
  std::vector<PresentPort> present;
  std::optional<std::int16_t> to;
};

const SerialAdapter kFtdi{0x0403, 0x6001, u"A50285BI"};
const SerialAdapter kCh340{0x1A86, 0x7523, u""};

class MovedAdapterTest : public ::testing::TestWithParam<Move> {};

TEST_P(MovedAdapterTest, IsFoundOnlyWhereItIsSurelyTheLostOne) {
  EXPECT_EQ(FindMovedAdapter(GetParam().lost, 7, GetParam().present), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MovedAdapterTest,
    ::testing::Values(
        Move{"WithSerial", kFtdi, {{3, std::nullopt}, {9, kFtdi}}, 9},
        Move{"WithoutSerial", kCh340, {{1, std::nullopt}, {12, kCh340}}, 12},
        Move{"TwoAlikeWithoutSerial", kCh340, {{12, kCh340}, {13, kCh340}}, std::nullopt},
        Move{"AnotherSerial", kFtdi, {{9, SerialAdapter{0x0403, 0x6001, u"B1"}}}, std::nullopt},
        Move{"AnotherProduct", kCh340, {{9, SerialAdapter{0x1A86, 0x5523, u""}}}, std::nullopt},
        Move{"BackOnItsOldNumber", kCh340, {{7, kCh340}}, std::nullopt},
        Move{"Absent", kFtdi, {{1, std::nullopt}}, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SerialAdapterTest, IsTheOneBehindItsPort) {
  const std::vector<PresentPort> present{{3, std::nullopt}, {9, kFtdi}};
  EXPECT_EQ(AdapterOf(9, present), kFtdi);
  EXPECT_EQ(AdapterOf(3, present), std::nullopt);
  EXPECT_EQ(AdapterOf(5, present), std::nullopt);
}

TEST(SerialAdapterTest, IsDescribedForTheJournal) {
  EXPECT_EQ(Describe(kFtdi), u"USB-Adapter 0403:6001, Seriennummer A50285BI");
  EXPECT_EQ(Describe(kCh340), u"USB-Adapter 1A86:7523 ohne Seriennummer");
  EXPECT_EQ(Describe(SerialAdapter{0x2341, 0x0043, u"7"}),
            u"USB-Adapter 2341:0043, Seriennummer 7");
}

}  // namespace
}  // namespace tarvolk::platform
