// The class-neutral frame: class detection and the synchronous exchange,
// init strings, baud switching, status timer, abort and the notifications.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/error_codes.h"
#include "tests/comm/fax/fax_fixture.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/core/loop_dispatcher.h"

namespace telvane {
namespace {

using namespace test;

using FaxEngineTest = FaxTest;

TEST_F(FaxEngineTest, DetectionPrefersClass20ThenClass2ThenClass1) {
  struct Case {
    const char* classes;
    TFaxClass expected;
  } cases[] = {{"0,1,2,2.0", fcClass2_0}, {"0,1,2", fcClass2}, {"0,1,2.0", fcClass2_0}, {"0,1,1.0", fcClass1},
               {"0,2.0,2,8", fcClass2_0}, {"0", fcUnknown}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.classes);
    line->TakeWritten();
    line->Expect(kInit, Rsp("OK"));
    line->Expect("AT+FCLASS=?\r", Rsp(std::string(c.classes) + "\nOK"));
    auto s = MakeSender(fcDetect);
    EXPECT_EQ(s->DetectClass(), c.expected);
    EXPECT_TRUE(line->ScriptDone());
  }
}

TEST_F(FaxEngineTest, TheEchoOfACommandIsNotItsAnswer) {
  line->Expect(kInit, kInit + Rsp("OK"));
  line->Expect("AT+FCLASS=?\r", "AT+FCLASS=?\r" + Rsp("0,1,2\nOK"));
  auto s = MakeSender(fcDetect);
  EXPECT_EQ(s->DetectClass(), fcClass2);
}

TEST_F(FaxEngineTest, AGarbledInitAnswerIsTriedOnceMoreAndNotAThirdTime) {
  line->Expect(kInit, Rsp("x1\nx2"));
  line->Expect(kInit, Rsp("y1\ny2"));
  auto s = MakeSender(fcDetect);
  EXPECT_EQ(s->Start(), ecFaxBadModemResult);
  EXPECT_EQ(CountWritten(kInit), 2);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxBadModemResult});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadModemResult});
  EXPECT_EQ(owner.kinds.back(), fsLast);

  // A garbled first answer and a good second one detect the class.
  line->TakeWritten();
  line->Expect(kInit, Rsp("x1\nx2"));
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=?\r", Rsp("0,2\nOK"));
  auto t = MakeSender(fcDetect);
  EXPECT_EQ(t->DetectClass(), fcClass2);
}

TEST_F(FaxEngineTest, ASilentModemFailsTheExchangeAfterTheResponseTimeOut) {
  auto s = MakeSender(fcClass2);
  Ticks start = clock.Now();
  EXPECT_EQ(s->SyncCommand("AT"), ecFatalTimeout);
  EXPECT_GE(clock.Now() - start, 182u);
  EXPECT_LE(clock.Now() - start, 190u);
  line->Expect("AT+FMFR?\r", Rsp("ACME MODEMS\nOK"));
  std::vector<std::string> lines;
  EXPECT_EQ(s->SyncCommand("AT+FMFR?", &lines), ecOK);
  EXPECT_EQ(lines, (std::vector<std::string>{"ACME MODEMS", "OK"}));
  line->Expect("AT+FBAD\r", Rsp("ERROR"));
  EXPECT_EQ(s->SyncCommand("AT+FBAD"), ecFaxBadModemResult);
}

TEST_F(FaxEngineTest, TheUserInitStringGoesFirstAndBothOnlyOncePerEngine) {
  owner.faxes.emplace_back("", "", "");
  line->Expect("AT&F\r", Rsp("OK"));
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
  s->Session().modemInit = "AT&F";
  ASSERT_EQ(s->Start(), 0);
  EXPECT_TRUE(s->Finished()) << "no fax to send";
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  ASSERT_EQ(s->Start(), 0);
  EXPECT_EQ(CountWritten("AT&F\r"), 1);
  EXPECT_EQ(CountWritten(kInit), 1);
}

