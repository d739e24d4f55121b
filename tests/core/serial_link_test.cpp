#include "engine/serial_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "engine/port_journal.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_journal.h"
#include "fakes/fake_serial_port.h"

namespace tarvolk::engine {
namespace {

using namespace std::chrono_literals;

class SerialLinkTest : public ::testing::Test {
 protected:
  SerialLinkTest() {
    auto created = std::make_unique<fakes::FakeSerialPort>(log);
    port = created.get();
    link = std::make_unique<SerialLink>(std::move(created), clock, portJournal);
    link->SetPortNumber(1);
    link->SetSettings("19200,N,8,2");
    link->Open();
  }

  static std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
  }
  std::size_t BytesIn(SerialLink::Duration lineTime) const {
    return static_cast<std::size_t>(lineTime / link->ByteTime());
  }

  fakes::EventLog log;
  fakes::FakeClock clock;
  fakes::FakeJournal journal;
  PortJournal portJournal{journal};
  fakes::FakeSerialPort* port = nullptr;
  std::unique_ptr<SerialLink> link;
};

TEST_F(SerialLinkTest, PacesFromTheLineSettings) {
  EXPECT_EQ(link->ByteTime(), 572917ns);
  link->SetSettings("9600,N,8,1");
  EXPECT_EQ(link->ByteTime(), 1041667ns);
  EXPECT_THROW(link->SetSettings("fast"), std::exception);
  EXPECT_EQ(link->ByteTime(), 1041667ns);
}

TEST_F(SerialLinkTest, TakesFramesWholeOrNotAtAll) {
  EXPECT_TRUE(link->QueueFrame(Bytes(257), 1s));
  EXPECT_FALSE(link->QueueFrame(Bytes(257), 1s)) << "514 bytes do not fit 512";
  EXPECT_TRUE(link->QueueFrame(Bytes(255), 1s));
  EXPECT_EQ(link->BufferedBytes(), 512u);
  EXPECT_FALSE(link->QueueFrame(Bytes(1), 1s));
}

TEST_F(SerialLinkTest, RefusesFramesWhileTheBacklogIsTooLong) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  const auto backlog = link->Backlog();
  EXPECT_EQ(backlog, 13 * link->ByteTime());
  EXPECT_FALSE(link->QueueFrame(Bytes(13), backlog - 1ns));
  EXPECT_TRUE(link->QueueFrame(Bytes(13), backlog));
}

TEST_F(SerialLinkTest, HandsTheOperatingSystemNoMoreThanTheLineCarries) {
  const auto frame = Bytes(257);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  link->Pump(20ms);
  const std::size_t first = BytesIn(20ms);
  ASSERT_EQ(port->written.size(), first);

  clock.Advance(10ms);
  link->Pump(20ms);
  // What left the line in 10 ms is topped up, no more.
  const std::size_t topped = port->written.size() - first;
  EXPECT_GE(topped, BytesIn(10ms) - 1);
  EXPECT_LE(topped, BytesIn(10ms) + 1);
  EXPECT_TRUE(std::equal(port->written.begin(), port->written.end(), frame.begin()));
  // Everything still ahead: the whole frame's line time less what has gone.
  EXPECT_EQ(link->Backlog(), 257 * link->ByteTime() - 10ms);
}

TEST_F(SerialLinkTest, HandsOverEvenASingleByteAndFinishesItsFrameAtTheClose) {
  const auto frame = Bytes(13, 40);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  link->Pump(link->ByteTime());
  ASSERT_EQ(port->written.size(), 1u);
  link->Close();
  EXPECT_EQ(port->written, frame);
}

TEST_F(SerialLinkTest, KeepsWhatTheOperatingSystemDidNotTakeInOrder) {
  port->writeLimit = 5;
  const auto frame = Bytes(13, 100);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  link->Pump(1s);
  EXPECT_EQ(port->written.size(), 5u);
  EXPECT_EQ(link->BufferedBytes(), 8u);
  link->Pump(1s);
  link->Pump(1s);
  EXPECT_EQ(port->written, frame);
}

TEST_F(SerialLinkTest, BelievesAPortThatReportsALongerQueue) {
  port->reportedPending = 100;
  EXPECT_EQ(link->Backlog(), 100 * link->ByteTime());
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(20ms);  // 100 bytes are more than 20 ms of line time
  EXPECT_TRUE(port->written.empty());
}

