// The dialog's list of the ports present, read from the device tree beside
// the host's thread while output runs.
#include <gtest/gtest.h>

#include "driver_models.h"
#include "platform/win32/serial/port_lister.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;

// Work aside, the listing among it, comes 2 s late (a Bluetooth radio waking
// up): the dialog opens at once and frames keep flowing; the names appear when the listing answers,
// an adapter plugged in appears after the device change, and the choice stays.
TEST(PortList, IsListedAsideAndFollowsDevicesWhileOutputRuns) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.at = 7;
  port.nodes = fakes::kFt232r;
  port.friendlyName = u"USB Serial Port (COM7)";
  port.otherDevices = {{u"COM1", fakes::kBuiltInUart, u"Kommunikationsanschluss (COM1)"},
                       {u"COM4", fakes::Bluetooth(u'1'), u"Serial over Bluetooth link (COM4)"},
                       {u"COM9", fakes::Ch340In(u'2'), u"USB-SERIAL CH340 (COM9)"}};
  show.StorePort(7);
  ASSERT_TRUE(show.Enable(24));
  EXPECT_EQ(port.NamedListings(), 0) << "an open reads no names";
  port.openTime = 2s;
  const Duration opening = show.Now();
  const int listings = port.deviceListings;
  show.ShowDialog(
      [&] {
        auto& dialog = show.Dialog();
        EXPECT_EQ(port.deviceListings, listings) << "the host's thread lists nothing";
        show.Run(2500ms);
        const auto& entries = dialog.Entries();
        ASSERT_EQ(entries.size(), 7u);
        EXPECT_EQ(entries[0] + entries[3] + entries[5] + entries[6],
                  u"COM1 – KommunikationsanschlussCOM4 – Serial over Bluetooth link"
                  u"COM7 – USB Serial PortCOM9 – USB-SERIAL CH340");
        dialog.PickPort(6);
        port.otherDevices.push_back({u"COM12", fakes::Ch340In(u'3'), u"CH340 (COM12)"});
        dialog.ChangeDevices();
        show.Run(2500ms);
        EXPECT_EQ(dialog.Entries().back(), u"COM12 – CH340");
        EXPECT_EQ(dialog.PortText(), u"COM9 – USB-SERIAL CH340");
        EXPECT_GT(DecodedAfter(port, opening).frames, 250u);
      },
      {u"24", fakes::KeepPort{}});
  EXPECT_EQ(port.askedToOpen.back(), L"\\\\.\\COM9") << "closing opens the entry chosen";
  EXPECT_EQ(show.PortNumber(), 9);
}

// A listing that hangs for 6 s: overdue once after 5 s, then its ports; asked
// again meanwhile, it lists once more; an answer not taken goes stale.
TEST(PortList, AHangingListingIsOverdueOnceAndListsAgainWhenAsked) {
  fakes::FakeClock clock;
  InstantWrites model(clock);
  model.otherDevices = {{u"COM7", fakes::kFt232r, u"USB Serial Port (COM7)"}};
  model.openTime = 6s;
  platform::win32::serial::PortLister lister(model);
  lister.Request();
  clock.Advance(4900ms);
  EXPECT_FALSE(lister.Take());
  clock.Advance(100ms);
  const auto overdue = lister.Take();
  ASSERT_TRUE(overdue && overdue->overdue && overdue->ports.empty());
  EXPECT_FALSE(lister.Take()) << "said once";
  lister.Request();
  clock.Advance(1s);
  model.RunAsideWork();
  EXPECT_EQ(model.deviceListings, 2) << "once more after the one under way";
  const auto listed = lister.Take();
  ASSERT_TRUE(listed && !listed->overdue && !listed->failure);
  EXPECT_EQ(listed->ports, (std::vector<platform::NamedPort>{{7, u"USB Serial Port (COM7)"}}));
  EXPECT_FALSE(lister.Waiting());
  lister.Request();
  clock.Advance(6s);
  model.RunAsideWork();
  EXPECT_TRUE(lister.Waiting()) << "an answer to take";
  lister.Request();
  EXPECT_FALSE(lister.Take()) << "the answer before the request is stale";
}

}  // namespace
}  // namespace tarvolk::drivers