TEST_F(FaxEngineTest, AnInitStringAnsweredWithErrorStopsThePreparation) {
  line->Expect(kInit, Rsp("ERROR"));
  auto s = MakeSender(fcClass2);
  EXPECT_EQ(s->Start(), ecFaxBadModemResult);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecFaxBadModemResult});
  EXPECT_EQ(owner.nextAsked, 0u);
}

TEST_F(FaxEngineTest, ADetectedClass1ModemIsPreparedForSendingWithItsSpeeds) {
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=?\r", Rsp("0,1,1.0\nOK"));
  line->Expect(kInit, Rsp("OK"));
  line->Expect("AT+FCLASS=1\r", Rsp("OK"));
  line->Expect("AT+FTM=?\r", Rsp("24,48,72,96\nOK"));
  auto s = MakeSender(fcDetect);
  EXPECT_EQ(s->Start(), 0);
  EXPECT_TRUE(line->ScriptDone()) << line->NextExpected();
  EXPECT_EQ(s->Session().faxClass, fcClass1);
  EXPECT_EQ(s->Session().class1.local, ParseModulations("24,48,72,96"));
}

TEST_F(FaxEngineTest, TheCallRunsAtTheNormalSpeedAndTheModemIsPreparedAtTheInitSpeed) {
  std::vector<int> bauds;
  line->Expect(kInit, Rsp("OK"));
  auto s = MakeSender(fcClass2);
  s->Session().initBaud = 57600;
  s->Session().normalBaud = 115200;
  owner.duringNext = [&] { bauds.push_back(port.Baud()); };
  ASSERT_EQ(s->Start(), 0);
  EXPECT_EQ(bauds, std::vector<int>{115200});
  EXPECT_EQ(line->Settings().baud, 115200);

  // Without an init speed everything runs at 19200.
  auto t = MakeSender(fcClass2);
  line->Expect(kInit, Rsp("OK"));
  port.SetBaud(38400);
  bauds.clear();
  ASSERT_EQ(t->Start(), 0);
  EXPECT_EQ(bauds, std::vector<int>{19200});
}

TEST_F(FaxEngineTest, EveryFaxOfAListIsDialledAtTheNormalSpeed) {
  std::string fax = dir.File("one.apf");
  MakeApf(fax, 1);
  owner.faxes.emplace_back("1", fax, "");
  owner.faxes.emplace_back("2", fax, "");
  line->Expect(kInit, Rsp("OK"));
  for (const char* number : {"1", "2"}) {
    ScriptClass2SendSetup(*line);
    line->Expect(std::string("ATDT") + number + "\r", Rsp("NO DIALTONE"));
  }
  auto s = MakeSender(fcClass2);
  s->Session().initBaud = 57600;
  s->Session().normalBaud = 115200;
  std::vector<int> bauds;
  s->OnStateChange = [&](int st) {
    if (st == tfDial) bauds.push_back(line->Settings().baud);
  };
  Run(*s);
  EXPECT_EQ(bauds, (std::vector<int>{115200, 115200}));
  EXPECT_EQ(line->Settings().baud, 57600) << "back at the init speed when the list is done";
}

TEST_F(FaxEngineTest, StatusIsReportedEveryStatusIntervalWhileTheMachineWaits) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  ScriptClass2SendSetup(*line);
  line->Expect("ATDT5551234\r", Rsp("BUSY"));
  auto s = MakeSender(fcClass2);
  s->Session().retryWait = 10000;
  s->Session().statusInterval = 2;
  ASSERT_EQ(s->Start(), 0);
  drive.RunUntil([&] { return s->State() == tfRetryWait; }, 100);
  std::size_t before = owner.status.size();
  drive.RunFor(364);  // 20 s
  EXPECT_EQ(owner.status.size() - before, 10u);
  EXPECT_EQ(owner.status.back(), fpBusyWait);
  // The abort request as a message, the way a component passes it on.
  s->HandleMessage(TriggerMessage{kMsgFaxAbort, 0, 0, 0});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
}