TEST_F(SerialLinkTest, AFailedWriteLosesNothingAndDoesNotThrow) {
  const auto frame = Bytes(13);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  port->failingSteps.insert("Write");
  EXPECT_NO_THROW(link->Pump(1s));
  EXPECT_EQ(link->Stats().writeFailures, 1u);
  port->failingSteps.clear();
  link->Pump(1s);
  EXPECT_EQ(port->written, frame);
}

TEST_F(SerialLinkTest, ClosingFinishesAStartedFrameAndDropsTheRest) {
  const auto first = Bytes(257);
  ASSERT_TRUE(link->QueueFrame(first, 1s));
  link->Pump(20ms);
  ASSERT_EQ(port->written.size(), BytesIn(20ms));
  ASSERT_TRUE(link->QueueFrame(Bytes(100, 7), 1s));
  link->Close();
  EXPECT_EQ(port->written, first);
  EXPECT_EQ(log.Events().back(), "port.close");
  EXPECT_EQ(port->lastDrain, 257 * link->ByteTime() + SerialLink::kDeviceLatency)
      << "the frame is given time to leave the line and the device";
}

// However the port takes the rest of a started frame, all of it goes out.
struct Finishing {
  std::size_t takenBeforeClose;
  std::size_t takenPerWriteAtClose;
};

class ClosingMidFrame : public SerialLinkTest, public ::testing::WithParamInterface<Finishing> {};

TEST_P(ClosingMidFrame, FinishesTheFrame) {
  const auto frame = Bytes(11, 60);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  port->writeLimit = GetParam().takenBeforeClose;
  link->Pump(1s);
  port->writeLimit = GetParam().takenPerWriteAtClose;
  link->Close();
  EXPECT_EQ(port->written, frame);
}

INSTANTIATE_TEST_SUITE_P(PartialWrites, ClosingMidFrame,
                         ::testing::Values(Finishing{10, SIZE_MAX}, Finishing{5, 5},
                                           Finishing{1, 2}));

TEST_F(SerialLinkTest, ClosingWhileThePortRefusesTheRestGivesUpAtOnce) {
  ASSERT_TRUE(link->QueueFrame(Bytes(11), 1s));
  port->writeLimit = 5;
  link->Pump(1s);
  port->failingSteps.insert("Write");
  link->Close();
  EXPECT_FALSE(link->IsOpen());
  EXPECT_EQ(port->written.size(), 5u);
  EXPECT_EQ(link->Stats().writeFailures, 1u);
}

TEST_F(SerialLinkTest, ClosingFinishesOnlyTheFrameThatStarted) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  ASSERT_TRUE(link->QueueFrame(Bytes(13, 20), 1s));
  port->writeLimit = 20;  // the first frame and 7 bytes of the second
  link->Pump(1s);
  ASSERT_TRUE(link->QueueFrame(Bytes(13, 50), 1s));
  port->writeLimit = SIZE_MAX;
  link->Close();
  EXPECT_EQ(port->written.size(), 26u);
  EXPECT_EQ(port->written.back(), 32) << "the second frame ends the line";
}

TEST_F(SerialLinkTest, ClosingBetweenFramesSendsNothingMore) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Close();
  EXPECT_EQ(port->written.size(), 13u);
}

TEST_F(SerialLinkTest, ClosingDropsWhatWaitsAndRefusesFrames) {
  port->writeLimit = 0;
  ASSERT_TRUE(link->QueueFrame(Bytes(20), 1s));
  link->Close();
  EXPECT_EQ(link->BufferedBytes(), 0u);
  EXPECT_EQ(link->Backlog(), 0ns);
  EXPECT_FALSE(link->QueueFrame(Bytes(13), 1s));
  link->Open();
  const auto frame = Bytes(13, 90);
  EXPECT_TRUE(link->QueueFrame(frame, 1s));
  port->writeLimit = 5;
  link->Pump(1s);
  port->writeLimit = SIZE_MAX;
  link->Close();
  EXPECT_EQ(port->written, frame) << "nothing of the dropped frame is counted any more";
}

