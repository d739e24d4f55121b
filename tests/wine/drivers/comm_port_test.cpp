// The COM port against models of the serial drivers users own: what it
// must do so that output flows, and nothing waits without a bound, on each.
#include <gtest/gtest.h>

#include <random>

#include "driver_models.h"
#include "engine/open_sequence.h"
#include "engine/serial_link.h"
#include "model_show.h"
#include "platform/win32/serial/windows_comm_driver.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;
using engine::SerialLink;
using platform::win32::serial::CommPort;

constexpr std::int32_t kChannels = 254;
// The longest a close may wait for the line: a full buffer and the device.
constexpr Duration kLongestDrain =
    572917ns * static_cast<std::int64_t>(SerialLink::kOutputBufferSize) +
    SerialLink::kDeviceLatency;
constexpr Duration kWaitBound = kLongestDrain + 500ms;

// Frames that left the line after `time`.
std::uint64_t FramesAfter(const DriverModel& model, Duration time) {
  std::vector<fakes::WireByte> later;
  for (const auto& byte : model.Wire()) {
    if (byte.start >= time) later.push_back(byte);
  }
  return fakes::DecodeWire(later, model.ByteTime(), Duration::max()).frames;
}

TEST(LineState, WhatTheLastProgramLeftIsReplacedWhole) {
  Show show;
  auto& port = show.Use<InheritedLineState>();
  EXPECT_LT(show.Timed([&] { EXPECT_TRUE(show.Enable(24)); }), 100ms)
      << "no hang on limits beyond the buffer";
  const DCB& line = port.LineState();
  EXPECT_EQ(line.BaudRate, 19200u);
  EXPECT_EQ(line.ByteSize, 8);
  EXPECT_EQ(line.Parity, NOPARITY);
  EXPECT_EQ(line.StopBits, TWOSTOPBITS);
  EXPECT_EQ(line.XonChar, 0x11);
  EXPECT_EQ(line.XoffChar, 0x13);
  EXPECT_EQ(line.XonLim, 256);
  EXPECT_EQ(line.XoffLim, 256);
  EXPECT_EQ(line.ErrorChar | line.EofChar | line.EvtChar, 0);
  EXPECT_EQ(line.fOutxCtsFlow | line.fOutxDsrFlow | line.fOutX | line.fInX | line.fDsrSensitivity |
                line.fErrorChar | line.fNull | line.fAbortOnError,
            0u);
  EXPECT_EQ(line.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
  EXPECT_EQ(line.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  show.Run(1s);
  EXPECT_GT(show.Decoded().frames, 20u);
}

TEST(LineState, ADriverThatKeepsItsOwnBufferSizesStillSends) {
  Show show;
  show.Use<InstantWrites>().refusesBufferSizes = true;
  EXPECT_TRUE(show.Enable(24));
  show.Run(1s);
  EXPECT_GT(show.Decoded().frames, 20u);
}

TEST(Reopen, ACh340ThatRefusesTheReopenKeepsTheLineFlowing) {
  Show show;
  auto& ch340 = show.Use<Ch340Reopen>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(300ms);
  show.Disable();
  EXPECT_TRUE(show.Enable(24));
  EXPECT_TRUE(show.Messages().empty());
  const Duration reopened = show.Now();
  show.Run(1s);
  EXPECT_GT(FramesAfter(ch340, reopened), 20u);
  EXPECT_EQ(show.Decoded().BadFrames(), 0u);
}

// A refusal is asked once more about 200 ms later; the user reads the usual
// message only when that fails too.
struct Refusals {
  int count;
  bool opens;
};

class RefusedLineState : public ::testing::TestWithParam<Refusals> {};

TEST_P(RefusedLineState, IsAskedOnceMoreAfterAMoment) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.refusedStates = GetParam().count;
  EXPECT_EQ(show.Enable(24), GetParam().opens);
  ASSERT_EQ(port.setStateCalls, 2);
  EXPECT_GE(port.setStateTimes[1] - port.setStateTimes[0], 200ms);
  EXPECT_LT(port.setStateTimes[1] - port.setStateTimes[0], 300ms);
  if (GetParam().opens) {
    EXPECT_TRUE(show.Messages().empty());
  } else {
    ASSERT_EQ(show.Messages().size(), 1u);
    EXPECT_EQ(show.Messages()[0].text, engine::kEnablePortFailureText);
    EXPECT_FALSE(port.IsHeld());
  }
}

INSTANTIATE_TEST_SUITE_P(OnceOrForGood, RefusedLineState,
                         ::testing::Values(Refusals{1, true}, Refusals{2, false}));

TEST(Waits, ADriverThatNeverFinishesAWriteHoldsNothingUp) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(1600ms);
  EXPECT_EQ(show.longestTickHold, 0ns) << "no tick waits";
  EXPECT_GE(show.Link().Stats().portLosses, 1u) << "a hung write is a lost port";
  EXPECT_GE(hole.opens, 2) << "and the tries to reopen start";
  EXPECT_GT(hole.WritesLeft(), 0u) << "its buffers stay with the driver";
  EXPECT_LE(show.Timed([&] { EXPECT_TRUE(show.Enable(kChannels)); }), kWaitBound);
  show.Run(300ms);
  EXPECT_LE(show.Timed([&] { show.Disable(); }), kWaitBound);
  EXPECT_FALSE(hole.IsHeld());
}

