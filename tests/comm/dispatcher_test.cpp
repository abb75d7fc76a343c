// The dispatcher driven step by step over the in-memory line: input and
// output buffers, trigger delivery, shared reading, line state, flow control.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/dispatcher.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "tests/support/comm/fake_serial_device.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "comm/core/loop_dispatcher.h"

namespace telvane {
namespace {

using test::FakeLine;
using test::FakeTickClock;

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }

  void Open(DispatcherConfig config = {}) {
    config.devicePath = "/dev/fake0";
    config.threads = false;
    d = std::make_unique<TApdBaseDispatcher>(test::FakeDeviceFactory(line)(), clock);
    ASSERT_EQ(d->Open(config), ecOK);
  }

  std::string Read(std::size_t n) {
    std::string s(n, '\0');
    s.resize(static_cast<std::size_t>(d->GetBlock(s.data(), n)));
    return s;
  }

  // Records every message a procedure receiver gets.
  std::vector<TriggerMessage>& Record() {
    d->RegisterProcTriggerHandler([this](const TriggerMessage& m) { got.push_back(m); });
    return got;
  }

  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  FakeTickClock clock;
  std::unique_ptr<TApdBaseDispatcher> d;
  std::vector<TriggerMessage> got;
};

TEST_F(DispatcherTest, OutputIsWrittenInOrderAndAFullBufferRefusesTheWholeBlock) {
  DispatcherConfig c;
  c.outSize = 16;
  Open(c);
  std::string first = "ATZ\r";
  EXPECT_EQ(d->PutBlock(first.data(), first.size()), ecOK);
  EXPECT_EQ(d->OutBuffUsed(), 4);
  EXPECT_EQ(d->OutBuffFree(), 12);
  line->SetStalled(true);
  d->Pump();
  std::string more = "0123456789AB";
  EXPECT_EQ(d->PutBlock(more.data(), more.size()), ecOK);
  EXPECT_EQ(d->PutBlock("x", 1), ecOutputBufferFull);
  std::string huge(17, 'h');
  EXPECT_EQ(d->PutBlock(huge.data(), huge.size()), ecBadArgument);
  line->SetStalled(false);
  d->Pump();
  EXPECT_EQ(line->Written(), "ATZ\r0123456789AB");
  EXPECT_EQ(d->OutBuffUsed(), 0);
}

TEST_F(DispatcherTest, AWriteTheDeviceRefusesEmptiesTheBufferInsteadOfRetrying) {
  line->SetWriteError(-EIO);
  d->PutBlock("AT\r", 3);
  d->Pump();
  EXPECT_EQ(d->OutBuffUsed(), 0);
  EXPECT_EQ(line->Written(), "");
}

TEST_F(DispatcherTest, FlushOutBufferDropsWaitingOutput) {
  line->SetStalled(true);
  d->PutBlock("ATDT123\r", 8);
  EXPECT_EQ(d->FlushOutBuffer(), ecOK);
  line->SetStalled(false);
  d->Pump();
  EXPECT_EQ(line->Written(), "");
  EXPECT_EQ(line->OutputFlushes(), 1);
}

TEST_F(DispatcherTest, AvailCarriesTheByteCountAndInputIsKeptUntilRead) {
  auto& msgs = Record();
  line->Feed("OK\r\n");
  d->Pump();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].msg, kMsgTriggerAvail);
  EXPECT_EQ(msgs[0].param, 4);
  EXPECT_EQ(msgs[0].dispatcher, d->Handle());
  // Nobody read it during the event: it waits.
  EXPECT_EQ(d->InBuffUsed(), 4);
  line->Feed("RING");
  d->Pump();
  EXPECT_EQ(msgs.back().param, 8);
  EXPECT_EQ(Read(100), "OK\r\nRING");
  EXPECT_FALSE(d->CharReady());
}

TEST_F(DispatcherTest, ReceiversShareTheInputDuringAnEvent) {
  std::string a, b, c;
  auto reader = [this](std::string& into, std::size_t n) {
    return [this, &into, n](const TriggerMessage& m) {
      if (m.msg == kMsgTriggerAvail) into += Read(n);
    };
  };
  d->RegisterProcTriggerHandler(reader(a, 100));
  d->RegisterProcTriggerHandler(reader(b, 3));
  d->RegisterMethodTriggerHandler(reader(c, 100));
  line->Feed("CONNECT\r\n");
  d->Pump();
  // Each receiver read from the oldest unread byte, as if alone.
  EXPECT_EQ(a, "CONNECT\r\n");
  EXPECT_EQ(b, "CON");
  EXPECT_EQ(c, "CONNECT\r\n");
  // The largest read was consumed.
  EXPECT_EQ(d->InBuffUsed(), 0);
}

