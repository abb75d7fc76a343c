// The line's modems driven with raw AT commands through the project's own
// termios device: what the emulation answers, and the call progress the
// line adds (no answer, busy, rings, answer, hang-up).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "comm/simline/sim_line.h"
#include "tests/comm/simline/simline_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Dte;

SimLineConfig Config(SimLineConfig::FarEnd farEnd, const test::TempDir& dir, double pace = 8) {
  SimLineConfig c;
  c.farEnd = farEnd;
  c.receiveTiff = dir.File("rx.tif");
  c.pace = pace;
  return c;
}

TEST(SimLineAt, OffersClassOneOnlyWithItsModulations) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::TerminalReceives, dir)), 0) << line.Error();
  Dte dte(line.PtyPath(0));
  ASSERT_TRUE(dte.IsOpen());
  EXPECT_TRUE(line.PtyPath(1).empty());
  EXPECT_NE(dte.Command("ATE0").find("OK"), std::string::npos);
  EXPECT_NE(dte.Command("AT+FCLASS=?").find("0,1,1.0"), std::string::npos);
  EXPECT_NE(dte.Command("AT+FTM=?").find("24,48,72,73,74,96,97,98,121,122,145,146"), std::string::npos);
  EXPECT_NE(dte.Command("AT+FCLASS=2").find("ERROR"), std::string::npos);
  // No echo: the termios device leaves the pty raw, and E0 stops the modem's.
  const std::string reply = dte.Command("AT+FCLASS=1");
  EXPECT_EQ(reply.find("FCLASS"), std::string::npos) << reply;
  EXPECT_NE(reply.find("OK"), std::string::npos);
}

TEST(SimLineAt, NobodyAnswersNoCarrierAfterS7) {
  test::TempDir dir;
  SimLineConfig config = Config(SimLineConfig::TerminalReceives, dir);
  config.neverAnswer = true;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  Dte dte(line.PtyPath(0));
  dte.Command("ATE0");
  dte.Command("AT+FCLASS=1");
  dte.Command("ATS7=4");
  const std::string reply = dte.Command("ATD5550100", 10);
  EXPECT_NE(reply.find("NO CARRIER"), std::string::npos) << reply;
  ASSERT_TRUE(line.WaitDone(5));
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_TRUE(call.noAnswer);
  EXPECT_FALSE(call.answered);
  EXPECT_GE(call.rings, 1);  // the caller heard it ring
  // The modem takes commands again.
  EXPECT_NE(dte.Command("AT").find("OK"), std::string::npos);
}

TEST(SimLineAt, BusyLine) {
  test::TempDir dir;
  SimLineConfig config = Config(SimLineConfig::TerminalReceives, dir);
  config.busy = true;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  Dte dte(line.PtyPath(0));
  dte.Command("ATE0");
  dte.Command("AT+FCLASS=1");
  EXPECT_NE(dte.Command("ATD5550100", 5).find("BUSY"), std::string::npos);
  ASSERT_TRUE(line.WaitDone(5));
  EXPECT_TRUE(line.Result().calls.at(0).busy);
}

TEST(SimLineAt, ChosenNumbersAreBusyOrUnansweredAndOthersRing) {
  test::TempDir dir;
  SimLineConfig config = Config(SimLineConfig::TerminalReceives, dir);
  config.busyNumbers = {"555-0102"};
  config.unansweredNumbers = {"5550103"};
  config.neverAnswer = false;
  config.calls = 3;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  Dte dte(line.PtyPath(0));
  dte.Command("ATE0");
  dte.Command("AT+FCLASS=1");
  dte.Command("ATS7=4");
  // Dial modifiers are not part of the number.
  EXPECT_NE(dte.Command("ATDT5550102", 5).find("BUSY"), std::string::npos);
  EXPECT_NE(dte.Command("ATDT555,0103", 10).find("NO CARRIER"), std::string::npos);
  // Any other number rings and is answered by the fax terminal.
  dte.Command("ATS7=30");
  const std::string third = dte.Command("ATDT5550104", 15);
  EXPECT_NE(third.find("CONNECT"), std::string::npos) << third;
  dte.Command("ATH");
  ASSERT_TRUE(line.WaitDone(10));
  const auto calls = line.Result().calls;
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_TRUE(calls[0].busy);
  EXPECT_TRUE(calls[1].noAnswer);
  EXPECT_FALSE(calls[1].busy);
  EXPECT_TRUE(calls[2].answered);
}