// Every lose, reopen and hang leaves the driver a few writes; never more than
// the bound in all, after which only the operator's Enable opens the port.
TEST(Waits, WritesLeftToADriverThatNeverFinishesThemStayBounded) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(90s);
  EXPECT_LE(hole.WritesLeft(), CommPort::kMostWritesLeft);
  EXPECT_GE(hole.opens, 10) << "through many cycles";
  EXPECT_FALSE(show.Link().IsOpen());
  const auto& journal = show.Journal();
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                          [](const std::u16string& line) {
                            return line.find(u"wird nicht mehr von selbst geöffnet") !=
                                   std::u16string::npos;
                          }),
            1);
  const int opens = hole.opens;
  show.Run(10s);
  EXPECT_EQ(hole.opens, opens) << "no more tries";
  EXPECT_TRUE(show.Enable(kChannels));
  EXPECT_EQ(hole.opens, opens + 1);
  show.Run(10s);
  EXPECT_LE(hole.WritesLeft(), CommPort::kMostWritesLeft);
  EXPECT_TRUE(show.Messages().empty());
}

// The thread's end runs under the loader lock: the port goes at once.
struct Teardown {
  const char* model;
  std::function<DriverModel&(Show&)> use;
};

class ThreadEnd : public ::testing::TestWithParam<Teardown> {};

TEST_P(ThreadEnd, NeverWaits) {
  Show show;
  DriverModel& port = GetParam().use(show);
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(200ms);
  const Duration before = show.Now();
  const int sleeps = port.sleeps;
  show.EndThread();
  EXPECT_EQ(port.sleeps, sleeps);
  EXPECT_EQ(show.Now(), before);
  EXPECT_FALSE(port.IsHeld());
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, ThreadEnd,
    ::testing::Values(
        Teardown{"BlackHole", [](Show& s) -> DriverModel& { return s.Use<BlackHole>(); }},
        Teardown{"UsbAdapter", [](Show& s) -> DriverModel& { return s.Use<UsbAdapter>(); }}),
    [](const auto& param) { return std::string(param.param.model); });

TEST(Failing, WritesTakenAndFailedAMomentLaterLoseThePortWithinASecond) {
  Show show;
  auto& port = show.Use<AcceptThenFail>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(SerialLink::kFailingPortLostAfter + SerialLink::kReopenInterval + 100ms);
  EXPECT_EQ(show.Link().Stats().portLosses, 1u);
  EXPECT_EQ(port.opens, 2) << "the tries to reopen started";
}

TEST(SlowOpens, TriesToReopenNeverHoldUpTheHostsThread) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  const SlowLoss loss = RunSlowLoss(show, port, SlowOpen::kOpenTime, 30s);
  EXPECT_LE(loss.tickHold, 3s) << "at most 10 % of the time";
  EXPECT_EQ(loss.longestTickHold, 0ns);
  EXPECT_GE(loss.tries, 9) << "one try after another";
  EXPECT_LE(loss.resumedAfter, 1s) << "once the device is back";
  EXPECT_EQ(show.Decoded().BadFrames(), 0u);
}

