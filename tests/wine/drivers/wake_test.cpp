// The PC sleeps in the break and wakes, with a driver that keeps its handle
// while the adapter's chip has lost its line.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_models.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;
using platform::win32::serial::WakeNotices;

std::size_t LinesWith(const Show& show, std::u16string_view text) {
  return static_cast<std::size_t>(
      std::count_if(show.Journal().begin(), show.Journal().end(),
                    [&](const auto& line) { return line.find(text) != std::u16string::npos; }));
}

// However Windows tells of a sleep (a notice before it, the clocks after it,
// both in either order, or only a pause of the process), output is renewed
// once by itself before anything goes into the garbled line: whole, valid
// frames from the first tick after the wake, one renewal and one journal
// line per sleep, no loss for the write the driver held across it, and the
// host's thread opens nothing. A sleep while output is off renews nothing.
TEST(Wake, OutputIsRenewedOnceAfterEverySleep) {
  Show show;
  auto& ch340 = show.Use<Ch340KeepsHandleAtWake>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(1s);
  show.Run(Show::kClockTick - show.Now() % Show::kClockTick + 1us);  // just after a tick
  ASSERT_GT(ch340.WritesHeld(), 0u) << "a write is in the driver at the suspend";
  ch340.GoToSleep();
  ch340.Sleeps(1h);
  const Duration woke = show.Now();
  show.Run(500ms);  // ticks before the resume notices
  ch340.WakeUp();
  show.Run(500ms);
  ch340.UserReturns();
  show.Run(1s);
  const auto decoded = DecodedAfter(ch340, woke);
  EXPECT_GT(decoded.frames, 100u);
  EXPECT_EQ(decoded.BadFrames() + decoded.strayBytes, 0u);
  EXPECT_EQ(ch340.opens, 2);
  EXPECT_EQ(show.longestTickHold, 0ns);
  EXPECT_EQ(LinesWith(show, u"nach dem Aufwachen des PCs"), 1u);
  EXPECT_EQ(LinesWith(show, u"verloren"), 0u);
  EXPECT_TRUE(show.Messages().empty());

  ch340.Sleeps(1h);  // Modern Standby: no suspend notice, a resume notice late
  show.Run(300ms);
  ch340.WakeUp();
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 3) << "no notice at all";
  ch340.FrozenFor(20s);  // no clock tells either
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 4);
  EXPECT_EQ(LinesWith(show, u"nach einer Pause von 20 s neu geöffnet"), 1u);
  ch340.GoToSleep();
  ch340.WakeUp();  // the notices alone, the clocks too coarse to tell
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 5);
  EXPECT_EQ(LinesWith(show, u"nach dem Aufwachen des PCs"), 3u);

  show.Run(WakeNotices::kLateNotice);
  ch340.WakeUp();  // a resume with no suspend notice before it, and no clock moved
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 6);
  ch340.UserReturns();  // which alone tells of no wake
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 6);

  show.Disable();
  ch340.GoToSleep();
  ch340.Sleeps(1h);
  ASSERT_TRUE(show.Enable(24));
  ch340.WakeUp();
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 7) << "a sleep while output was off";
  EXPECT_EQ(LinesWith(show, u"neu geöffnet"), 5u);
  EXPECT_EQ(LinesWith(show, u"verloren"), 0u);
  EXPECT_TRUE(show.Messages().empty());
}

}  // namespace
}  // namespace tarvolk::drivers