TEST(SimLineAt, TwoModemsRingAnswerCarryAFrameAndHangUp) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::SecondModem, dir, 4)), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  ASSERT_TRUE(a.IsOpen() && b.IsOpen());
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  a.Send("ATD1234\r");
  EXPECT_NE(b.ReadUntil({"RING"}, 3).find("RING"), std::string::npos);
  EXPECT_EQ(a.Seen().find("CONNECT"), std::string::npos);  // not before the answer
  // The answering modem sends its answer tone, then takes the first frame.
  EXPECT_NE(b.Command("ATA", 8).find("CONNECT"), std::string::npos);
  const std::string dis("\xff\x13\x80\x00\x46\x1e\x00", 7);
  b.Send(dis + "\x10\x03");
  EXPECT_NE(b.ReadUntil({"OK\r\n"}, 5).find("OK"), std::string::npos);
  // The caller hears the frame through the line: CONNECT, the frame with
  // its check sequence, DLE ETX and OK.
  const std::string heard = a.ReadUntil({"OK\r\n"}, 5);
  EXPECT_NE(heard.find("CONNECT"), std::string::npos) << heard;
  EXPECT_NE(heard.find(dis), std::string::npos);
  EXPECT_NE(heard.find("\x10\x03"), std::string::npos);
  // B waits for a frame; A hangs up; B's modem loses the line.
  b.Send("AT+FRH=3\r");
  EXPECT_NE(a.Command("ATH").find("OK"), std::string::npos);
  EXPECT_NE(b.ReadUntil({"NO CARRIER"}, 3).find("NO CARRIER"), std::string::npos);
  ASSERT_TRUE(line.WaitDone(3));
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_TRUE(call.answered);
  EXPECT_EQ(call.caller, 0);
  EXPECT_GT(call.lineSeconds, 0);
}

TEST(SimLineAt, AnswerWithoutACallAndDialIntoARingingLine) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::SecondModem, dir)), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  // Off hook with nobody there: no carrier.
  EXPECT_NE(b.Command("ATA", 3).find("NO CARRIER"), std::string::npos) << b.Seen();
  // While A's call rings B, B's own call finds the line in use.
  a.Send("ATD1\r");
  ASSERT_NE(b.ReadUntil({"RING"}, 3).find("RING"), std::string::npos);
  EXPECT_NE(b.Command("ATD2", 3).find("BUSY"), std::string::npos) << b.Seen();
  a.Command("ATH");
  ASSERT_TRUE(line.WaitDone(3));
  EXPECT_EQ(line.Result().calls.size(), 1u);
}