TEST_F(SerialLinkTest, ALostDeviceIsReopenedUntilItReturnsAndOutputResumesOnAFrame) {
  ASSERT_TRUE(link->QueueFrame(Bytes(257), 1s));
  link->Pump(20ms);
  port->deviceGone = true;
  clock.Advance(10ms);
  EXPECT_NO_THROW(link->Pump(20ms));
  EXPECT_TRUE(link->IsOpen());
  EXPECT_TRUE(link->IsReopening());
  EXPECT_EQ(port->lastDrain, 0ns) << "a dead line is not waited for";
  EXPECT_EQ(link->Stats().writeFailures, 1u);
  EXPECT_FALSE(link->QueueFrame(Bytes(13), 1s));
  clock.Advance(1ms);
  link->Pump(20ms);
  EXPECT_EQ(link->Stats().reopenAttempts, 0u) << "the first try waits its interval";

  for (int i = 0; i < 4; ++i) {
    clock.Advance(SerialLink::kReopenInterval / 2);
    link->Pump(20ms);
  }
  EXPECT_EQ(link->Stats().reopenAttempts, 2u);
  port->deviceGone = false;
  port->written.clear();
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(20ms);
  EXPECT_FALSE(link->IsReopening());
  EXPECT_EQ(link->Stats().portLosses, 1u);
  EXPECT_EQ(link->Stats().reopenAttempts, 3u);
  EXPECT_EQ(link->Stats().recoveries, 1u);

  const auto frame = Bytes(13, 50);
  ASSERT_TRUE(link->QueueFrame(frame, 1s));
  link->Pump(1s);
  EXPECT_EQ(port->written, frame) << "the new line starts with a whole frame";
}

// Refused at once, or taken and failed a moment later: either way the port
// counts as working again only once a write has finished.
class FailingWritesTest : public SerialLinkTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingWritesTest, APortWhoseWritesKeepFailingCountsAsLost) {
  if (GetParam()) {
    port->finishedWritesFail = true;
  } else {
    port->failingSteps.insert("Write");
  }
  const auto tick = [this] {
    link->QueueFrame(Bytes(13), 1s);
    link->Pump(1s);
  };
  tick();
  tick();
  clock.Advance(SerialLink::kFailingPortLostAfter - 1ms);
  tick();
  EXPECT_FALSE(link->IsReopening()) << "failures for less than the limit are passing ones";
  clock.Advance(1ms);
  tick();
  EXPECT_TRUE(link->IsReopening());
  EXPECT_EQ(link->BufferedBytes(), 0u) << "the next device starts on a frame";
}

INSTANTIATE_TEST_SUITE_P(RefusedOrTakenThenFailed, FailingWritesTest, ::testing::Bool());

TEST_F(SerialLinkTest, AFinishedWriteEndsARunOfFailures) {
  port->finishedWritesFail = true;
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  clock.Advance(SerialLink::kFailingPortLostAfter - 1ms);
  link->Pump(1s);
  port->finishedWritesFail = false;
  ASSERT_TRUE(link->QueueFrame(Bytes(1), 1s));
  link->Pump(1s);
  clock.Advance(2ms);
  link->Pump(1s);
  port->finishedWritesFail = true;
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  clock.Advance(SerialLink::kFailingPortLostAfter - 1ms);
  link->Pump(1s);
  EXPECT_FALSE(link->IsReopening());
  EXPECT_EQ(link->Stats().writeFailures, 2u);
}

TEST_F(SerialLinkTest, ReopeningForgetsEarlierFailures) {
  port->failingSteps.insert("Write");
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  clock.Advance(SerialLink::kFailingPortLostAfter - 1ms);
  link->Close();
  link->Open();
  clock.Advance(2ms);
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  EXPECT_FALSE(link->IsReopening()) << "one refused write after a reopen is a passing one";
}

TEST_F(SerialLinkTest, AWriteThatFailsAfterTheDeviceWentLosesThePortAtOnce) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  port->finishedWritesFail = true;
  port->deviceGone = true;
  link->Pump(1s);
  EXPECT_TRUE(link->IsReopening());
  EXPECT_EQ(link->Stats().writeFailures, 1u);
  EXPECT_EQ(link->Stats().portLosses, 1u);
}

