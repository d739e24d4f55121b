// The COM port against models of the serial drivers users own: what it
// must do so that output flows, and nothing waits without a bound, on each.
#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "driver_models.h"
#include "engine/open_sequence.h"
#include "engine/serial_link.h"
#include "model_show.h"
#include "platform/win32/live_resources.h"
#include "platform/win32/serial/windows_comm_driver.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;
using engine::SerialLink;
using platform::SerialPort;
using platform::win32::serial::AdapterWatch;
using platform::win32::serial::CommPort;

constexpr std::int32_t kChannels = 254;

std::uint64_t FramesAfter(const DriverModel& model, Duration time) {
  return DecodedAfter(model, time).frames;
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

// Every line a port is given reaches the driver, at the open and while open.
struct Line {
  const char* settings;
  BYTE parity;
  BYTE stopBits;
};

TEST(LineState, EveryLineReachesTheDriver) {
  for (const Line line :
       {Line{"9600,N,8,1", NOPARITY, ONESTOPBIT}, Line{"4800,E,7,1.5", EVENPARITY, ONE5STOPBITS},
        Line{"19200,O,8,2", ODDPARITY, TWOSTOPBITS}, Line{"1200,M,8,1", MARKPARITY, ONESTOPBIT},
        Line{"2400,S,8,1", SPACEPARITY, ONESTOPBIT}}) {
    fakes::FakeClock clock;
    InstantWrites model(clock);
    CommPort port(model);
    port.Open();
    port.SetSettings(line.settings);
    EXPECT_EQ(model.LineState().Parity, line.parity) << line.settings;
    EXPECT_EQ(model.LineState().fParity, line.parity == NOPARITY ? 0u : 1u) << line.settings;
    EXPECT_EQ(model.LineState().StopBits, line.stopBits) << line.settings;
    EXPECT_EQ(model.outputBufferAsked, 512u);
  }
}

// The engine learns of each finished byte once, whether the write finished
// at once or later, and of what the driver still holds beyond the write on
// the line.
TEST(Writes, EachFinishedByteIsReportedOnce) {
  fakes::FakeClock clock;
  Fifo16550 uart(clock);
  CommPort port(uart);
  port.Open();
  const std::vector<std::uint8_t> bytes(Fifo16550::kFifoBytes, 0x55);
  EXPECT_EQ(port.Write(bytes), bytes.size()) << "into the FIFO at once";
  for (int write = 0; write < 3; ++write) {
    EXPECT_EQ(port.Write(bytes), bytes.size()) << "held until the FIFO has room";
  }
  EXPECT_EQ(port.PendingOutputBytes(), 2 * bytes.size());
  EXPECT_EQ(port.CollectFinishedWrites(), bytes.size());
  clock.Advance(uart.ByteTime() * 16);
  EXPECT_EQ(port.PendingOutputBytes(), bytes.size()) << "beyond the write on the line";
  EXPECT_EQ(port.CollectFinishedWrites(), bytes.size());
  clock.Advance(uart.ByteTime() * 32);
  EXPECT_EQ(port.CollectFinishedWrites(), 2 * bytes.size());
  EXPECT_EQ(port.CollectFinishedWrites(), 0u);
  EXPECT_EQ(port.PendingOutputBytes(), 0u);
}

TEST(Writes, TheDriverIsHandedNoMoreThanTheBound) {
  fakes::FakeClock clock;
  WireTimeUart uart(clock);
  CommPort port(uart);
  port.Open();
  const std::uint8_t byte = 0x55;
  for (std::uint32_t i = 0; i < CommPort::kMostWritesLeft; ++i)
    ASSERT_EQ(port.Write({&byte, 1}), 1u);
  EXPECT_EQ(port.Write({&byte, 1}), 0u);
  EXPECT_EQ(uart.WritesHeld(), CommPort::kMostWritesLeft);
  EXPECT_EQ(port.Write({}), 0u);
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
  EXPECT_GT(hole.WritesLeft().Count(), 0u) << "its buffers stay with the driver";
  EXPECT_LE(show.Timed([&] { EXPECT_TRUE(show.Enable(kChannels)); }), kWaitBound);
  show.Run(300ms);
  EXPECT_LE(show.Timed([&] { show.Disable(); }), kWaitBound);
  EXPECT_FALSE(hole.IsHeld());
  EXPECT_GT(hole.purges, 0) << "asked to drop what it holds";
  EXPECT_GT(hole.cancels, 0) << "asked for its writes back";
  EXPECT_FALSE(platform::win32::AnyResourceLive()) << "the library may unload";
}

// Every lose, reopen and hang leaves the driver a few writes; never more than
// the bound in all. Past it the port is asked seldom and never given up:
// output comes back by itself once the driver lets the writes go.
TEST(Waits, WritesLeftToADriverThatNeverFinishesThemStayBounded) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(90s);
  EXPECT_LE(hole.WritesLeft().Count(), CommPort::kMostWritesLeft);
  EXPECT_GE(hole.opens, 10) << "through many cycles";
  const int opens = hole.opens;
  show.Run(10s);
  EXPECT_EQ(hole.opens, opens) << "no open while the driver holds them";
  EXPECT_TRUE(show.Link().IsReopening()) << "but still asked";
  EXPECT_EQ(std::count_if(show.Journal().begin(), show.Journal().end(),
                          [](const auto& line) { return line.starts_with(u"COM1 bleibt zu:"); }),
            1);
  EXPECT_TRUE(show.Enable(kChannels));
  show.Run(10s);
  EXPECT_EQ(hole.opens, opens + 1);
  EXPECT_FALSE(hole.IsHeld()) << "lost again, not held without output";
  EXPECT_LE(hole.WritesHeld(), CommPort::kMostWritesLeft);
  // The device recovers: what the driver held is taken back, and output
  // flows again without the operator.
  hole.Recover();
  const Duration back = show.Now();
  show.Run(3s);
  EXPECT_LE(FirstByteAfter(hole, back) - back, SerialLink::kHeldWritesRetryInterval);
}

