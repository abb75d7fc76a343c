// The port component: choosing and opening the device, errors as exceptions,
// flow thresholds, events on the main thread in firing order, reopening,
// closing from inside an event, and the trace and log files.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "tests/support/comm/fake_serial_device.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "tests/support/raised_code.h"
#include "comm/core/loop_dispatcher.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::FakeLine;
using test::FakeTickClock;
using test::RaisedCode;

class ComPortTest : public ::testing::Test {
 protected:
  // A port on the in-memory line whose events run on this thread's loop.
  std::unique_ptr<TApdComPort> MakePort(bool withMain = true) {
    auto p = std::make_unique<TApdComPort>(withMain ? &main : nullptr, test::FakeDeviceFactory(line), &clock);
    p->SetComNumber(1);
    return p;
  }

  bool RunUntil(const std::function<bool()>& pred) { return main.RunUntil(pred, 5000); }

  LoopDispatcher main;
  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  FakeTickClock clock;
};

TEST_F(ComPortTest, OpeningAMissingDeviceRaisesItsNegatedError) {
  TApdComPort port;
  port.SetDevicePath("/dev/telvane-no-such-tty");
  try {
    port.SetOpen(true);
    FAIL() << "opened a missing device";
  } catch (const EPortOpenError& e) {
    EXPECT_EQ(e.ErrorCode(), -ENOENT);
    EXPECT_NE(std::string(e.what()).find("/dev/telvane-no-such-tty"), std::string::npos);
  }
  EXPECT_FALSE(port.Open());
}

TEST_F(ComPortTest, ANonTerminalIsRefused) {
  TApdComPort port;
  port.SetDevicePath("/dev/null");
  EXPECT_EQ(RaisedCode([&] { port.SetOpen(true); }), -ENOTTY);
}

TEST_F(ComPortTest, ComNumberNamesTheSerialDeviceAndADevicePathWins) {
  auto port = MakePort();
  port->SetComNumber(3);
  EXPECT_EQ(port->DeviceName(), "/dev/ttyS2");
  port->SetOpen(true);
  EXPECT_EQ(line->LastPath(), "/dev/ttyS2");
  port->SetOpen(false);
  port->SetDevicePath("/dev/ttyUSB0");
  port->SetOpen(true);
  EXPECT_EQ(line->LastPath(), "/dev/ttyUSB0");
}

TEST_F(ComPortTest, WithoutAChosenDeviceThePromptDecides) {
  auto port = MakePort();
  port->SetComNumber(0);
  port->SetPromptForPort(false);
  EXPECT_EQ(RaisedCode([&] { port->SetOpen(true); }), ecPortNotAssigned);
  port->SetPromptForPort(true);
  EXPECT_EQ(RaisedCode([&] { port->SetOpen(true); }), ecPortNotAssigned) << "no prompt to ask";
  port->OnPromptForPort = [] { return std::string(); };
  EXPECT_EQ(RaisedCode([&] { port->SetOpen(true); }), ecPortNotAssigned) << "prompt cancelled";
  port->OnPromptForPort = [] { return std::string("/dev/ttyACM0"); };
  port->SetOpen(true);
  EXPECT_EQ(line->LastPath(), "/dev/ttyACM0");
}

TEST_F(ComPortTest, AClosedPortOpensOnFirstUseOnlyWithAutoOpen) {
  auto port = MakePort();
  port->SetAutoOpen(false);
  EXPECT_EQ(RaisedCode([&] { port->PutString("AT\r"); }), ecNotOpen);
  EXPECT_EQ(RaisedCode([&] { port->AddTimerTrigger(); }), ecNotOpen);
  port->SetAutoOpen(true);
  port->PutString("AT\r");
  EXPECT_TRUE(port->Open());
}

TEST_F(ComPortTest, TriggerMisuseRaisesTheTriggerCodes) {
  auto port = MakePort();
  EXPECT_EQ(RaisedCode([&] { port->AddStatusTrigger(6); }), ecBadArgument);
  EXPECT_EQ(RaisedCode([&] { port->SetTimerTrigger(8 * 1234, 5, true); }), ecBadTriggerHandle);
  EXPECT_EQ(RaisedCode([&] { port->RemoveTrigger(42); }), ecBadTriggerHandle);
  EXPECT_THROW(port->SetStatusTrigger(8 * 99 + 2, 1, true), ETriggerError);
  EXPECT_EQ(RaisedCode([&] { port->SetStatusTrigger(8 * 99 + 2, 1, true); }), ecBadTriggerHandle);
}