TEST_F(FaxEngineTest, AnAbortDuringAnEventIsTakenRightAfterIt) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  ScriptClass2SendSetup(*line);
  auto s = MakeSender(fcClass2);
  FaxSender* engine = s.get();
  int dialStates = 0;
  s->OnStateChange = [&](int st) {
    if (st == tfDial && dialStates++ == 0) engine->Abort();  // from inside the event
  };
  Run(*s, 200);
  EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
  EXPECT_EQ(CountWritten("ATDT5551234\r"), 1) << "the event in hand ran to its end first";
  EXPECT_EQ(owner.logs.back(), lfaxTransmitFail);
}

// A hang-up of the call closes the port under the session while the modem
// still owes an answer: the session ends there and its owner hears of it,
// instead of waiting for good (and the component staying busy).
TEST_F(FaxEngineTest, APortClosedUnderASessionEndsIt) {
  QueueApf("one.apf", 1);
  line->Expect(kInit, Rsp("OK"));
  ScriptClass2SendSetup(*line);
  line->Expect("ATDT5551234\r", "");  // the modem never answers
  auto s = MakeSender(fcClass2);
  ASSERT_EQ(s->Start(), 0);
  ASSERT_TRUE(drive.RunUntil([&] { return CountWritten("ATDT5551234\r") == 1; }, 200));
  port.SetOpen(false);
  EXPECT_TRUE(s->Finished());
  EXPECT_EQ(owner.errors, std::vector<int>{ecNotOpen});
  EXPECT_EQ(owner.finishes, std::vector<int>{ecNotOpen});
  EXPECT_EQ(owner.kinds.back(), fsLast);
}

TEST_F(FaxEngineTest, AnAbortWhileTheModemIsPreparedEndsTheSessionThere) {
  for (bool receive : {false, true}) {
    SCOPED_TRACE(receive ? "receiver" : "sender");
    owner = RecordingOwner{};
    line->TakeWritten();
    QueueApf("one.apf", 1);
    line->Expect(kInit, "");  // the modem takes its time
    std::unique_ptr<FaxEngine> e;
    if (receive)
      e = std::make_unique<FaxReceiver>(port, owner);
    else
      e = MakeSender(fcClass2);
    e->Session().faxClass = fcClass2;
    // The user's abort arrives while the main loop runs during the wait.
    int yields = 0;
    FaxEngine* engine = e.get();
    e->SetYield([&] {
      if (++yields == 3) engine->Abort();
    });
    Ticks started = clock.Now();
    EXPECT_EQ(e->Start(), ecCancelRequested);
    EXPECT_LT(clock.Now() - started, 20u) << "the wait ends with the abort, not the time-out";
    EXPECT_EQ(owner.errors, std::vector<int>{ecCancelRequested});
    EXPECT_EQ(owner.finishes, std::vector<int>{ecCancelRequested});
    EXPECT_EQ(owner.status.back(), fpCancel);
    EXPECT_EQ(owner.kinds.back(), fsLast);
    EXPECT_EQ(owner.nextAsked, 0u);
    EXPECT_EQ(CountWritten("AT+FCLASS"), 0) << "nothing after the abort";
    EXPECT_TRUE(e->Finished());
    line->TakeWritten();
  }
}