// A spare picked in the dialog while the lost adapter's driver holds every
// write it may keep carries frames: the bound is the lost port's alone.
TEST(Waits, ASpareCarriesFramesWhateverTheLostPortsDriverHolds) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  for (Duration run{0}; run < 90s && hole.WritesLeft().CountOn(1) < CommPort::kMostWritesLeft;
       run += 100ms) {
    show.Run(100ms);
  }
  ASSERT_EQ(hole.WritesLeft().CountOn(1), CommPort::kMostWritesLeft);
  hole.at = hole.workingAt = 2;
  const Duration picked = show.Now();
  show.CloseDialog(u"24", 1);
  show.Run(1s);
  EXPECT_GT(FramesAfter(hole, picked), 20u);
  EXPECT_TRUE(show.Messages().empty());
}

// Writes given up on stay the driver's until it finishes them, long after,
// also when the thread whose port left them has ended: their OVERLAPPED and
// event untouched (the model brings the host down otherwise), still counted,
// and closed once the driver has finished them.
TEST(Waits, AWriteLeftToTheDriverIsItsUntilItFinishes) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(5s);
  show.Disable();
  const std::uint32_t left = hole.WritesLeft().Count();
  ASSERT_GT(hole.WritesHeld(), 0u);
  show.NewThread();
  EXPECT_EQ(hole.WritesLeft().Count(), left);
  ASSERT_TRUE(show.Enable(kChannels));
  hole.Recover();
  show.EndThread();
  EXPECT_EQ(hole.WritesLeft().Count(), 0u);
  EXPECT_EQ(hole.EventsOpen(), 0u);
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
  EXPECT_TRUE(platform::win32::AnyResourceLive()) << "the library stays loaded";
  show.EndThread();
  EXPECT_EQ(port.sleeps, sleeps);
  EXPECT_EQ(show.Now(), before);
  EXPECT_FALSE(port.IsHeld());
  EXPECT_FALSE(platform::win32::AnyResourceLive());
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, ThreadEnd,
    ::testing::Values(
        Teardown{"BlackHole", [](Show& s) -> DriverModel& { return s.Use<BlackHole>(); }},
        Teardown{"UsbAdapter", [](Show& s) -> DriverModel& { return s.Use<UsbAdapter>(); }}),
    [](const auto& param) { return std::string(param.param.model); });

