// Trigger handles, arming, matching of received bytes, and the walk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_codes.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "comm/port/trigger_table.h"

namespace telvane {
namespace {

using test::FakeTickClock;

std::vector<int> FeedAll(TriggerTable& t, const std::string& bytes) {
  std::vector<FiredTrigger> fired;
  for (char c : bytes) t.FeedByte(static_cast<std::uint8_t>(c), fired);
  std::vector<int> handles;
  for (auto& f : fired) handles.push_back(f.handle);
  return handles;
}

TEST(TriggerHandles, AreMultiplesOfEightWithTheStatusTypeInTheLowBits) {
  TriggerTable t;
  EXPECT_EQ(t.AddTimer(), 8);
  EXPECT_EQ(t.AddData("OK", false), 16);
  EXPECT_EQ(t.AddStatus(stOutSent), 24 | 5);
  EXPECT_EQ(t.AddStatus(stModem), 32 | 1);
}

TEST(TriggerHandles, AfterTheFirst4096TheLowestFreeMultipleOfEightIsReused) {
  TriggerTable t;
  int last = 0;
  for (int i = 0; i < 4096; ++i) {
    last = t.AddTimer();
    if (i >= 3) {
      ASSERT_EQ(t.Remove(last), ecOK);  // keep 8, 16, 24
    }
  }
  EXPECT_EQ(last, 4096 * 8);
  EXPECT_EQ(t.Count(), 3u);
  EXPECT_EQ(t.AddTimer(), 32);
  EXPECT_EQ(t.AddStatus(stLine), 40 | 2);
  ASSERT_EQ(t.Remove(16), ecOK);
  EXPECT_EQ(t.AddData("x", false), 16);
  EXPECT_EQ(t.AddTimer(), 48);
}

TEST(TriggerHandles, RunOutWhenEverySixteenBitHandleIsTaken) {
  TriggerTable t;
  int h = 0;
  for (int i = 0; i < 8191; ++i) h = t.AddTimer();
  EXPECT_GT(h, 0);
  EXPECT_EQ(t.AddTimer(), ecNoMoreTriggers);
}

TEST(TriggerErrors, BadStatusTypesAndUnknownHandles) {
  TriggerTable t;
  FakeTickClock clock;
  EXPECT_EQ(t.AddStatus(6), ecBadArgument);
  EXPECT_EQ(t.AddStatus(0), ecBadArgument);
  EXPECT_EQ(t.SetTimer(8, clock, 5, true), ecBadTriggerHandle);
  EXPECT_EQ(t.SetStatus(9, 0, true, 0), ecBadTriggerHandle);
  EXPECT_EQ(t.Remove(8), ecBadTriggerHandle);
  // A timer handle is not a status trigger, and the reverse.
  int timer = t.AddTimer();
  int status = t.AddStatus(stOutSent);
  EXPECT_EQ(t.SetStatus(timer, 0, true, 0), ecBadTriggerHandle);
  EXPECT_EQ(t.SetTimer(status, clock, 1, true), ecBadTriggerHandle);
  EXPECT_EQ(t.AddData("", false), ecBadArgument);
  EXPECT_EQ(t.AddData(std::string(kMaxDataTriggerLength + 1, 'a'), false), ecBadArgument);
}

TEST(TriggerWalk, ARemovedTriggerIsOnlyMarkedUntilTheWalkEnds) {
  TriggerTable t;
  FakeTickClock clock;
  int a = t.AddTimer();
  int b = t.AddTimer();
  t.SetTimer(a, clock, 0, true);
  t.SetTimer(b, clock, 0, true);
  clock.AdvanceTicks(1);
  t.BeginWalk();
  std::vector<FiredTrigger> fired;
  t.CheckTimers(clock, fired);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(t.Remove(a), ecOK);  // from inside its own event
  EXPECT_FALSE(t.Exists(a));
  EXPECT_EQ(t.Remove(a), ecBadTriggerHandle);
  // Still listed, so its handle is not handed out during the walk.
  EXPECT_EQ(t.AddTimer(), 24);
  t.EndWalk();
  EXPECT_EQ(t.Count(), 2u);
  EXPECT_TRUE(t.Exists(b));
}

TEST(DataTriggers, MatchAcrossSeparateReads) {
  TriggerTable t;
  int h = t.AddData("CONNECT", false);
  EXPECT_TRUE(FeedAll(t, "\r\nCON").empty());
  EXPECT_TRUE(FeedAll(t, "NE").empty());
  EXPECT_EQ(FeedAll(t, "CT 9600\r\n"), std::vector<int>{h});
}

TEST(DataTriggers, FindAMatchThatStartsInsideAFailedPartialMatch) {
  TriggerTable t;
  int h = t.AddData("aab", false);
  EXPECT_EQ(FeedAll(t, "aaab"), std::vector<int>{h});
  int r = t.AddData("RRING", false);
  EXPECT_EQ(FeedAll(t, "RRRING"), std::vector<int>{r});
}

TEST(DataTriggers, IgnoreCaseUpperCasesBothSides) {
  TriggerTable t;
  int loose = t.AddData("ok", true);
  int strict = t.AddData("ok", false);
  EXPECT_EQ(FeedAll(t, "Ok"), std::vector<int>{loose});
  EXPECT_EQ(FeedAll(t, "ok"), (std::vector<int>{loose, strict}));
}

TEST(DataTriggers, FireForEveryOccurrence) {
  TriggerTable t;
  int h = t.AddData("aa", false);
  EXPECT_EQ(FeedAll(t, "aaa"), (std::vector<int>{h, h}));
  EXPECT_EQ(FeedAll(t, "xaa"), std::vector<int>{h});
}

TEST(TimerTriggers, FireOncePerArming) {
  TriggerTable t;
  FakeTickClock clock;
  int h = t.AddTimer();
  std::vector<FiredTrigger> fired;
  clock.AdvanceTicks(100);
  t.CheckTimers(clock, fired);
  EXPECT_TRUE(fired.empty()) << "a timer that was never armed";
  t.SetTimer(h, clock, 3, true);
  clock.AdvanceTicks(3);
  t.CheckTimers(clock, fired);
  EXPECT_TRUE(fired.empty());
  clock.AdvanceTicks(1);
  t.CheckTimers(clock, fired);
  t.CheckTimers(clock, fired);
  clock.AdvanceTicks(50);
  t.CheckTimers(clock, fired);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].msg, kMsgTriggerTimer);
  EXPECT_EQ(fired[0].handle, h);
  // Re-arming starts again from now; disarming stops it.
  t.SetTimer(h, clock, 1, true);
  t.SetTimer(h, clock, 1, false);
  clock.AdvanceTicks(5);
  t.CheckTimers(clock, fired);
  EXPECT_EQ(fired.size(), 1u);
}