TEST(FaxMessenger, NotificationsRunOnTheMainThreadAndTheFinishIsPosted) {
  LoopDispatcher main;
  RecordingOwner owner;
  FaxMessenger m(owner, &main);
  EXPECT_TRUE(m.Status(fsFirst, fpDialing));
  EXPECT_EQ(owner.status, std::vector<int>{fpDialing}) << "sent: done when Send returns";
  m.Finish(-8064);
  EXPECT_TRUE(owner.finishes.empty()) << "posted: runs when the loop does";
  main.RunPending();
  EXPECT_EQ(owner.finishes, std::vector<int>{-8064});
  // From another thread, a main thread that does not answer is given up on.
  bool answered = true;
  std::thread t([&] { answered = m.Log(1); });
  t.join();
  EXPECT_FALSE(answered);
  main.RunPending();
  EXPECT_TRUE(owner.logs.empty()) << "a notification given up on does not run later";
}

// The engine as it runs in the program: the state machine on the port's
// dispatch thread, the owner's notifications on the main thread's loop, real
// time.
class FaxEngineThreads : public ::testing::Test {
 protected:
  FaxEngineThreads() {
    port.SetDevicePath("/dev/fakemodem");
    port.SetOutSize(8192);
    port.SetOpen(true);
  }

  LoopDispatcher main;
  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  TApdComPort port{&main, FakeDeviceFactory(line)};
  RecordingOwner owner;
  TempDir dir;
};

// One short page; about a second.
TEST_F(FaxEngineThreads, AOnePageSendRunsOnTheDispatchThreadWithNotificationsOnTheMainLoop) {
  std::string fax = dir.File("one.apf");
  MakeApf(fax, 1);
  owner.faxes.emplace_back("1", fax, "");
  auto rsp = [](const char* s) { return FaxTest::Rsp(s); };
  line->Expect(kInit, rsp("OK"));
  ScriptClass2SendSetup(*line);
  line->Expect("ATDT1\r", rsp("+FCON\n+FDCS:0,3,0,2,0,0,0,0\nOK"));
  line->Expect("AT+FDT\r", rsp("CONNECT") + "\x11");
  line->Expect("\x10\x03", rsp("OK"));
  line->Expect("AT+FET=2\r", rsp("+FPTS:1\n+FHNG:0\nOK"));
  FaxSender s(port, owner, &main);
  s.Session().faxClass = fcClass2;
  ASSERT_EQ(s.Start(), 0);
  EXPECT_TRUE(main.RunUntil([&] { return !owner.finishes.empty(); }, 15000)) << line->NextExpected();
  EXPECT_EQ(owner.finishes, std::vector<int>{0});
  EXPECT_EQ(owner.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
  EXPECT_EQ(owner.kinds.back(), fsLast);
  s.Stop();
  port.SetOpen(false);
}

// The receiver's preparation runs several synchronous exchanges on the main
// thread; its yield hook keeps the main loop (and so the port's events) going.
TEST_F(FaxEngineThreads, AReceiverPreparesAndWaitsForACallWithoutStallingTheMainLoop) {
  int avails = 0;
  port.OnTriggerAvail = [&](TApdComPort&, int) { ++avails; };
  auto ok = FaxTest::Rsp("OK");
  line->Expect(kInit, ok);
  line->Expect("AT+FCLASS=2\r", ok);
  line->Expect("AT+FCR=1\r", ok);
  line->Expect("AT+FLID=", ok);
  line->Expect("AT+FAA=0\r", ok);
  line->Expect("AT+FCLASS=2\r", ok);
  line->Expect("AT+FDCC=", ok);
  FaxReceiver r(port, owner, &main);
  r.Session().faxClass = fcClass2;
  r.SetYield([&] { main.RunPending(); });
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(r.Start(), 0);
  EXPECT_TRUE(main.RunUntil([&] { return r.State() == rfWaitForCall; }, 10000)) << line->NextExpected();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_GE(avails, 1) << "the port's own events kept running";
  r.Stop();  // the owner's stop: no more events reach the machine
  line->Feed(FaxTest::Rsp("RING"));
  main.RunUntil([] { return false; }, 200);
  EXPECT_EQ(CountIn(line->Written(), "ATA"), 0);
  port.SetOpen(false);
}

}  // namespace
}  // namespace telvane