TEST_F(DispatcherTest, SharedReadingConsumesOnlyTheLargestRead) {
  d->RegisterProcTriggerHandler([this](const TriggerMessage&) { Read(2); });
  d->RegisterProcTriggerHandler([this](const TriggerMessage&) { Read(5); });
  line->Feed("0123456789");
  d->Pump();
  EXPECT_EQ(Read(100), "56789");
}

// Another thread (the main thread preparing a new fax session, say) reads
// or flushes while a delivery still runs: what a receiver already read is
// not read again, and what the other thread took is gone for the receivers
// still to come.
TEST_F(DispatcherTest, AReaderOutsideTheDeliveryTakesInputForGood) {
  auto outside = [](const std::function<void()>& fn) { std::thread(fn).join(); };
  std::string seenOutside = "unset";
  d->RegisterProcTriggerHandler([this](const TriggerMessage&) { Read(100); });
  d->RegisterProcTriggerHandler([&](const TriggerMessage&) {
    outside([&] { seenOutside = Read(100); });
  });
  line->Feed("+FHNG:0\r\nOK\r\n");
  d->Pump();
  EXPECT_EQ(seenOutside, "") << "read again after a receiver had it";
  EXPECT_EQ(d->InBuffUsed(), 0);

  Open();
  std::string later = "unset";
  d->RegisterProcTriggerHandler([&](const TriggerMessage&) { outside([&] { d->FlushInBuffer(); }); });
  d->RegisterProcTriggerHandler([&](const TriggerMessage&) { later = Read(100); });
  line->Feed("+FPTS:1\r\n");
  d->Pump();
  EXPECT_EQ(later, "") << "flushed input came back";
  EXPECT_EQ(d->InBuffUsed(), 0);
}

TEST_F(DispatcherTest, ReceiversAreServedMethodsFirstThenProceduresThenWindows) {
  LoopDispatcher main;  // this thread is the main thread: window sends run at once
  std::string order;
  d->RegisterWndTriggerHandler(main, [&](const TriggerMessage&) { order += 'W'; });
  d->RegisterProcTriggerHandler([&](const TriggerMessage&) { order += 'P'; });
  d->RegisterMethodTriggerHandler([&](const TriggerMessage&) { order += 'M'; });
  int proc2 = d->RegisterProcTriggerHandler([&](const TriggerMessage&) { order += 'Q'; });
  line->Feed("x");
  d->Pump();
  EXPECT_EQ(order, "MPQW");
  EXPECT_EQ(d->DeregisterTriggerHandler(proc2), ecOK);
  EXPECT_EQ(d->DeregisterTriggerHandler(proc2), ecBadArgument);
  line->Feed("y");
  d->Pump();
  EXPECT_EQ(order, "MPQWMPW");
}

// Counts what other threads queue for the main thread.
class CountingLoop : public LoopDispatcher {
 public:
  void Post(std::function<void()> fn) override {
    ++posted;
    LoopDispatcher::Post(std::move(fn));
  }
  std::atomic<int> posted{0};
};