TEST(Failing, WritesReportedLateButWithinTheSecondKeepThePort) {
  Show show;
  auto& port = show.Use<LateReports>();
  ASSERT_TRUE(show.Enable(kChannels));
  show.Run(5s);
  EXPECT_EQ(show.Link().Stats().portLosses, 0u);
  EXPECT_EQ(port.opens, 1);
}

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

// Output on, the device lost and back, and a try to reopen the port under
// way that `slowDown` made slow.
void StartASlowTry(Show& show, DriverModel& port, const std::function<void()>& slowDown) {
  ASSERT_TRUE(show.Enable(24));
  show.Run(100ms);
  port.deviceGone = true;
  show.Run(100ms);
  port.deviceGone = false;
  slowDown();
  show.Run(SerialLink::kReopenInterval + 100ms);
  ASSERT_TRUE(show.Link().IsReopening());
}

// Output switched off and on, or the host's thread ended and a new one
// started, while the plug-in's own try is still opening a slow port: Enable
// takes that try's port rather than open the port a second time and be told
// it is in use.
class OwnTry : public ::testing::TestWithParam<bool> {};

TEST_P(OwnTry, EnableTakesItsPort) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  ASSERT_NO_FATAL_FAILURE(StartASlowTry(show, port, [&] { port.openTime = SlowOpen::kOpenTime; }));
  GetParam() ? show.NewThread() : static_cast<void>(show.Disable());
  EXPECT_LT(show.Timed([&] { EXPECT_TRUE(show.Enable(24)); }), SlowOpen::kOpenTime);
  EXPECT_TRUE(show.Messages().empty());
  const Duration opened = show.Now();
  show.Run(100ms);
  EXPECT_LE(FirstByteAfter(port, opened) - opened, Show::kClockTick) << "from the next tick on";
  EXPECT_EQ(port.secondHandles, 0);
  show.Disable();
  EXPECT_TRUE(show.Enable(24)) << "and the next switch off and on is an ordinary one";
}

INSTANTIATE_TEST_SUITE_P(SlowOpens, OwnTry, ::testing::Bool(), [](const auto& param) {
  return std::string(param.param ? "AfterTheThreadEnded" : "AfterDisable");
});

// A try that outlasts Enable's wait for it: Enable fails without opening the
// port a second time, and the next one waits for the same try and takes its
// port.
TEST(SlowOpens, ATryThatOutlastsTheWaitIsWaitedForAgain) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  ASSERT_NO_FATAL_FAILURE(StartASlowTry(show, port, [&] { port.openTime = 40s; }));
  show.Disable();
  EXPECT_FALSE(show.Enable(24));
  EXPECT_TRUE(show.Enable(24));
  show.Run(15s);
  EXPECT_EQ(port.opens, 2);
  EXPECT_EQ(port.secondHandles, 0);
  show.Disable();
  EXPECT_FALSE(port.IsHeld());
}

// The dialog picking another port while a try is still following the
// adapter: the port picked is opened, and what the try found is let go.
TEST(SlowOpens, TheDialogPickingAnotherPortLeavesTheTrysPortAlone) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.nodes = fakes::kFt232r;
  ASSERT_NO_FATAL_FAILURE(StartASlowTry(show, port, [&] {
    port.at = 9;
    port.openTime = SlowOpen::kOpenTime;
  }));
  show.Disable();
  show.CloseDialog(u"24", 1);
  EXPECT_EQ(show.Messages().size(), 1u) << "COM2 does not open";
  EXPECT_EQ(show.PortNumber(), 2);
  EXPECT_FALSE(port.IsHeld()) << "COM9 let go";
}