TEST_F(ComPortTest, OutputThatDoesNotFitRaisesBufferFull) {
  auto port = MakePort();
  port->SetOutSize(8);
  line->SetStalled(true);
  port->SetOpen(true);
  port->PutString("12345678");
  EXPECT_EQ(RaisedCode([&] { port->PutChar('9'); }), ecOutputBufferFull);
}

TEST_F(ComPortTest, HardwareFlowOnAn8192ByteBufferSetsTheThresholdsAtOpen) {
  auto port = MakePort();
  port->SetInSize(8192);
  port->SetRS485Mode(true);
  port->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  EXPECT_FALSE(port->RS485Mode());
  port->SetOpen(true);
  EXPECT_EQ(port->BufferFull(), 7372);
  EXPECT_EQ(port->BufferResume(), 819);
  EXPECT_TRUE(line->Settings().rtsCts);
  // Setters keep levels in range and re-apply them.
  port->SetBufferFull(9000);
  EXPECT_EQ(port->BufferFull(), 7372);
  port->SetBufferResume(8000);
  EXPECT_EQ(port->BufferResume(), 737);
}

TEST_F(ComPortTest, BadLineSettingsAreRefused) {
  auto port = MakePort();
  EXPECT_EQ(RaisedCode([&] { port->SetDataBits(9); }), ecBadArgument);
  EXPECT_EQ(RaisedCode([&] { port->SetStopBits(3); }), ecBadArgument);
  EXPECT_EQ(RaisedCode([&] { port->SetBaud(-1); }), ecBadArgument);
  EXPECT_EQ(port->DataBits(), 8);
  port->SetOpen(true);
  port->SetBaud(2400);
  EXPECT_EQ(line->Settings().baud, 2400);
}

TEST_F(ComPortTest, EventsRunOnTheMainThreadInTheOrderTheyFired) {
  auto port = MakePort();
  std::vector<std::string> seen;
  bool offMain = false;
  auto note = [&](std::string what) {
    if (!main.IsMainThread()) offMain = true;
    seen.push_back(std::move(what));
  };
  port->OnTrigger = [&](TApdComPort&, std::uint32_t msg, int, std::uint16_t) {
    note("Trigger" + std::to_string(msg - 0x7E00));
  };
  port->OnTriggerAvail = [&](TApdComPort& p, int count) {
    std::string text(static_cast<std::size_t>(count), '\0');
    p.GetBlock(text.data(), text.size());
    note("Avail:" + text);
  };
  port->OnTriggerData = [&](TApdComPort&, int) { note("Data"); };
  port->OnTriggerStatus = [&](TApdComPort&, int) { note("Status"); };
  port->OnTriggerOutSent = [&](TApdComPort&) { note("OutSent"); };
  port->SetOpen(true);
  port->AddDataTrigger("OK", false);
  line->Expect("AT\r", "\r\nOK\r\n");
  port->PutString("AT\r");
  ASSERT_TRUE(RunUntil([&] { return seen.size() >= 4; }));
  int sent = port->AddStatusTrigger(stOutSent);
  port->SetStatusTrigger(sent, 0, true);
  ASSERT_TRUE(RunUntil([&] { return seen.size() >= 7; }));
  EXPECT_FALSE(offMain);
  std::vector<std::string> want = {"Trigger2", "Data", "Trigger1", "Avail:\r\nOK\r\n",
                                   "Trigger4", "Status", "OutSent"};
  EXPECT_EQ(seen, want);
}