TEST_F(DispatcherTest, AWindowReceiverDeregisteredWhileItsCallIsQueuedIsNotCalled) {
  CountingLoop main;
  int calls = 0;
  d.reset();
  auto threaded = std::make_unique<TApdBaseDispatcher>(test::FakeDeviceFactory(line)(), clock);
  DispatcherConfig c;
  c.devicePath = "/dev/fake0";
  ASSERT_EQ(threaded->Open(c), ecOK);
  int w = threaded->RegisterWndTriggerHandler(main, [&](const TriggerMessage&) { ++calls; });
  line->Feed("RING\r\n");
  for (int i = 0; i < 500 && main.posted == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(main.posted.load(), 1);
  // The call waits in the main thread's queue; its receiver goes first.
  EXPECT_EQ(threaded->DeregisterTriggerHandler(w), ecOK);
  EXPECT_EQ(main.RunPending(), 1);
  EXPECT_EQ(calls, 0);
}

TEST_F(DispatcherTest, DataTriggerMatchesAcrossReadsAndIsDeliveredBeforeAvail) {
  auto& msgs = Record();
  int h = d->AddDataTrigger("ok", true);
  line->Feed("\r\nO");
  d->Pump();
  line->Feed("K\r\n");
  d->Pump();
  ASSERT_EQ(msgs.size(), 3u);
  EXPECT_EQ(msgs[1].msg, kMsgTriggerData);
  EXPECT_EQ(msgs[1].param, h);
  EXPECT_EQ(msgs[2].msg, kMsgTriggerAvail);
}

TEST_F(DispatcherTest, ATriggerRemovedInsideItsOwnEventGoesAfterTheWalk) {
  int a = d->AddTimerTrigger();
  int b = d->AddTimerTrigger();
  std::vector<int> fired;
  int removeResult = 1;
  d->RegisterProcTriggerHandler([&](const TriggerMessage& m) {
    fired.push_back(m.param);
    if (m.param == a) {
      removeResult = d->RemoveTrigger(a);
      // Its companion, due in the same walk, is removed before its turn.
      d->RemoveTrigger(b);
    }
  });
  d->SetTimerTrigger(a, 1, true);
  d->SetTimerTrigger(b, 1, true);
  clock.AdvanceTicks(2);
  d->Pump();
  EXPECT_EQ(removeResult, ecOK);
  EXPECT_EQ(fired, std::vector<int>{a});
  EXPECT_EQ(d->SetTimerTrigger(a, 1, true), ecBadTriggerHandle);
  EXPECT_EQ(d->AddTimerTrigger(), 24);
}

TEST_F(DispatcherTest, TimerTriggerFiresOncePerArming) {
  auto& msgs = Record();
  int h = d->AddTimerTrigger();
  d->SetTimerTrigger(h, 2, true);
  d->Pump();
  clock.AdvanceTicks(3);
  d->Pump();
  d->Pump();
  clock.AdvanceTicks(10);
  d->Pump();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].msg, kMsgTriggerTimer);
  d->SetTimerTrigger(h, 0, true);
  clock.AdvanceTicks(1);
  d->Pump();
  EXPECT_EQ(msgs.size(), 2u);
}

TEST_F(DispatcherTest, StatusTriggerErrors) {
  EXPECT_EQ(d->AddStatusTrigger(6), ecBadArgument);
  EXPECT_EQ(d->SetStatusTrigger(4096 + 3, 10, true), ecBadTriggerHandle);
  EXPECT_EQ(d->RemoveTrigger(777), ecBadTriggerHandle);
}

TEST_F(DispatcherTest, OutputTriggersReportFreeRoomAndAllSent) {
  auto& msgs = Record();
  line->SetStalled(true);
  std::string block(4000, 'p');
  d->PutBlock(block.data(), block.size());
  int free = d->AddStatusTrigger(stOutBuffFree);
  int sent = d->AddStatusTrigger(stOutSent);
  d->SetStatusTrigger(free, 1000, true);
  d->SetStatusTrigger(sent, 0, true);
  d->Pump();
  EXPECT_TRUE(msgs.empty());
  line->SetStalled(false);
  d->Pump();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0].param, free);
  EXPECT_EQ(msgs[1].param, sent);
  EXPECT_EQ(line->Written().size(), 4000u);
}

TEST_F(DispatcherTest, ModemStatusAndRingsReachTriggersAndTheRegister) {
  auto& msgs = Record();
  line->SetModemLines(msrCTS | msrDSR);
  d->Pump();
  int h = d->AddStatusTrigger(stModem);
  d->SetStatusTrigger(h, msrDCD | msrTERI, true);
  line->SetModemLines(msrCTS | msrDSR | msrDCD);
  d->Pump();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].data & msrDCD, msrDCD);
  EXPECT_EQ(d->CurrentLines(), msrCTS | msrDSR | msrDCD);
  // A ring that started and ended between two samples.
  d->SetStatusTrigger(h, msrTERI, true);
  line->AddRings(1);
  d->Pump();
  EXPECT_EQ(msgs.size(), 2u);
  EXPECT_TRUE(d->RingSeen());
  EXPECT_FALSE(d->RingSeen());
  std::uint8_t msr = d->ModemStatus();
  EXPECT_EQ(msr & msrTERI, msrTERI);
  EXPECT_EQ(d->ModemStatus() & 0x0F, 0);
}