// A driver that takes seconds to answer a try is not asked again meanwhile;
// tries start an interval apart.
TEST_F(SerialLinkTest, ASlowTryRunsToItsEndBeforeTheNext) {
  port->deviceGone = true;
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  ASSERT_TRUE(link->IsReopening());
  port->openingPolls = 4;
  for (int tick = 0; tick < 5; ++tick) {
    clock.Advance(SerialLink::kReopenInterval);
    link->Pump(1s);
  }
  EXPECT_EQ(link->Stats().reopenAttempts, 1u);
  EXPECT_EQ(std::ranges::count(log.Events(), "port.open failed"), 1);
  port->openingPolls = 0;
  clock.Advance(1ms);
  link->Pump(1s);
  EXPECT_EQ(link->Stats().reopenAttempts, 2u) << "the next try starts once the last has ended";
  port->deviceGone = false;
  clock.Advance(SerialLink::kReopenInterval - 1ms);
  link->Pump(1s);
  EXPECT_EQ(link->Stats().reopenAttempts, 2u);
  clock.Advance(1ms);
  link->Pump(1s);
  EXPECT_EQ(link->Stats().reopenAttempts, 3u);
  EXPECT_FALSE(link->IsReopening());
}

TEST_F(SerialLinkTest, ClosingWaitsOutTheDevicesLatencyOnlyAfterRecentBytes) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  clock.Advance(13 * link->ByteTime() + 5ms);
  link->Close();
  EXPECT_EQ(port->lastDrain, SerialLink::kDeviceLatency - 5ms);

  link->Open();
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  link->Pump(1s);
  clock.Advance(1s);
  link->Close();
  EXPECT_EQ(port->lastDrain, 0ns);

  link->Open();
  port->reportedPending = 10 * SerialLink::kOutputBufferSize;
  link->Close();
  EXPECT_EQ(port->lastDrain, 512 * link->ByteTime() + SerialLink::kDeviceLatency)
      << "never longer than a full buffer and the device";
}

TEST_F(SerialLinkTest, ClosingALostPortEndsTheTries) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  ASSERT_TRUE(link->IsReopening());
  port->openingPolls = 100;
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  ASSERT_EQ(link->Stats().reopenAttempts, 1u);
  log.Clear();
  port->lastDrain = 1s;
  link->Close();
  EXPECT_EQ(log.Events(), std::vector<std::string>{"port.close"}) << "the try under way ends";
  EXPECT_EQ(port->lastDrain, 0ns);
  EXPECT_TRUE(journal.lines.back().starts_with(u"COM1 verloren"))
      << "no \"geschlossen\" for a port that was not open";
  EXPECT_FALSE(link->IsOpen());
  clock.Advance(10 * SerialLink::kReopenInterval);
  link->Pump(1s);
  EXPECT_EQ(link->Stats().reopenAttempts, 1u);
}

// The journal tells what happened to the port, one line an event, a refusal
// like the one before only once.
TEST_F(SerialLinkTest, WritesALossAndARecoveryToTheJournal) {
  port->adapter = platform::SerialAdapter{0x0403, 0x6001, u"A5"};
  link->Close();
  link->Open();
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  for (int tick = 0; tick < 3; ++tick) {
    clock.Advance(SerialLink::kReopenInterval);
    link->Pump(1s);
  }
  port->deviceGone = false;
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  link->Close();
  port->heldPorts.insert(1);
  EXPECT_THROW(link->Open(), platform::PlatformError);
  EXPECT_THROW(link->Open(), platform::PlatformError);
  EXPECT_EQ(journal.lines,
            (std::vector<std::u16string>{
                u"COM1 geöffnet",
                u"COM1 geschlossen",
                u"COM1 geöffnet (USB-Adapter 0403:6001, Seriennummer A5)",
                u"COM1 verloren: das Gerät antwortet nicht mehr (Windows-Fehler 22: Das Gerät "
                u"erkennt den Befehl nicht.)",
                u"COM1 lässt sich nicht öffnen (Windows-Fehler 2: Datei nicht gefunden.)",
                u"COM1 wieder geöffnet nach 2,0 s",
                u"COM1 verloren: das Gerät antwortet nicht mehr (Windows-Fehler 22: Das Gerät "
                u"erkennt den Befehl nicht.)",
                u"COM1 lässt sich nicht öffnen (Windows-Fehler 2: Datei nicht gefunden.)",
                u"COM1 lässt sich nicht öffnen (Windows-Fehler 2: Datei nicht gefunden.)",
                u"COM1 lässt sich nicht öffnen (Windows-Fehler 2: Datei nicht gefunden.)",
            }));
}