TEST(SlowOpens, EnableStillOpensOnTheCallersThread) {
  Show show;
  show.Use<SlowOpen>();
  EXPECT_GE(show.Timed([&] { EXPECT_FALSE(show.Enable(24)); }), SlowOpen::kOpenTime);
  EXPECT_EQ(show.Messages().size(), 1u);
}

// Output switched off and on while the plug-in's own try is still opening a
// slow port: Enable waits for that try and takes its port, rather than open
// the port a second time and be told it is in use.
TEST(SlowOpens, EnableDuringTheirOwnTryTakesItsPort) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(300ms);
  port.deviceGone = true;
  show.Run(100ms);
  port.deviceGone = false;
  port.openTime = SlowOpen::kOpenTime;
  show.Run(SerialLink::kReopenInterval + 500ms);
  ASSERT_TRUE(show.Link().IsReopening());
  show.Disable();
  const std::size_t asked = port.askedToOpen.size();
  EXPECT_LT(show.Timed([&] { EXPECT_TRUE(show.Enable(24)); }), SlowOpen::kOpenTime);
  EXPECT_TRUE(show.Messages().empty());
  EXPECT_EQ(port.askedToOpen.size(), asked + 1) << "the try's open, and no second";
  const Duration opened = show.Now();
  show.Run(100ms);
  const auto first =
      std::find_if(port.Wire().begin(), port.Wire().end(),
                   [&](const fakes::WireByte& byte) { return byte.start >= opened; });
  ASSERT_NE(first, port.Wire().end());
  EXPECT_LE(first->start - opened, Show::kClockTick) << "output from the next tick on";
}

// A try on a thread of its own that is still under way when output stops:
// Disable does not wait for it, and the port it opens later is let go.
class GatedOpen final : public DriverModel {
 public:
  explicit GatedOpen(fakes::FakeClock& clock)
      : DriverModel(clock), gate_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~GatedOpen() override { CloseHandle(gate_); }

  HANDLE Open(const std::wstring& name) override {
    if (gated) WaitForSingleObject(gate_, 10000);
    return DriverModel::Open(name);
  }
  bool RunAside(std::function<void()> work) override {
    return platform::win32::serial::WindowsCommDriver::Instance().RunAside(std::move(work));
  }
  void Release() { SetEvent(gate_); }

  bool gated = false;

 private:
  HANDLE gate_;
};

TEST(SlowOpens, ATryUnderWayWhenOutputStopsLetsThePortGo) {
  Show show;
  auto& port = show.Use<GatedOpen>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(100ms);
  port.deviceGone = true;
  show.Run(100ms);
  port.deviceGone = false;
  port.gated = true;
  show.Run(SerialLink::kReopenInterval + 100ms);
  ASSERT_TRUE(show.Link().IsReopening());

  EXPECT_EQ(show.Timed([&] { show.Disable(); }), 0ns);
  port.Release();
  for (int tries = 0; tries < 500 && port.opens < 2; ++tries) ::Sleep(10);
  for (int tries = 0; tries < 500 && port.IsHeld(); ++tries) ::Sleep(10);
  EXPECT_EQ(port.opens, 2) << "the try opened the port";
  EXPECT_FALSE(port.IsHeld()) << "and let it go";
  port.gated = false;
  EXPECT_TRUE(show.Enable(24));
}

// An adapter pulled out of COM1 and plugged in again, among the devices of a
// show PC: output follows it only where it is surely the same adapter, and
// never opens another device (its DTR would reset an Arduino).
using Nodes = std::vector<std::u16string>;
using Devices = std::vector<fakes::DeviceChain>;

struct Replug {
  const char* name;
  Nodes before;            // on COM1
  Devices beside;          // present all along
  std::int16_t at;         // where it comes back
  Nodes after;             // there; none: it stays away
  Devices appearing;       // while it was away
  std::uint8_t portAfter;  // 0: output stays dark
};

const Nodes kFtdi{u"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
                  u"USB\\VID_0403&PID_6001\\A50285BI"};