TEST(StatusTriggers, ModemStatusFiresOnAChangeOfAMaskedLine) {
  TriggerTable t;
  int h = t.AddStatus(stModem);
  t.SetStatus(h, msrDCD, true, msrCTS | msrDSR);
  std::vector<FiredTrigger> fired;
  StatusSnapshot s;
  s.msr = msrDSR;  // CTS dropped: not in the mask
  t.CheckStatus(s, fired);
  EXPECT_TRUE(fired.empty());
  s.msr = msrDSR | msrDCD;
  t.CheckStatus(s, fired);
  ASSERT_EQ(fired.size(), 1u);
  EXPECT_EQ(fired[0].data & 0xF0, msrDSR | msrDCD);
  // Fired once: armed again before it reports another change.
  s.msr = msrDSR;
  t.CheckStatus(s, fired);
  EXPECT_EQ(fired.size(), 1u);
}

TEST(StatusTriggers, ModemStatusSeesAPulseShorterThanASample) {
  TriggerTable t;
  int ring = t.AddStatus(stModem);
  int dcd = t.AddStatus(stModem);
  t.SetStatus(ring, msrTERI, true, 0);
  t.SetStatus(dcd, msrDCD, true, 0);
  std::vector<FiredTrigger> fired;
  StatusSnapshot s;
  s.msrEvents = msrTERI | msrDeltaDCD;  // both lines back where they were
  t.CheckStatus(s, fired);
  EXPECT_EQ(fired.size(), 2u);
}

TEST(StatusTriggers, LineErrorsMatchTheirMask) {
  TriggerTable t;
  int errors = t.AddStatus(stLine);
  int breaks = t.AddStatus(stLine);
  t.SetStatus(errors, leOverrun | leParity | leFraming, true, 0);
  t.SetStatus(breaks, leBreak, true, 0);
  std::vector<FiredTrigger> fired;
  StatusSnapshot s;
  s.lineErrors = leBreak | leFraming;
  t.CheckStatus(s, fired);
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].handle, errors);
  EXPECT_EQ(fired[0].data, leFraming);
  EXPECT_EQ(fired[1].data, leBreak);
}

TEST(StatusTriggers, OutputBufferLevels) {
  TriggerTable t;
  int free = t.AddStatus(stOutBuffFree);
  int used = t.AddStatus(stOutBuffUsed);
  int sent = t.AddStatus(stOutSent);
  EXPECT_FALSE(t.OutputTriggersArmed());
  t.SetStatus(free, 4096, true, 0);
  t.SetStatus(used, 100, true, 0);
  t.SetStatus(sent, 0, true, 0);
  EXPECT_TRUE(t.OutputTriggersArmed());
  std::vector<FiredTrigger> fired;
  StatusSnapshot s;
  s.outUsed = 4200;
  s.outFree = 4095;
  t.CheckStatus(s, fired);
  EXPECT_TRUE(fired.empty());
  s.outUsed = 100;
  s.outFree = 8092;
  t.CheckStatus(s, fired);
  EXPECT_EQ(fired.size(), 2u);
  s.outUsed = 0;
  s.allSent = true;
  t.CheckStatus(s, fired);
  ASSERT_EQ(fired.size(), 3u);
  EXPECT_EQ(fired[2].handle, sent);
  EXPECT_FALSE(t.OutputTriggersArmed());
}

}  // namespace
}  // namespace telvane