// A receiving DTE that takes 60 ms to react to the DCS, at eight times real
// time: its turn runs in real time, so its receiver starts early enough in
// the TCF's training to pass the zeros on.
TEST(SimLineAt, SlowReceivingDteStillCatchesTheTrainingCheck) {
  test::TempDir dir;
  ASSERT_TRUE(test::WriteG3Tiff(dir.File("page.tif"), test::TestPage(16), false));
  SimLineConfig config = Config(SimLineConfig::TerminalSends, dir);
  config.sendTiff = dir.File("page.tif");
  config.callDelaySeconds = 0.5;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0) << line.Error();
  Dte dte(line.PtyPath(0));
  dte.Command("ATE0");
  dte.Command("AT+FCLASS=1");
  ASSERT_NE(dte.ReadUntil({"RING"}, 3).find("RING"), std::string::npos);
  ASSERT_NE(dte.Command("ATA", 5).find("CONNECT"), std::string::npos) << dte.Seen();
  // CSI, then DIS (final) offering 14400.
  dte.Send(std::string("\xff\x03\x40") + std::string(20, ' ') + "\x10\x03");
  ASSERT_NE(dte.ReadUntil({"CONNECT\r\n"}, 5).find("CONNECT"), std::string::npos) << dte.Seen();
  dte.Send(std::string("\xff\x13\x80\x00\x6e\xf9\x00\x10\x03", 9));
  ASSERT_NE(dte.ReadUntil({"OK\r\n"}, 5).find("OK"), std::string::npos) << dte.Seen();
  // TSI, then the final frame: the DCS.
  std::string frames;
  for (int i = 0; i < 3 && frames.find("\xff\x13\x83") == std::string::npos; ++i) {
    frames += dte.Command("AT+FRH=3", 5);
    frames += dte.ReadUntil({"OK\r\n", "ERROR"}, 5);
  }
  ASSERT_NE(frames.find("\xff\x13\x83"), std::string::npos) << frames;
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  ASSERT_NE(dte.Command("AT+FRM=145", 5).find("CONNECT"), std::string::npos) << dte.Seen();
  const std::string tcf = dte.ReadUntil({"NO CARRIER"}, 5);
  ASSERT_NE(tcf.find("NO CARRIER"), std::string::npos);
  const size_t zeros = static_cast<size_t>(std::count(tcf.begin(), tcf.end(), '\0'));
  EXPECT_GT(zeros, 1500u) << tcf.size() << " bytes";  // 1.5 s at 14400 bit/s is 2700
}

// Connects A (caller) and B (answerer) and lets B's first frame through, so
// that both modems are in command state with the call up.
void ConnectTwoModems(Dte& a, Dte& b) {
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  a.Send("ATD1\r");
  b.ReadUntil({"RING"}, 3);
  b.Command("ATA", 8);
  b.Send(std::string("\xff\x13\x80\x00\x46\x1e\x00\x10\x03", 9));
  b.ReadUntil({"OK\r\n"}, 5);
  a.ReadUntil({"OK\r\n"}, 5);
}

TEST(SimLineAt, XoffFromTheDteHoldsTheModemBackWithoutEndingTheReception) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::SecondModem, dir, 2)), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  ConnectTwoModems(a, b);
  ASSERT_NE(a.Seen().find("OK"), std::string::npos);
  // B waits for a frame; A starts one; at B's CONNECT (A's flags heard) B
  // holds its modem back, and A sends the frame.
  b.Send("AT+FRH=3\r");
  ASSERT_NE(a.Command("AT+FTH=3", 5).find("CONNECT"), std::string::npos);
  ASSERT_NE(b.ReadUntil({"CONNECT"}, 5).find("CONNECT"), std::string::npos) << b.Seen();
  b.Send("\x13");
  const std::string cfr("\xff\x13\x84", 3);
  a.Send(cfr + "\x10\x03");
  EXPECT_NE(a.ReadUntil({"OK\r\n"}, 5).find("OK"), std::string::npos);
  // Held back: nothing reaches B, and the reception was not cut short by an OK.
  const std::string held = b.ReadUntil({"OK\r\n"}, 0.5);
  EXPECT_EQ(held.find(cfr), std::string::npos) << held;
  b.Send("\x11");
  const std::string frame = b.ReadUntil({"OK\r\n"}, 3);
  EXPECT_NE(frame.find(cfr), std::string::npos) << frame;
  EXPECT_NE(frame.find("\x10\x03\r\nOK"), std::string::npos) << frame;
}