const Nodes kBuiltIn{u"ACPI\\PNP0501\\1"};

Nodes Ch340In(char16_t socket) {
  return {u"USB\\VID_1A86&PID_7523\\5&2A3B4C5D&0&" + std::u16string(1, socket)};
}

Nodes Ft2232h(char16_t channel) {
  return {u"FTDIBUS\\VID_0403+PID_6010+FT1234AB" + std::u16string(1, channel) + u"\\0000",
          u"USB\\VID_0403&PID_6010&MI_0" + std::u16string(1, u'0' + (channel - u'A')) +
              u"\\6&2C3D4E5F&0&000" + std::u16string(1, channel),
          u"USB\\VID_0403&PID_6010\\FT1234AB"};
}

Nodes Bluetooth(char16_t device) {
  return {
      u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&1A2B3C4D&0&00000000000" +
          std::u16string(1, device) + u"_00000000",
      u"BTH\\MS_BTHBRB\\6&2B3C4D5E&0&1", u"USB\\VID_8087&PID_0A2B\\5&3C4D5E6F&0&10"};
}

void PrintTo(const Replug& replug, std::ostream* os) { *os << replug.name; }

class Replugged : public ::testing::TestWithParam<Replug> {};

TEST_P(Replugged, OutputFollowsOnlyItsOwnAdapter) {
  const Replug& replug = GetParam();
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.nodes = replug.before;
  port.otherDevices = replug.beside;
  ASSERT_TRUE(show.Enable(24));
  show.Run(300ms);
  port.deviceGone = true;
  show.Run(100ms);
  const int listings = port.deviceListings;
  port.at = replug.at;
  port.nodes = replug.after;
  port.otherDevices.insert(port.otherDevices.end(), replug.appearing.begin(),
                           replug.appearing.end());
  port.deviceGone = replug.after.empty();
  const Duration back = show.Now();
  show.Run(3s);
  EXPECT_LE(port.deviceListings - listings, 4) << "at most once a second";
  for (const auto& other : port.otherDevices) {
    const std::wstring name =
        L"\\\\.\\" + std::wstring(other.portName.begin(), other.portName.end());
    EXPECT_EQ(std::count(port.askedToOpen.begin(), port.askedToOpen.end(), name), 0)
        << "opened another device";
  }
  if (replug.portAfter == 0) {
    EXPECT_TRUE(show.Link().IsReopening());
    EXPECT_EQ(show.PortNumber(), 1);
    return;
  }
  EXPECT_EQ(show.PortNumber(), replug.portAfter);
  EXPECT_GT(FramesAfter(port, back + 1500ms), 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, Replugged,
    ::testing::Values(
        Replug{"MovedWithSerial", kFtdi, {}, 9, kFtdi, {}, 9},
        Replug{
            "MovedWithoutSerial", Ch340In(u'2'), {{u"COM3", kBuiltIn}}, 12, Ch340In(u'3'), {}, 12},
        Replug{"TwoAlikeWithoutSerial",
               Ch340In(u'2'),
               {},
               12,
               Ch340In(u'3'),
               {{u"COM13", Ch340In(u'4')}},
               0},
        Replug{"BystanderWhileItIsAway", Ch340In(u'2'), {{u"COM9", Ch340In(u'4')}}, 1, {}, {}, 0},
        Replug{"BesideABystanderOnANewNumber",
               Ch340In(u'2'),
               {{u"COM9", Ch340In(u'4')}},
               12,
               Ch340In(u'3'),
               {},
               12},
        Replug{"BesideABystanderBackHome",
               Ch340In(u'2'),
               {{u"COM9", Ch340In(u'4')}},
               1,
               Ch340In(u'2'),
               {},
               1},
        Replug{"CompositeChipMoved",
               Ft2232h(u'A'),
               {{u"COM2", Ft2232h(u'B')}},
               12,
               Ft2232h(u'A'),
               {},
               12},
        Replug{"OnlyItsSiblingAppears", Ft2232h(u'A'), {}, 1, {}, {{u"COM13", Ft2232h(u'B')}}, 0},
        Replug{"BluetoothBesideOthers",
               Bluetooth(u'1'),
               {{u"COM4", Bluetooth(u'2')}},
               1,
               {},
               {{u"COM13", Bluetooth(u'3')}},
               0},
        Replug{"AnotherVendor",
               Ch340In(u'2'),
               {},
               1,
               {},
               {{u"COM12", {u"USB\\VID_10C4&PID_EA60\\0001"}}},
               0},
        Replug{"AnotherAdapter", kFtdi, {}, 9, {u"USB\\VID_0403&PID_6001\\B1"}, {}, 0},
        Replug{"BackOnItsOldNumber", Ch340In(u'2'), {}, 1, Ch340In(u'2'), {}, 1},
        Replug{"NoUsbDevice", kBuiltIn, {}, 9, kBuiltIn, {}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Close, NoFrameIsCutWhenAUsbAdapterDropsItsBufferAtTheClose) {
  Show show;
  auto& usb = show.Use<UsbAdapter>();
  const CloseCycles cycles = RunCloseCycles(show, 200, 7);
  EXPECT_EQ(cycles.decoded.torn, 0u);
  EXPECT_EQ(cycles.decoded.BadFrames(), 0u);
  EXPECT_GT(cycles.decoded.frames, 200u);
  EXPECT_LE(cycles.longestDisable, kWaitBound);
  EXPECT_FALSE(usb.IsHeld());
}

// Whatever the driver reports of its queue, the line stays busy: with
// Wine's 10 ms ticks the line is the limit, with Windows' 15.625 ms ones (at
// 24 channels) the ticks are.
using Ticks = fakes::LineSimulationConfig::Ticks;
using Decoded = dmx_interface::DecoderCounts;
using SimulatedShow =
    std::function<fakes::LineSimulationResult(const fakes::LineSimulationConfig&, Decoded&)>;

template <class Model>
fakes::LineSimulationResult RunOn(const fakes::LineSimulationConfig& config, Decoded& decoded) {
  ModelLine<Model> line;
  auto result = fakes::RunLineSimulation(config, line);
  decoded = fakes::DecodeWire(line.Wire(), line.Driver().ByteTime(), Duration::max());
  return result;
}

struct Driver {
  const char* name;
  SimulatedShow run;
};

void PrintTo(const Driver& driver, std::ostream* os) { *os << driver.name; }

using LineCase = std::tuple<Driver, std::int32_t, Ticks>;

std::string LineLimitName(const ::testing::TestParamInfo<LineCase>& info) {
  const auto& [driver, channels, ticks] = info.param;
  return std::string(driver.name) + std::to_string(channels) +
         (ticks == Ticks::kWindowsLike ? "Wine" : "Windows");
}

class LineLimit : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineLimit, IsReachedWithWholeFramesOnEveryDriver) {
  const auto& [driver, channels, ticks] = GetParam();
  fakes::LineSimulationConfig config;
  config.channelCount = channels;
  config.ticks = ticks;
  config.duration = 20s;
  Decoded decoded;
  const auto result = driver.run(config, decoded);
  const double seconds = std::chrono::duration<double>(config.duration).count();
  const double lineLimit = 19200.0 / 11.0 / (config.channelCount + 3);
  const double tickLimit = 1e9 / static_cast<double>(result.meanTick.count());
  const double rate = static_cast<double>(result.frames.size()) / seconds;
  EXPECT_GE(rate, 0.98 * std::min(lineLimit, tickLimit))
      << "line limit " << lineLimit << "/s, tick limit " << tickLimit << "/s";
  EXPECT_TRUE(result.wireHoldsOnlyWholeFrames);
  EXPECT_EQ(decoded.BadFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, LineLimit,
    ::testing::Combine(::testing::Values(Driver{"InstantWrites", RunOn<InstantWrites>},
                                         Driver{"WireTimeUart", RunOn<WireTimeUart>},
                                         Driver{"Fifo16550", RunOn<Fifo16550>},
                                         Driver{"UsbAdapter", RunOn<UsbAdapter>}),
                       ::testing::Values(24, 254),
                       ::testing::Values(Ticks::kWindowsLike, Ticks::kWindowsDefaultResolution)),
    LineLimitName);

}  // namespace
}  // namespace tarvolk::drivers