TEST_F(DispatcherTest, LineErrorsAndBreaksAreReadAndClearedSeparately) {
  auto& msgs = Record();
  int h = d->AddStatusTrigger(stLine);
  d->SetStatusTrigger(h, leOverrun | leParity | leFraming, true);
  line->AddLineErrors(leBreak);
  d->Pump();
  EXPECT_TRUE(msgs.empty());
  line->AddLineErrors(leParity);
  d->Pump();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0].data, leParity);
  EXPECT_EQ(d->LineError(), leParity);
  EXPECT_EQ(d->LineError(), 0u);
  EXPECT_TRUE(d->LineBreak());
  EXPECT_FALSE(d->LineBreak());
}

TEST_F(DispatcherTest, ADeviceWithoutModemLinesReportsItselfReady) {
  line->SetHasModemLines(false);
  Open();
  EXPECT_EQ(d->CurrentLines(), msrCTS | msrDSR);
}

TEST_F(DispatcherTest, InputStopsAtBufferFullAndResumesAtBufferResume) {
  DispatcherConfig c;
  c.hwFlow = hwfUseDTR;
  c.bufferFull = 100;
  c.bufferResume = 20;
  Open(c);
  EXPECT_TRUE(line->Dtr());
  line->Feed(std::string(150, 'a'));
  d->Pump();
  // Reading stopped at the first read past BufferFull, and DTR dropped.
  EXPECT_GE(d->InBuffUsed(), 100);
  EXPECT_FALSE(line->Dtr());
  line->Feed(std::string(5000, 'b'));
  int before = d->InBuffUsed();
  d->Pump();
  EXPECT_EQ(d->InBuffUsed(), before) << "throttled: nothing more is taken";
  Read(static_cast<std::size_t>(before - 30));
  EXPECT_FALSE(line->Dtr()) << "still above BufferResume";
  Read(10);
  EXPECT_TRUE(line->Dtr());
  d->Pump();
  EXPECT_GT(d->InBuffUsed(), 20);
}

TEST_F(DispatcherTest, AFullInputRingStopsReadingWithoutLosingBytes) {
  std::string data;
  for (int i = 0; i < 10000; ++i) data += static_cast<char>('a' + i % 26);
  line->Feed(data);
  d->Pump();
  EXPECT_EQ(d->InBuffUsed(), static_cast<int>(kInputRingSize));
  std::string got = Read(5000);
  d->Pump();
  got += Read(10000);
  EXPECT_EQ(got, data);
}

TEST_F(DispatcherTest, LineSettingsReachTheDeviceOnlyWhenChanged) {
  int configures = line->Configures();
  LineSettings s = d->Line();
  EXPECT_EQ(d->SetLine(s), ecOK);
  EXPECT_EQ(line->Configures(), configures);
  s.baud = 9600;
  s.parity = pEven;
  EXPECT_EQ(d->SetLine(s), ecOK);
  EXPECT_EQ(line->Configures(), configures + 1);
  EXPECT_EQ(line->Settings().baud, 9600);
  EXPECT_EQ(d->SetFlow(hwfRequireCTS, swfBoth, 0, 0), ecOK);
  EXPECT_TRUE(line->Settings().rtsCts);
  EXPECT_TRUE(line->Settings().xonXoffIn);
  EXPECT_TRUE(line->Settings().xonXoffOut);
}

TEST_F(DispatcherTest, AHungUpLineIsLoggedOnceAndLeftAlone) {
  EventLog log;
  log.SetState(tlOn);
  d.reset();
  d = std::make_unique<TApdBaseDispatcher>(test::FakeDeviceFactory(line)(), clock, nullptr, &log);
  DispatcherConfig c;
  c.devicePath = "/dev/fake0";
  c.threads = false;
  ASSERT_EQ(d->Open(c), ecOK);
  line->HangUp();
  d->Pump();
  d->Pump();
  EXPECT_NE(log.Format().find("Error"), std::string::npos);
  std::string text = log.Format();
  EXPECT_EQ(text.find("Read"), text.rfind("Read"));
  d.reset();  // before the log it writes to
}

TEST_F(DispatcherTest, StartingTwiceIsRefused) {
  auto threaded = std::make_unique<TApdBaseDispatcher>(test::FakeDeviceFactory(line)(), clock);
  d.reset();
  DispatcherConfig c;
  c.devicePath = "/dev/fake0";
  ASSERT_EQ(threaded->Open(c), ecOK);
  try {
    threaded->StartDispatcher();
    FAIL() << "started twice";
  } catch (const EAPDException& e) {
    EXPECT_STREQ(e.what(), "Dispatcher already started");
  }
}

}  // namespace
}  // namespace telvane