TEST_F(ComPortTest, LineErrorEventGetsTheErrorsThatFiredIt) {
  auto port = MakePort();
  std::uint32_t error = 0;
  bool brk = false;
  int calls = 0;
  port->OnTriggerLineError = [&](TApdComPort&, std::uint32_t e, bool b) {
    error = e;
    brk = b;
    ++calls;
  };
  // A handler in front that reads (and clears) the port's line error first.
  std::uint32_t readFirst = 0;
  port->OnTriggerStatus = [&](TApdComPort& p, int) { readFirst = p.LineError(); };
  int h = port->AddStatusTrigger(stLine);
  port->SetStatusTrigger(h, leFraming | leBreak, true);
  line->AddLineErrors(leFraming | leBreak);
  ASSERT_TRUE(RunUntil([&] { return calls == 1; }));
  EXPECT_EQ(error, leFraming);
  EXPECT_TRUE(brk);
  EXPECT_EQ(readFirst, leFraming);
}

TEST_F(ComPortTest, ATimerTriggerRemovedInsideItsOwnEventIsGone) {
  auto port = MakePort();
  int fired = 0;
  int h = port->AddTimerTrigger();
  port->OnTriggerTimer = [&](TApdComPort& p, int handle) {
    ++fired;
    p.RemoveTrigger(handle);
  };
  port->SetTimerTrigger(h, 1, true);
  clock.AdvanceTicks(5);
  ASSERT_TRUE(RunUntil([&] { return fired == 1; }));
  EXPECT_EQ(RaisedCode([&] { port->SetTimerTrigger(h, 1, true); }), ecBadTriggerHandle);
}

TEST_F(ComPortTest, ChangingTheDeviceOfAnOpenPortKeepsItsTriggers) {
  auto port = MakePort();
  int fired = 0;
  port->OnTriggerTimer = [&](TApdComPort&, int) { ++fired; };
  port->SetOpen(true);
  int h = port->AddTimerTrigger();
  port->SetComNumber(2);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(line->LastPath(), "/dev/ttyS1");
  EXPECT_EQ(line->Opens(), 2);
  port->SetTimerTrigger(h, 1, true);
  clock.AdvanceTicks(3);
  ASSERT_TRUE(RunUntil([&] { return fired == 1; }));
}

TEST_F(ComPortTest, ClosingFromInsideItsOwnEventAndOpeningAgain) {
  auto port = MakePort();
  int avail = 0;
  port->OnTriggerAvail = [&](TApdComPort& p, int) {
    ++avail;
    p.SetOpen(false);
  };
  port->SetOpen(true);
  line->Feed("RING\r\n");
  ASSERT_TRUE(RunUntil([&] { return avail == 1 && !line->IsOpen(); }));
  EXPECT_FALSE(port->Open());
  port->OnTriggerAvail = [&](TApdComPort&, int) { ++avail; };
  port->SetOpen(true);
  line->Feed("x");
  ASSERT_TRUE(RunUntil([&] { return avail == 2; }));
}