TEST(SimLineAt, RingsOfAnEarlierCallDoNotCountTowardsAutoAnswer) {
  test::TempDir dir;
  SimLineConfig config = Config(SimLineConfig::SecondModem, dir);
  config.calls = 2;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  b.Command("ATS0=2");  // answer on the second ring
  // First call: one ring, then the caller gives up.
  a.Send("ATD1\r");
  ASSERT_NE(b.ReadUntil({"RING"}, 3).find("RING"), std::string::npos);
  a.Command("ATH");
  // Second call: B must ring twice before it answers.
  const size_t before = b.Seen().size();
  a.Send("ATD1\r");
  b.ReadUntil({"CONNECT"}, 6);
  const std::string second = b.Seen().substr(before);
  ASSERT_NE(second.find("CONNECT"), std::string::npos) << second;
  const std::string untilAnswer = second.substr(0, second.find("CONNECT"));
  size_t rings = 0;
  for (size_t p = untilAnswer.find("RING"); p != std::string::npos; p = untilAnswer.find("RING", p + 1)) ++rings;
  EXPECT_EQ(rings, 2u) << untilAnswer;
  // A waits for B's first frame: the first command only ends the wait.
  a.Command("ATH");
  a.Command("ATH");
  ASSERT_TRUE(line.WaitDone(3));
  const auto calls = line.Result().calls;
  EXPECT_FALSE(calls.at(0).answered);
  EXPECT_TRUE(calls.at(1).answered);
}

// B picks up while A's call is still being dialled, before the first ring:
// the line is off hook at both ends and the call connects.
TEST(SimLineAt, AnswerBeforeTheFirstRingConnects) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::SecondModem, dir, 1)), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  a.Send("ATD1\r");
  const std::string reply = b.Command("ATA", 8);
  EXPECT_EQ(b.Seen().find("RING"), std::string::npos) << b.Seen();
  EXPECT_NE(reply.find("CONNECT"), std::string::npos) << reply;
  EXPECT_EQ(reply.find("NO CARRIER"), std::string::npos) << reply;
  // A waits for B's first frame: the first command only ends the wait.
  a.Command("ATH", 4);
  a.Command("ATH", 4);
  ASSERT_TRUE(line.WaitDone(3));
  EXPECT_TRUE(line.Result().calls.at(0).answered);
}

// A line whose called side never picks up: B's own ATA does not take the
// call either, and B's DTE is not left waiting without an answer.
TEST(SimLineAt, AnswerOnANeverAnsweredLineFindsNoCarrier) {
  test::TempDir dir;
  SimLineConfig config = Config(SimLineConfig::SecondModem, dir);
  config.neverAnswer = true;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  Dte a(line.PtyPath(0)), b(line.PtyPath(1));
  for (Dte* d : {&a, &b}) {
    d->Command("ATE0");
    d->Command("AT+FCLASS=1");
  }
  a.Send("ATD1\r");
  EXPECT_NE(b.Command("ATA", 4).find("NO CARRIER"), std::string::npos) << b.Seen();
  EXPECT_EQ(a.Seen().find("CONNECT"), std::string::npos) << a.Seen();
  a.Command("ATH");
  ASSERT_TRUE(line.WaitDone(3));
  EXPECT_FALSE(line.Result().calls.at(0).answered);
}

// Stop() on one thread while others wait for the line or read its state,
// with a call in progress: the waiter wakes, nobody touches a freed line.
TEST(SimLineApi, StopFromAnotherThreadDuringACallWakesWaitersAndKeepsResult) {
  test::TempDir dir;
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::TerminalReceives, dir)), 0);
  Dte dte(line.PtyPath(0));
  dte.Command("ATE0");
  dte.Command("AT+FCLASS=1");
  dte.Send("ATD1\r");
  std::atomic<bool> quit{false};
  std::thread reader([&] {
    while (!quit) {
      (void)line.Result();
      (void)line.PtyPath(0);
    }
  });
  auto waiter = std::async(std::launch::async, [&] { return line.WaitDone(45); });
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  line.Stop();
  const bool woke = waiter.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  quit = true;
  reader.join();
  ASSERT_TRUE(woke) << "WaitDone() still waits on a stopped line";
  EXPECT_FALSE(waiter.get());
  EXPECT_TRUE(line.PtyPath(0).empty());
  EXPECT_FALSE(line.Result().done);
  EXPECT_FALSE(line.WaitDone(0));
}

}  // namespace
}  // namespace telvane