// After a wake the chip behind a handle its driver kept may have lost the
// line: the port is opened again at once, which is no loss, and said once,
// with the refusal of a try after it even when one before said the same.
TEST_F(SerialLinkTest, OpensThePortAgainAtOnceAfterThePcWoke) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  port->deviceGone = false;
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  const std::size_t linesBefore = journal.lines.size();
  port->heldPorts.insert(1);
  port->pcWoke = true;
  log.Clear();
  link->Pump(1s);
  EXPECT_EQ(link->BufferedBytes(), 0u) << "nothing more into a garbled line";
  port->heldPorts.clear();
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  EXPECT_EQ(log.Events(),
            (std::vector<std::string>{"port.close", "port.open failed", "port.open"}));
  EXPECT_EQ(port->lastDrain, 0ns);
  EXPECT_TRUE(link->Carries());
  EXPECT_EQ(link->Stats().portLosses, 1u);
  EXPECT_EQ(std::vector(journal.lines.begin() + static_cast<std::ptrdiff_t>(linesBefore),
                        journal.lines.end()),
            (std::vector<std::u16string>{
                u"COM1 lässt sich nicht öffnen (Windows-Fehler 2: Datei nicht gefunden.)",
                u"COM1 nach dem Aufwachen des PCs neu geöffnet, die Ausgabe läuft wieder"}));
}

// Windows refusing to list the adapter's neighbours is said once a spell.
TEST_F(SerialLinkTest, NeighboursThatCannotBeListedAreJournalledOnce) {
  const platform::NeighboursTrouble refused{platform::NeighboursTrouble::Kind::kRefused,
                                            platform::SystemError{13, u"Daten unzulässig."}};
  for (const bool unknown : {true, true, false, true}) {
    port->neighboursUnknown = unknown ? std::optional(refused) : std::nullopt;
    link->Pump(1s);
  }
  EXPECT_EQ(std::count(journal.lines.begin(), journal.lines.end(),
                       u"Windows nennt die Geräte neben COM1 nicht (Windows-Fehler 13: Daten "
                       u"unzulässig.); ein Gerät desselben Chips, das jetzt eingesteckt wird, kann "
                       u"das Plug-in nach einem Verlust nicht von Ihrem Adapter unterscheiden"),
            2);
}

TEST_F(SerialLinkTest, FollowsItsAdapterToAnotherNumber) {
  std::int16_t movedTo = 0;
  link->OnPortMoved([&movedTo](std::int16_t number) { movedTo = number; });
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  port->movedTo = 9;
  clock.Advance(SerialLink::kReopenInterval);
  link->Pump(1s);
  EXPECT_FALSE(link->IsReopening());
  EXPECT_EQ(movedTo, 9);
  EXPECT_EQ(journal.lines.back(), u"Adapter von COM1 an COM9 wieder geöffnet nach 0,5 s");
  link->Close();
  port->deviceGone = true;
  port->movedTo = 5;
  link->Open();
  EXPECT_EQ(movedTo, 5) << "an open may find it elsewhere too";
}

// A driver that holds every write it may keep is asked seldom, said once, and
// output comes back by itself when it lets them go.
TEST_F(SerialLinkTest, KeepsAskingADriverThatHoldsItsWritesAtASlowerPace) {
  ASSERT_TRUE(link->QueueFrame(Bytes(13), 1s));
  port->deviceGone = true;
  link->Pump(1s);
  port->deviceGone = false;
  port->driverHoldsWrites = true;
  const std::size_t linesBefore = journal.lines.size();
  for (int i = 0; i < 8; ++i) {
    clock.Advance(SerialLink::kReopenInterval);
    link->Pump(1s);
  }
  EXPECT_TRUE(link->IsReopening());
  EXPECT_EQ(link->Stats().reopenAttempts, 4u) << "every second";
  ASSERT_EQ(journal.lines.size(), linesBefore + 1);
  EXPECT_TRUE(journal.lines.back().starts_with(u"COM1 bleibt zu:"));
  port->driverHoldsWrites = false;
  clock.Advance(SerialLink::kHeldWritesRetryInterval);
  link->Pump(1s);
  EXPECT_TRUE(link->Carries());
}

}  // namespace
}  // namespace tarvolk::engine