TEST_F(ComPortTest, ADispatcherReleasedAfterItClosedItsDeviceLeavesTheDeviceAlone) {
  auto port = MakePort();
  int avail = 0;
  port->OnTriggerAvail = [&](TApdComPort& p, int) {
    ++avail;
    p.SetOpen(false);
  };
  port->SetOpen(true);
  line->Feed("RING\r\n");
  ASSERT_TRUE(RunUntil([&] { return avail == 1; }));
  // The dispatch thread lets go of the device on its own; the main thread
  // releases the dispatcher on its next turn, which comes only afterwards here.
  for (int i = 0; i < 500 && line->IsOpen(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_FALSE(line->IsOpen());
  EXPECT_GT(main.RunPending(), 0);
  EXPECT_EQ(line->InterruptsWhileClosed(), 0);
}

TEST_F(ComPortTest, ClosingFromAProcedureReceiverOnTheDispatchThread) {
  auto port = MakePort(false);
  std::atomic<int> calls{0};
  port->SetOpen(true);
  port->RegisterTriggerHandler([&](const TriggerMessage&) {
    if (calls++ == 0) port->SetOpen(false);
  });
  line->Feed("RING\r\n");
  for (int i = 0; i < 500 && line->IsOpen(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // The retired dispatcher is released at the next open.
  port->SetOpen(true);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(calls.load(), 1);
}

TEST_F(ComPortTest, WatchersHearOfOpensAndOfClosesWhileTheyCanStillTidyUp) {
  auto port = MakePort();
  std::vector<bool> events;
  int watcherTrigger = 0;
  int removeCode = 1;
  port->RegisterUserCallback([&](TApdComPort& p, bool opened) {
    events.push_back(opened);
    if (opened) {
      watcherTrigger = p.AddTimerTrigger();
    } else {
      removeCode = 0;
      p.RemoveTrigger(watcherTrigger);
    }
  });
  port->SetOpen(true);
  port->SetOpen(false);
  EXPECT_EQ(events, (std::vector<bool>{true, false}));
  EXPECT_EQ(removeCode, 0);
}

TEST_F(ComPortTest, WatchersHearOfTheDestructionOfTheirPortAfterItsClose) {
  auto port = MakePort();
  std::string heard;
  port->RegisterUserCallback([&](TApdComPort&, bool opened) { heard += opened ? "open " : "close "; });
  port->RegisterDestroyCallback([&](TApdComPort&) { heard += "gone"; });
  int dropped = port->RegisterDestroyCallback([&](TApdComPort&) { heard += " twice"; });
  port->DeregisterDestroyCallback(dropped);
  port->SetOpen(true);
  port.reset();
  EXPECT_EQ(heard, "open close gone");
}

TEST_F(ComPortTest, TraceKeepsTheLastEntriesAndWritesThemByDirection) {
  test::TempDir dir;
  auto port = MakePort();
  port->SetManualDispatch(true);
  port->SetTraceName(dir.File("port.trc"));
  port->SetTracing(tlOn);
  port->SetOpen(true);
  port->PutString("AT\r");
  port->Pump();
  line->Feed("\r\nOK\r\n");
  port->Pump();
  port->SetTracing(tlDump);
  EXPECT_EQ(port->Tracing(), tlOff);
  EXPECT_EQ(test::ReadAll(dir.File("port.trc")), "Transmit: AT[0D]\nReceive: [0D][0A]OK[0D][0A]\n");

  port->SetTraceSize(3);
  port->SetTraceAllHex(true);
  port->SetTracing(tlOn);
  port->PutString("ATH0\r");
  port->Pump();
  port->SetTracing(tlAppend);
  EXPECT_EQ(test::ReadAll(dir.File("port.trc")),
            "Transmit: AT[0D]\nReceive: [0D][0A]OK[0D][0A]\nTransmit: [48][30][0D]\n");
}

TEST_F(ComPortTest, LogNamesTheSystemAndTheStatusTriggerTypes) {
  test::TempDir dir;
  auto port = MakePort();
  port->SetManualDispatch(true);
  port->SetLogName(dir.File("port.log"));
  port->SetLogging(tlOn);
  port->SetOpen(true);
  int h = port->AddStatusTrigger(stOutSent);
  port->SetStatusTrigger(h, 0, true);
  port->Pump();
  port->SetLogging(tlDump);
  std::string text = test::ReadAll(dir.File("port.log"));
  EXPECT_NE(text.find("dispatcher log, Linux"), std::string::npos) << text;
  EXPECT_NE(text.find("(Output sent)"), std::string::npos) << text;
  // Time, kind, detail and data in their columns.
  EXPECT_NE(text.find("  Status    (Output sent)  0000000d  "), std::string::npos) << text;
}

TEST_F(ComPortTest, DumpingWithoutAFileNameFails) {
  auto port = MakePort();
  port->SetTracing(tlOn);
  EXPECT_EQ(RaisedCode([&] { port->SetTracing(tlDump); }), ecFileNotFound);
}

TEST_F(ComPortTest, TheReceiveTapSeesInputBeforeItIsReadAndNothingOnceCleared) {
  auto port = MakePort();
  port->SetManualDispatch(true);
  std::string seen;
  port->ReceivedData().Set([&](const std::uint8_t* data, std::size_t n) { seen.append(reinterpret_cast<const char*>(data), n); });
  port->SetOpen(true);
  line->Feed("\r\nOK\r\n");
  port->Pump();
  EXPECT_EQ(seen, "\r\nOK\r\n");
  char c = 0;
  ASSERT_TRUE(port->GetChar(c));  // the copy leaves the input where it was
  EXPECT_EQ(c, '\r');
  port->ReceivedData().Set({});
  line->Feed("RING\r\n");
  port->Pump();
  EXPECT_EQ(seen, "\r\nOK\r\n");
}

}  // namespace
}  // namespace telvane