// A driver that gets its device back while the port is lost, with all the
// writes it may keep held: the next try takes them back and opens the port.
TEST(Waits, ADriverThatRecoversWhileThePortIsLostGetsItBack) {
  Show show;
  auto& hole = show.Use<BlackHole>();
  ASSERT_TRUE(show.Enable(kChannels));
  for (Duration run{0};
       run < 90s && (hole.WritesHeld() < CommPort::kMostWritesLeft || hole.IsHeld()); run += 20ms) {
    show.Run(20ms);
  }
  ASSERT_EQ(hole.WritesHeld(), CommPort::kMostWritesLeft);
  const int events = hole.eventsMade;
  hole.Recover();
  const Duration back = show.Now();
  show.Run(2s);
  EXPECT_GT(FramesAfter(hole, back), 0u);
  EXPECT_EQ(hole.eventsMade, events) << "the writes it gave back serve again";
}

// The try has opened the port again, where it was or where it followed the
// adapter, and the host acts before the next tick takes the port: Enable
// takes it as it is, without closing it and opening it again; another port
// picked in the dialog, or output switched off, lets it go.
enum class HostAct { kEnable, kPickCom2, kDisable };
struct Unadopted {
  const char* name;
  std::int16_t backAt;
  HostAct act;
};

void PrintTo(const Unadopted& unadopted, std::ostream* os) { *os << unadopted.name; }

class UnadoptedTry : public ::testing::TestWithParam<Unadopted> {};

