// The PC sleeps in the break and wakes, with a driver that keeps its handle
// while the adapter's chip has lost its line.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_models.h"
#include "scenarios.h"

namespace tarvolk::drivers {
namespace {

using namespace std::chrono_literals;

std::size_t RenewalLines(const Show& show) {
  return static_cast<std::size_t>(
      std::count_if(show.Journal().begin(), show.Journal().end(), [](const auto& line) {
        return line.find(u"nach dem Aufwachen des PCs") != std::u16string::npos;
      }));
}

// Output is renewed by itself: whole, valid frames within a second of the
// wake, one renewal however many resume notifications follow (the user's
// return comes later), said once, and the host's thread opens nothing. A
// wake while output is off renews nothing; one with nobody there renews too.
TEST(Wake, OutputIsRenewedAfterThePcWoke) {
  Show show;
  auto& ch340 = show.Use<Ch340KeepsHandleAtWake>();
  ASSERT_TRUE(show.Enable(24));
  show.Run(1s);
  ch340.GoToSleep();
  ch340.WakeUp();
  const Duration woke = show.Now();
  show.Run(500ms);
  ch340.UserReturns();
  show.Run(1500ms);
  const auto decoded = DecodedAfter(ch340, woke + 1s);
  EXPECT_GT(decoded.frames, 50u);
  EXPECT_EQ(decoded.BadFrames() + decoded.strayBytes, 0u);
  EXPECT_EQ(ch340.opens, 2);
  EXPECT_EQ(show.longestTickHold, 0ns);
  EXPECT_EQ(RenewalLines(show), 1u);
  EXPECT_TRUE(show.Messages().empty());

  show.Disable();
  ch340.GoToSleep();
  ch340.WakeUp();
  ASSERT_TRUE(show.Enable(24));
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 3);
  EXPECT_EQ(RenewalLines(show), 1u);
  ch340.GoToSleep();
  ch340.WakeUp();
  show.Run(1s);
  EXPECT_EQ(ch340.opens, 4) << "nobody there";
  EXPECT_EQ(RenewalLines(show), 2u);
}

}  // namespace
}  // namespace tarvolk::drivers
