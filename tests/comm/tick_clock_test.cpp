// Ticks, tick timers across the wrap of the counter, and the delays.
#include <gtest/gtest.h>

#include "base/error_codes.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "comm/port/tick_clock.h"

namespace telvane {
namespace {

using test::FakeTickClock;

TEST(TickClock, SecondsConvertWithIntegerDivision) {
  EXPECT_EQ(SecsToTicks(10), 182);
  EXPECT_EQ(SecsToTicks(60), 1092);
  EXPECT_EQ(SecsToTicks(1), 18);
  EXPECT_EQ(SecsToTicks(0), 0);
}

TEST(TickTimer, ExpiresOnlyOnceTheCurrentTickIsPastTheExpiry) {
  FakeTickClock clock;
  clock.SetTicks(100);
  EventTimer t = NewTimer(clock, 5);
  clock.AdvanceTicks(5);
  EXPECT_FALSE(TimerExpired(clock, t));
  EXPECT_EQ(RemainingTicks(clock, t), 0);
  clock.AdvanceTicks(1);
  EXPECT_TRUE(TimerExpired(clock, t));
  EXPECT_EQ(ElapsedTicks(clock, t), 6);
}

TEST(TickTimer, ATimerSpanningTheWrapOfTheCounterExpiresOnTime) {
  FakeTickClock clock;
  clock.SetTicks(0xFFFFFFFFull - 2);  // three ticks before the counter wraps
  EventTimer t = NewTimer(clock, 10);
  EXPECT_FALSE(TimerExpired(clock, t)) << "the expiry tick has wrapped below the start";
  clock.AdvanceTicks(1);
  EXPECT_FALSE(TimerExpired(clock, t));
  clock.AdvanceTicks(4);  // the counter has wrapped to 2
  EXPECT_LT(clock.Now(), t.startTicks);
  EXPECT_FALSE(TimerExpired(clock, t));
  EXPECT_EQ(RemainingTicks(clock, t), 5);
  clock.AdvanceTicks(6);
  EXPECT_TRUE(TimerExpired(clock, t));
}

TEST(TickTimer, DurationsAreCapped) {
  FakeTickClock clock;
  EventTimer t = NewTimer(clock, 2000000000);
  EXPECT_EQ(t.expireTicks - t.startTicks, static_cast<Ticks>(kMaxTimerTicks));
  EventTimer z = NewTimer(clock, -4);
  EXPECT_EQ(z.expireTicks, z.startTicks);
}

TEST(Delay, TickDelayKeepsPumpingAndEndsWhenTheApplicationQuits) {
  FakeTickClock clock;
  int pumps = 0;
  EXPECT_EQ(DelayTicks(clock, 3, [&] { ++pumps; return true; }), ecOK);
  EXPECT_GE(clock.Now(), 4u);
  EXPECT_GT(pumps, 1);

  Ticks before = clock.Now();
  int calls = 0;
  EXPECT_EQ(DelayTicks(clock, 1000, [&] { return ++calls < 3; }), ecGotQuitMsg);
  EXPECT_LT(clock.Now() - before, 10u);
}

TEST(Delay, MillisecondDelayGoesThroughTheClock) {
  FakeTickClock clock;
  DelayMs(clock, 1100);
  EXPECT_EQ(clock.Now(), 20u);
}

}  // namespace
}  // namespace telvane