TEST_P(UnadoptedTry, IsTakenOnlyByAnOpenOfItsPort) {
  const Unadopted& unadopted = GetParam();
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.nodes = fakes::kFt232r;
  ASSERT_TRUE(show.Enable(24));
  show.Run(100ms);
  port.deviceGone = true;
  show.Run(700ms);
  port.at = unadopted.backAt;
  port.deviceGone = false;
  for (int tick = 0; tick < 200 && port.opens < 2; ++tick) show.Run(Show::kClockTick + 1ns);
  ASSERT_TRUE(show.Link().IsReopening()) << "the port is not taken yet";
  if (unadopted.act == HostAct::kEnable) {
    EXPECT_TRUE(show.Enable(24));
  } else if (unadopted.act == HostAct::kPickCom2) {
    show.CloseDialog(u"24", 1);
  } else {
    show.Disable();
  }
  const bool taken = unadopted.act == HostAct::kEnable;
  EXPECT_EQ(port.opens, 2);
  EXPECT_EQ(port.IsHeld(), taken);
  EXPECT_EQ(show.Messages().size(), unadopted.act == HostAct::kPickCom2 ? 1u : 0u);
  if (!taken) return;
  EXPECT_EQ(show.PortNumber(), unadopted.backAt);
  const Duration enabled = show.Now();
  show.Run(1s);
  EXPECT_GT(FramesAfter(port, enabled), 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Reopen, UnadoptedTry,
    ::testing::Values(Unadopted{"EnableWhereItWas", 1, HostAct::kEnable},
                      Unadopted{"EnableWhereItFollowedTheAdapter", 9, HostAct::kEnable},
                      Unadopted{"AnotherPortPickedInTheDialog", 9, HostAct::kPickCom2},
                      Unadopted{"OutputSwitchedOff", 9, HostAct::kDisable}),
    [](const auto& param) { return std::string(param.param.name); });

// A try on a thread of its own that is still under way when output stops:
// Disable does not wait for it, and the port it opens later is let go.
class GatedOpen final : public DriverModel {
 public:
  explicit GatedOpen(fakes::FakeClock& clock)
      : DriverModel(clock), gate_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  // Work aside (tries, listings) still running would use the model after it.
  ~GatedOpen() override {
    Release();
    for (int tries = 0; tries < 1000 && running_ > 0; ++tries) ::Sleep(10);
    CloseHandle(gate_);
  }

  HANDLE Open(const std::wstring& name) override {
    if (gated && name != ungated) WaitForSingleObject(gate_, 10000);
    return DriverModel::Open(name);
  }
  // Listings aside while the port is held wait for the gate too.
  platform::DeviceTree& Devices() override {
    if (gatedListings && IsHeld() && GetCurrentThreadId() != hostThread_) {
      WaitForSingleObject(gate_, 10000);
    }
    return DriverModel::Devices();
  }
  bool RunAside(std::function<void()> work) override {
    ++running_;
    const bool started = platform::win32::serial::WindowsCommDriver::Instance().RunAside(
        [this, work = std::move(work)] {
          work();
          --running_;
        });
    if (!started) --running_;
    return started;
  }
  void Release() { SetEvent(gate_); }
  // The gate opens by itself after `ms` real milliseconds.
  void ReleaseAfter(DWORD ms) {
    RunAside([this, ms] {
      ::Sleep(ms);
      Release();
    });
  }
  // A caller's Sleep passes in real time too, so that work aside runs meanwhile.
  void Sleep(DWORD milliseconds) override {
    DriverModel::Sleep(milliseconds);
    if (realSleeps) ::Sleep(milliseconds);
  }
  bool Idle() const { return running_ == 0; }

  bool gated = false;
  bool realSleeps = false;
  std::wstring ungated;  // a port whose opens never wait
  std::atomic<bool> gatedListings = false;

 private:
  HANDLE gate_;
  std::atomic<int> running_ = 0;
  DWORD hostThread_ = GetCurrentThreadId();
};

TEST(SlowOpens, ATryUnderWayWhenOutputStopsLetsThePortGo) {
  Show show;
  auto& port = show.Use<GatedOpen>();
  ASSERT_NO_FATAL_FAILURE(StartASlowTry(show, port, [&] { port.gated = true; }));

  EXPECT_EQ(show.Timed([&] { show.Disable(); }), 0ns);
  // A spare on COM2 picked in the dialog opens at once: a try busy with
  // another port is not in its way.
  port.ungated = L"\\\\.\\COM2";
  port.at = 2;
  EXPECT_EQ(show.Timed([&] { show.CloseDialog(u"24", 1); }), 0ns);
  EXPECT_TRUE(show.Messages().empty());
  show.Disable();
  port.at = 1;
  port.Release();
  for (int tries = 0; tries < 500 && port.opens < 3; ++tries) ::Sleep(10);
  for (int tries = 0; tries < 500 && port.IsHeld(); ++tries) ::Sleep(10);
  EXPECT_EQ(port.opens, 3) << "the try opened the port";
  EXPECT_FALSE(port.IsHeld()) << "and let it go";
  port.gated = false;
  port.at = 2;
  EXPECT_TRUE(show.Enable(24)) << "on the spare";
}

// The adapter returns just as output is switched on: the try that opened it
// holds the port, whatever it does after the open, until Enable takes it
// over; no second open is refused as "in use".
TEST(SlowOpens, EnableAsTheAdapterReturnsTakesTheTrysPort) {
  Show show;
  auto& port = show.Use<GatedOpen>();
  port.nodes = fakes::kFt232r;
  ASSERT_TRUE(show.Enable(24));
  port.gatedListings = true;
  port.deviceGone = true;
  show.Run(100ms);
  port.deviceGone = false;
  show.Run(SerialLink::kReopenInterval);
  for (int tries = 0; tries < 500 && port.opens < 2; ++tries) ::Sleep(10);
  ASSERT_EQ(port.opens, 2) << "the try opened the port";
  EXPECT_TRUE(show.Enable(24));
  EXPECT_TRUE(show.Messages().empty());
  EXPECT_EQ(port.secondHandles, 0);
  const Duration enabled = show.Now();
  show.Run(1s);
  EXPECT_GT(FramesAfter(port, enabled), 20u);
}

// The port's own try, following its adapter, is still opening the lost port
// when output is switched off and on, and that open fails: Enable waits only
// for that open and then opens the port itself; the try lists and opens
// nothing more, though the adapter is back under another number.
TEST(SlowOpens, AReclaimedTryWhoseOpenFailsIsLeftAtOnce) {
  fakes::FakeClock clock;
  GatedOpen model(clock);
  model.nodes = fakes::kFt232r;
  CommPort port(model);
  port.SetSettings(engine::kLineSettings);
  port.Open();
  model.deviceGone = true;
  port.Close(0ns);
  const auto tryOnce = [&] {
    try {
      while (port.OpenInBackground() == SerialPort::OpenProgress::kOpening) ::Sleep(1);
    } catch (const platform::PlatformError&) {
    }
  };
  tryOnce();  // the first try notes the neighbours
  clock.Advance(CommPort::kAdapterSearchEvery);
  model.gated = true;
  ASSERT_EQ(port.OpenInBackground(), SerialPort::OpenProgress::kOpening) << "follows the adapter";
  model.at = 9;
  model.deviceGone = false;
  port.Close(0ns);
  const int listings = model.deviceListings;
  model.realSleeps = true;
  model.ReleaseAfter(50);
  const Duration before = clock.Now();
  EXPECT_THROW(port.Open(), platform::PlatformError) << "COM1 is gone";
  EXPECT_LT(clock.Now() - before, 1s);
  for (int tries = 0; tries < 500 && !model.Idle(); ++tries) ::Sleep(10);
  EXPECT_EQ(std::count(model.askedToOpen.begin(), model.askedToOpen.end(), L"\\\\.\\COM9"), 0);
  EXPECT_EQ(model.deviceListings, listings);
  EXPECT_FALSE(model.IsHeld());
}

// An adapter pulled out of COM1 and plugged in again, among the devices of a
// show PC: output follows it only where it is surely the same adapter, and
// never opens another device (its DTR would reset an Arduino).
using fakes::Ch340In;
using Devices = std::vector<fakes::DeviceChain>;

struct Replug {
  const char* name;
  fakes::Nodes before;     // on COM1
  Devices beside = {};     // present all along
  std::int16_t at;         // where it comes back
  fakes::Nodes after;      // there; none: it stays away
  Devices appearing = {};  // while it was away
  std::uint8_t portAfter;  // 0: output stays dark
  bool refusedThere = false;
  Devices pluggedIn = {};           // after output started
  Duration pluggedInAfter = 300ms;  // the start
  Duration pluggedInFor = 300ms;    // before the loss
  bool hubDropsOut = false;         // those plugged in leave with it
  // Windows lists it where it comes back for a while before its port here
  // fails: a listing of its neighbours then must not file it as another's.
  bool listedThereFirst = false;
  // Windows lists it only after the port opened.
  bool listedLate = false;
};

void PrintTo(const Replug& replug, std::ostream* os) { *os << replug.name; }

class Replugged : public ::testing::TestWithParam<Replug> {};

TEST_P(Replugged, OutputFollowsOnlyItsOwnAdapter) {
  const Replug& replug = GetParam();
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.nodes = replug.listedLate ? fakes::Nodes{} : replug.before;
  port.otherDevices = replug.beside;
  ASSERT_TRUE(show.Enable(24));
  const std::u16string& node = replug.before.front();
  EXPECT_EQ(show.Journal().back().find(u"(USB-Adapter") != std::u16string::npos,
            !replug.listedLate && (node.starts_with(u"USB\\") || node.starts_with(u"FTDIBUS\\")))
      << "the journal names the adapter";
  show.Run(replug.pluggedInAfter);
  port.nodes = replug.before;
  port.otherDevices.insert(port.otherDevices.end(), replug.pluggedIn.begin(),
                           replug.pluggedIn.end());
  show.Run(replug.pluggedInFor);
  if (replug.listedThereFirst) {
    port.listedAt = replug.at;
    show.Run(AdapterWatch::kRenewEvery + 100ms);
    port.listedAt.reset();
  }
  port.deviceGone = true;
  if (replug.hubDropsOut) port.otherDevices = replug.beside;
  show.Run(700ms);  // the first try has looked around
  const int listings = port.deviceListings;
  port.at = replug.at;
  port.nodes = replug.after;
  port.deviceGone = replug.after.empty();
  port.opensFail = replug.refusedThere;
  port.otherDevices.insert(port.otherDevices.end(), replug.appearing.begin(),
                           replug.appearing.end());
  const Duration back = show.Now();
  show.Run(3s);
  EXPECT_LE(port.deviceListings - listings, 4) << "at most once a second";
  for (const auto& device : port.otherDevices) {
    const std::u16string& name = device.portName;
    EXPECT_EQ(std::count(port.askedToOpen.begin(), port.askedToOpen.end(),
                         L"\\\\.\\" + std::wstring(name.begin(), name.end())),
              0);
  }
  if (replug.refusedThere) {
    const std::wstring there = L"\\\\.\\COM" + std::to_wstring(replug.at);
    EXPECT_GE(std::count(port.askedToOpen.begin(), port.askedToOpen.end(), there), 2)
        << "a refusal there ends the try, and the next tries again";
  }
  if (replug.portAfter == 0) {
    EXPECT_TRUE(show.Link().IsReopening());
    EXPECT_EQ(show.PortNumber(), 1);
    return;
  }
  EXPECT_EQ(show.PortNumber(), replug.portAfter);
  EXPECT_LT(FirstByteAfter(port, back) - back, CommPort::kAdapterSearchEvery)
      << "the next search finds it";
  EXPECT_GT(FramesAfter(port, back + 1500ms), 20u);
}

const fakes::Nodes kFtdi = fakes::kFt232r;
const fakes::Nodes kBuiltIn = fakes::kBuiltInUart;
const fakes::Nodes kChannelA = fakes::Ft2232h(u'A');
const fakes::Nodes kPaired = fakes::Bluetooth(u'1');
const Devices kArduino{{u"COM9", Ch340In(u'4')}};
const Devices kSecondCh340{{u"COM13", Ch340In(u'4')}};
const Devices kChannelB{{u"COM13", fakes::Ft2232h(u'B')}};
const Devices kPairedPhone{{u"COM4", fakes::Bluetooth(u'2')}};
const Devices kNewlyPaired{{u"COM13", fakes::Bluetooth(u'3')}};

INSTANTIATE_TEST_SUITE_P(
    Adapters, Replugged,
    ::testing::Values(
        Replug{"MovedWithSerial", kFtdi, {}, 9, kFtdi, {}, 9},
        Replug{
            "MovedWithoutSerial", Ch340In(u'2'), {{u"COM3", kBuiltIn}}, 12, Ch340In(u'3'), {}, 12},
        Replug{"TwoAlikeWithoutSerial", Ch340In(u'2'), {}, 12, Ch340In(u'3'), kSecondCh340, 0},
        Replug{"BystanderWhileItIsAway", Ch340In(u'2'), kArduino, 1, {}, {}, 0},
        Replug{"BesideABystander", Ch340In(u'2'), kArduino, 12, Ch340In(u'3'), {}, 12},
        Replug{"OnlyItsSiblingAppears", kChannelA, {}, 1, {}, kChannelB, 0},
        Replug{"BluetoothBesideOthers", kPaired, kPairedPhone, 1, {}, kNewlyPaired, 0},
        Replug{"AnotherAdapter", kFtdi, {}, 9, {u"USB\\VID_0403&PID_6001\\B1"}, {}, 0},
        Replug{"RefusedThere", kFtdi, {}, 9, kFtdi, {}, 0, true},
        Replug{"BackOnItsOldNumber", Ch340In(u'2'), {}, 1, Ch340In(u'2'), {}, 1},
        Replug{"ArduinoPluggedInDuringTheShow", Ch340In(u'2'), {}, 1, {}, {}, 0, false, kArduino},
        Replug{"BackBesideAnArduinoPluggedInDuringTheShow",
               Ch340In(u'2'),
               {},
               12,
               Ch340In(u'3'),
               {},
               12,
               false,
               kArduino},
        Replug{"NoUsbDevice", kBuiltIn, {}, 9, kBuiltIn, {}, 0},
        Replug{"AnArduinoOnItsHubComesBackFirst",
               Ch340In(u'2'),
               {},
               1,
               {},
               kArduino,
               0,
               false,
               kArduino,
               2500ms,
               5s,
               true},
        Replug{.name = "ListedThereBeforeItsPortFails",
               .before = kFtdi,
               .at = 9,
               .after = kFtdi,
               .portAfter = 9,
               .listedThereFirst = true},
        Replug{.name = "ListedOnlyAfterTheOpen",
               .before = kFtdi,
               .at = 9,
               .after = kFtdi,
               .portAfter = 9,
               .pluggedInAfter = 2500ms,
               .pluggedInFor = 2s,
               .listedLate = true}),
    [](const auto& param) { return std::string(param.param.name); });

// Pulled out again soon after output followed it to another socket: a
// search after each loss finds it.
TEST(Adapters, AnAdapterMovedTwiceIsFollowedBothTimes) {
  Show show;
  auto& port = show.Use<InstantWrites>();
  port.nodes = fakes::kFt232r;
  ASSERT_TRUE(show.Enable(24));
  show.Run(300ms);
  for (const std::uint8_t number : {std::uint8_t{9}, std::uint8_t{12}}) {
    port.deviceGone = true;
    show.Run(700ms);
    port.at = number;
    port.deviceGone = false;
    show.Run(CommPort::kAdapterSearchEvery);
    EXPECT_EQ(show.PortNumber(), number);
    // A clone with its serial number plugged in during the show.
    port.otherDevices = {{u"COM13", fakes::kFt232r}};
  }
  EXPECT_EQ(port.eventsMade, 1) << "one write's event served the whole show, failures too";
}

// Windows refusing to list the adapter's neighbours while output runs, or
// listing only part of them, is said once a spell.
TEST(Adapters, AListingOfItsNeighboursThatFailsIsSaidOnceASpell) {
  for (const auto& [partly, said] :
       {std::pair{false, u"Windows nennt die Geräte neben COM1 nicht ("},
        std::pair{true, u"Windows nennt die Geräte neben COM1 nur zum Teil ("}}) {
    Show show;
    auto& port = show.Use<InstantWrites>();
    port.nodes = fakes::kFt232r;
    ASSERT_TRUE(show.Enable(24));
    for (const bool failing : {true, false, true}) {
      port.listingsRefused = failing && !partly;
      port.listingsPartly = failing && partly;
      show.Run(5s);
    }
    EXPECT_EQ(std::count_if(show.Journal().begin(), show.Journal().end(),
                            [said](const auto& line) { return line.starts_with(said); }),
              2);
  }
}

// A listing of the neighbours that does not return keeps its thread; it is
// said once, once it is overdue, and output goes on.
TEST(Adapters, AListingThatDoesNotReturnIsSaidOnce) {
  Show show;
  auto& port = show.Use<GatedOpen>();
  port.nodes = fakes::kFt232r;
  port.gatedListings = true;
  ASSERT_TRUE(show.Enable(24));
  const auto said = [&] {
    return std::count_if(show.Journal().begin(), show.Journal().end(), [](const auto& line) {
      return line.starts_with(
          u"Windows nennt die Geräte neben COM1 nicht (keine Antwort nach 5 s)");
    });
  };
  show.Run(AdapterWatch::kRenewEvery + 4s);
  EXPECT_EQ(said(), 0) << "not yet overdue";
  show.Run(10s);
  EXPECT_EQ(said(), 1);
  EXPECT_GT(show.Decoded().frames, 500u);
  port.Release();
}

// Drivers that drop what they still hold at the close: a USB adapter's
// buffer, a UART that finishes a write only when its last byte has left.
template <class Model>
void ExpectWholeFramesOverCloses() {
  Show show;
  auto& port = show.Use<Model>();
  const CloseCycles cycles = RunCloseCycles(show, 200, 7);
  EXPECT_EQ(cycles.decoded.torn, 0u);
  EXPECT_EQ(cycles.decoded.BadFrames(), 0u);
  EXPECT_GT(cycles.decoded.frames, 200u);
  EXPECT_LE(cycles.longestDisable, kWaitBound);
  EXPECT_FALSE(port.IsHeld());
  EXPECT_LE(port.eventsMade, 8) << "finished writes serve again after a close";
}

TEST(Close, NoFrameIsCutWhenTheDriverDropsWhatItHoldsAtTheClose) {
  ExpectWholeFramesOverCloses<UsbAdapter>();
  ExpectWholeFramesOverCloses<WireTimeUart>();
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
  EXPECT_LE(line.Driver().eventsMade, 8) << "a finished write's event serves the next";
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
