// The status-light controller on a port over the in-memory line, moved along
// with Pump() and the fake clock: lamps, trigger rules and time-outs, the
// port's own handlers, open and close of the port, lamps and ports that go away.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "tests/support/comm/fake_serial_device.h"
#include "tests/support/comm/fake_tick_clock.h"
#include "tests/support/raised_code.h"
#include "comm/status/sl_controller.h"

namespace telvane {
namespace {

using test::FakeLine;
using test::FakeTickClock;
using test::RaisedCode;

class TestLamp : public IStatusLamp {
 public:
  bool Lit() const override { return lit_; }
  void SetLit(bool lit) override {
    lit_ = lit;
    ++changes;
  }
  int changes = 0;

 private:
  bool lit_ = false;
};

// The port's own handlers, recording what reaches them.
struct PortHandlers {
  std::vector<int> avail, status, timer;

  void InstallOn(TApdComPort& port) {
    port.OnTriggerAvail = [this](TApdComPort&, int count) { avail.push_back(count); };
    port.OnTriggerStatus = [this](TApdComPort&, int handle) { status.push_back(handle); };
    port.OnTriggerTimer = [this](TApdComPort&, int handle) { timer.push_back(handle); };
  }
};

class SLControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.SetManualDispatch(true);
    port.SetDevicePath("/dev/fake0");
    port.SetAutoOpen(false);
    sl.SetComPort(&port);
  }

  void BindAll() {
    TLightSet& l = sl.Lights();
    l.SetCTSLight(&cts);
    l.SetDSRLight(&dsr);
    l.SetDCDLight(&dcd);
    l.SetRINGLight(&ring);
    l.SetTXDLight(&txd);
    l.SetRXDLight(&rxd);
    l.SetERRORLight(&err);
    l.SetBREAKLight(&brk);
  }

  void OpenAndMonitor() {
    port.SetOpen(true);
    sl.SetMonitoring(true);
    port.Pump();
  }

  // Moves the clock on and lets the port run once.
  void After(int ticks) {
    clock.AdvanceTicks(static_cast<std::uint64_t>(ticks));
    port.Pump();
  }

  // Reads what waits in the input buffer.
  void Drain() {
    char buf[256];
    while (port.GetBlock(buf, sizeof buf) > 0) {
    }
  }

  std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
  FakeTickClock clock;
  TApdComPort port{nullptr, test::FakeDeviceFactory(line), &clock};
  TApdSLController sl;
  TestLamp cts, dsr, dcd, ring, txd, rxd, err, brk;
};

// --- Arguments and defaults ---

TEST(SLControllerDefaults, TimeoutsInTicksAndNegativeOnesRefused) {
  TApdSLController sl;
  EXPECT_EQ(sl.ErrorOffTimeout(), 36);
  EXPECT_EQ(sl.BreakOffTimeout(), 36);
  EXPECT_EQ(sl.RXDOffTimeout(), 1);
  EXPECT_EQ(sl.TXDOffTimeout(), 1);
  EXPECT_EQ(sl.RingOffTimeout(), 8);
  EXPECT_EQ(RaisedCode([&] { sl.SetErrorOffTimeout(-1); }), ecBadArgument);
  EXPECT_EQ(RaisedCode([&] { sl.SetRingOffTimeout(-5); }), ecBadArgument);
  EXPECT_EQ(sl.ErrorOffTimeout(), 36);
  sl.SetRXDOffTimeout(0);
  EXPECT_EQ(sl.RXDOffTimeout(), 0);
}

TEST(SLControllerDefaults, MonitoringWithoutPortRaisesPortNotAssigned) {
  TApdSLController sl;
  EXPECT_THROW(sl.SetMonitoring(true), EPortNotAssigned);
  EXPECT_EQ(RaisedCode([&] { sl.SetMonitoring(true); }), -1005);
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_FALSE(sl.MonitoringPending());
  sl.SetMonitoring(false);  // no change: nothing to complain about
}

// --- Starting and stopping ---

TEST_F(SLControllerTest, MonitoringOnClosedPortWaitsAndStartsWithCurrentLinesWhenItOpens) {
  BindAll();
  PortHandlers own;
  own.InstallOn(port);
  line->SetModemLines(msrCTS | msrDCD);
  sl.SetMonitoring(true);
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_TRUE(sl.MonitoringPending());
  EXPECT_FALSE(port.Open());  // the wish does not open the port
  for (TestLamp* l : {&cts, &dsr, &dcd, &ring, &txd, &rxd, &err, &brk}) EXPECT_FALSE(l->Lit());

  port.SetOpen(true);
  EXPECT_TRUE(sl.Monitoring());
  EXPECT_FALSE(sl.MonitoringPending());
  EXPECT_TRUE(cts.Lit());
  EXPECT_FALSE(dsr.Lit());
  EXPECT_TRUE(dcd.Lit());
  line->Feed("x");
  port.Pump();
  EXPECT_TRUE(rxd.Lit());
  EXPECT_EQ(own.avail, std::vector<int>{1});
}

TEST_F(SLControllerTest, TurningOffBeforeThePortOpensCancelsTheWish) {
  sl.Lights().SetCTSLight(&cts);
  line->SetModemLines(msrCTS);
  sl.SetMonitoring(true);
  sl.SetMonitoring(false);
  EXPECT_FALSE(sl.MonitoringPending());
  port.SetOpen(true);
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_FALSE(cts.Lit());
}

TEST_F(SLControllerTest, ClosingStopsAndPutsLampsOutReopeningStartsAgain) {
  BindAll();
  line->SetModemLines(msrDSR);
  OpenAndMonitor();
  EXPECT_TRUE(dsr.Lit());
  line->AddLineErrors(leFraming);
  port.Pump();
  EXPECT_TRUE(err.Lit());

  port.SetOpen(false);
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_TRUE(sl.MonitoringPending());
  EXPECT_FALSE(dsr.Lit());
  EXPECT_FALSE(err.Lit());

  port.SetOpen(true);
  EXPECT_TRUE(sl.Monitoring());
  EXPECT_TRUE(dsr.Lit());
  line->AddLineErrors(leOverrun);
  port.Pump();
  EXPECT_TRUE(err.Lit());
}

TEST_F(SLControllerTest, PreviousHandlersGetEveryEventAndAreRestored) {
  BindAll();
  PortHandlers own;
  own.InstallOn(port);
  port.SetOpen(true);
  int userTimer = port.AddTimerTrigger();
  sl.SetMonitoring(true);

  // The port's own trigger still reaches its own handler.
  port.SetTimerTrigger(userTimer, 2, true);
  line->Feed("abc");
  port.Pump();
  EXPECT_EQ(own.avail, std::vector<int>{3});
  After(3);
  ASSERT_FALSE(own.timer.empty());
  EXPECT_NE(std::find(own.timer.begin(), own.timer.end(), userTimer), own.timer.end());
  // So do the controller's own triggers.
  own.status.clear();
  line->AddLineErrors(leParity);
  port.Pump();
  ASSERT_EQ(own.status.size(), 1u);
  int errorTrigger = own.status[0];
  EXPECT_EQ(errorTrigger & 7, stLine);

  sl.SetMonitoring(false);
  // Back to the port's own handlers: no lamp is driven any more.
  Drain();
  line->Feed("z");
  port.Pump();
  EXPECT_FALSE(rxd.Lit());
  EXPECT_EQ(own.avail.back(), 1);
  // Every trigger the controller made is gone.
  EXPECT_EQ(RaisedCode([&] { port.SetStatusTrigger(errorTrigger, kSLLineErrors, true); }),
            ecBadTriggerHandle);
  own.status.clear();
  line->AddLineErrors(leParity);
  line->SetModemLines(msrCTS);
  After(40);
  EXPECT_TRUE(own.status.empty());
  EXPECT_FALSE(err.Lit());
  EXPECT_FALSE(cts.Lit());
}

TEST_F(SLControllerTest, APreviousHandlerThatStopsMonitoringIsSafe) {
  sl.Lights().SetRXDLight(&rxd);
  port.OnTriggerAvail = [this](TApdComPort&, int) { sl.SetMonitoring(false); };
  OpenAndMonitor();
  line->Feed("x");
  port.Pump();
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_FALSE(rxd.Lit());
}

// --- Lamps and their triggers ---

struct MaskCase {
  const char* name;
  std::vector<TLightSet::Slot> bound;
  std::uint8_t mask;
};

class SLModemMaskTest : public SLControllerTest,
                        public ::testing::WithParamInterface<MaskCase> {};

TEST_P(SLModemMaskTest, MaskHoldsTheBitsOfTheBoundLamps) {
  TestLamp lamps[TLightSet::kSlotCount];
  for (TLightSet::Slot s : GetParam().bound) sl.Lights().SetLight(s, &lamps[s]);
  OpenAndMonitor();
  EXPECT_EQ(sl.ModemStatusMask(), GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(
    Lamps, SLModemMaskTest,
    ::testing::Values(MaskCase{"CTS", {TLightSet::kCTS}, 0x10},
                      MaskCase{"DSR", {TLightSet::kDSR}, 0x20},
                      MaskCase{"DCD", {TLightSet::kDCD}, 0x80},
                      MaskCase{"RI", {TLightSet::kRing}, 0x04},
                      MaskCase{"AllFour",
                               {TLightSet::kCTS, TLightSet::kDSR, TLightSet::kDCD, TLightSet::kRing},
                               0xB4},
                      MaskCase{"NoModemLamp", {TLightSet::kRXD, TLightSet::kError}, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SLControllerTest, OnlyRingBoundIgnoresTheOtherLinesAndLightsOnRings) {
  sl.Lights().SetRINGLight(&ring);
  PortHandlers own;
  own.InstallOn(port);
  OpenAndMonitor();
  // Line changes outside the mask fire nothing.
  line->SetModemLines(msrCTS | msrDSR | msrDCD);
  port.Pump();
  line->SetModemLines(0);
  port.Pump();
  EXPECT_TRUE(own.status.empty());
  EXPECT_FALSE(ring.Lit());

  // A ring: the line rises and falls.
  line->SetModemLines(msrRI);
  port.Pump();
  EXPECT_FALSE(ring.Lit());  // the leading edge alone is not watched
  line->SetModemLines(0);
  port.Pump();
  EXPECT_TRUE(ring.Lit());
  EXPECT_EQ(own.status.size(), 1u);
  After(8);
  EXPECT_TRUE(ring.Lit());
  After(1);
  EXPECT_FALSE(ring.Lit());
  // The trigger was re-armed: the next ring lights it again.
  line->AddRings(1);
  port.Pump();
  EXPECT_TRUE(ring.Lit());
}

TEST_F(SLControllerTest, ModemLampsFollowTheLinesAndAreOnlyTouchedOnChange) {
  sl.Lights().SetCTSLight(&cts);
  sl.Lights().SetDSRLight(&dsr);
  sl.Lights().SetDCDLight(&dcd);
  line->SetModemLines(msrCTS | msrDSR);
  OpenAndMonitor();
  EXPECT_TRUE(cts.Lit());
  EXPECT_TRUE(dsr.Lit());
  EXPECT_FALSE(dcd.Lit());
  int ctsChanges = cts.changes, dsrChanges = dsr.changes;

  line->SetModemLines(msrCTS | msrDSR | msrDCD);
  port.Pump();
  EXPECT_TRUE(dcd.Lit());
  EXPECT_EQ(cts.changes, ctsChanges);
  EXPECT_EQ(dsr.changes, dsrChanges);

  line->SetModemLines(msrDCD);
  port.Pump();
  EXPECT_FALSE(cts.Lit());
  EXPECT_FALSE(dsr.Lit());
  EXPECT_TRUE(dcd.Lit());
}

TEST_F(SLControllerTest, RXDStaysLitWhileInputWaitsAndOneCharacterLightsItForAboutATick) {
  sl.Lights().SetRXDLight(&rxd);
  OpenAndMonitor();
  line->Feed("a burst of data");
  port.Pump();
  EXPECT_TRUE(rxd.Lit());
  After(5);
  EXPECT_TRUE(rxd.Lit());  // nobody has read it yet
  line->Feed(" and more");
  After(5);
  EXPECT_TRUE(rxd.Lit());
  Drain();
  After(1);
  EXPECT_TRUE(rxd.Lit());  // out only when a timer check finds the buffer empty
  After(1);
  EXPECT_FALSE(rxd.Lit());

  // One character read at once by a terminal on the port.
  sl.SetMonitoring(false);
  port.OnTriggerAvail = [](TApdComPort& p, int count) {
    std::string s(static_cast<std::size_t>(count), '\0');
    p.GetBlock(s.data(), s.size());
  };
  sl.SetMonitoring(true);
  line->Feed("x");
  port.Pump();
  EXPECT_TRUE(rxd.Lit());
  EXPECT_EQ(port.InBuffUsed(), 0);
  After(1);
  EXPECT_TRUE(rxd.Lit());
  After(1);
  EXPECT_FALSE(rxd.Lit());
}

TEST_F(SLControllerTest, LineErrorLightsERRFor36TicksAndFurtherErrorsDoNotExtendIt) {
  sl.Lights().SetERRORLight(&err);
  sl.Lights().SetBREAKLight(&brk);
  OpenAndMonitor();
  line->AddLineErrors(leOverrun);
  port.Pump();
  EXPECT_TRUE(err.Lit());
  EXPECT_FALSE(brk.Lit());
  EXPECT_EQ(port.LineError(), 0u);  // read and cleared by the controller

  After(20);
  line->AddLineErrors(leParity | leFraming);
  port.Pump();
  After(16);
  EXPECT_TRUE(err.Lit());  // 36 ticks after the first error
  After(1);
  EXPECT_FALSE(err.Lit());

  // Re-armed when it went out.
  line->AddLineErrors(leFraming);
  port.Pump();
  EXPECT_TRUE(err.Lit());
}

TEST_F(SLControllerTest, BreakLightsBRKOnlyForItsOwnTimeout) {
  sl.Lights().SetERRORLight(&err);
  sl.Lights().SetBREAKLight(&brk);
  sl.SetBreakOffTimeout(10);
  OpenAndMonitor();
  line->AddLineErrors(leBreak);
  port.Pump();
  EXPECT_TRUE(brk.Lit());
  EXPECT_FALSE(err.Lit());
  EXPECT_FALSE(port.LineBreak());  // read and cleared by the controller
  After(10);
  EXPECT_TRUE(brk.Lit());
  After(1);
  EXPECT_FALSE(brk.Lit());
  line->AddLineErrors(leBreak | leOverrun);
  port.Pump();
  EXPECT_TRUE(brk.Lit());
  EXPECT_TRUE(err.Lit());
}

TEST_F(SLControllerTest, TXDLightsWhenOutputHasGoneAndStaysLitWhileMoreWaits) {
  sl.Lights().SetTXDLight(&txd);
  OpenAndMonitor();
  port.PutString("ATZ\r");
  port.Pump();
  EXPECT_EQ(line->Written(), "ATZ\r");
  EXPECT_TRUE(txd.Lit());

  line->SetStalled(true);
  port.PutString("ATA\r");
  After(2);
  EXPECT_TRUE(txd.Lit());  // data still waits in the output buffer
  After(3);
  EXPECT_TRUE(txd.Lit());
  line->SetStalled(false);
  port.Pump();
  After(2);
  EXPECT_FALSE(txd.Lit());
  EXPECT_EQ(line->Written(), "ATZ\rATA\r");
}

TEST_F(SLControllerTest, IdleLineKeepsTXDDark) {
  sl.Lights().SetTXDLight(&txd);
  OpenAndMonitor();
  for (int i = 0; i < 5; ++i) {
    After(1);
    EXPECT_FALSE(txd.Lit()) << "tick " << i;
  }
}

// The output-sent trigger keeps firing on a drained line for those who wait
// for their output to go; with a value it waits for new output instead.
TEST_F(SLControllerTest, OutputSentTriggerWithValueWaitsForNewOutput) {
  PortHandlers own;
  own.InstallOn(port);
  port.SetOpen(true);
  int drained = port.AddStatusTrigger(stOutSent);
  int fresh = port.AddStatusTrigger(stOutSent);
  port.SetStatusTrigger(drained, 0, true);
  port.SetStatusTrigger(fresh, 1, true);
  port.Pump();
  EXPECT_EQ(own.status, std::vector<int>{drained});
  port.PutString("AT\r");
  port.Pump();
  EXPECT_EQ(own.status, (std::vector<int>{drained, fresh}));
  port.SetStatusTrigger(fresh, 1, true);
  After(5);
  EXPECT_EQ(own.status.size(), 2u);
}

// --- Lamps and ports that come and go ---

TEST_F(SLControllerTest, RemovingALampLeavesTheOthersWorking) {
  auto gone = std::make_unique<TestLamp>();
  BindAll();
  sl.Lights().SetERRORLight(gone.get());
  OpenAndMonitor();
  gone.reset();
  EXPECT_EQ(sl.Lights().ERRORLight(), nullptr);
  EXPECT_TRUE(sl.Monitoring());

  line->AddLineErrors(leParity | leBreak);
  line->Feed("data");
  line->SetModemLines(msrCTS);
  port.Pump();
  EXPECT_TRUE(brk.Lit());
  EXPECT_TRUE(rxd.Lit());
  EXPECT_TRUE(cts.Lit());
  Drain();
  After(40);
  EXPECT_FALSE(brk.Lit());
  EXPECT_FALSE(rxd.Lit());
  sl.SetMonitoring(false);  // nothing left pointing at the lamp
  EXPECT_FALSE(cts.Lit());
}

TEST_F(SLControllerTest, LampBoundWhileMonitoringGetsItsTriggers) {
  sl.Lights().SetRXDLight(&rxd);
  OpenAndMonitor();
  sl.Lights().SetERRORLight(&err);
  line->SetModemLines(msrDSR);
  sl.Lights().SetDSRLight(&dsr);
  EXPECT_TRUE(dsr.Lit());
  EXPECT_EQ(sl.ModemStatusMask(), kSLMaskDSR);
  line->AddLineErrors(leOverrun);
  line->Feed("x");
  port.Pump();
  EXPECT_TRUE(err.Lit());
  EXPECT_TRUE(rxd.Lit());

  // A lamp let go of is put out and no longer driven.
  sl.Lights().SetERRORLight(nullptr);
  EXPECT_FALSE(err.Lit());
  After(40);
  line->AddLineErrors(leOverrun);
  port.Pump();
  EXPECT_FALSE(err.Lit());
  EXPECT_TRUE(dsr.Lit());
}

TEST_F(SLControllerTest, ChangingThePortCarriesMonitoringOver) {
  sl.Lights().SetRXDLight(&rxd);
  sl.Lights().SetCTSLight(&cts);
  PortHandlers oldOwn;
  oldOwn.InstallOn(port);
  OpenAndMonitor();

  auto otherLine = std::make_shared<FakeLine>();
  otherLine->SetModemLines(msrCTS);
  TApdComPort other(nullptr, test::FakeDeviceFactory(otherLine), &clock);
  other.SetManualDispatch(true);
  other.SetDevicePath("/dev/fake1");
  other.SetOpen(true);

  sl.SetComPort(&other);
  EXPECT_EQ(sl.ComPort(), &other);
  EXPECT_TRUE(sl.Monitoring());
  EXPECT_TRUE(cts.Lit());
  otherLine->Feed("x");
  other.Pump();
  EXPECT_TRUE(rxd.Lit());

  // The old port has its handler back and no longer drives the lamps, even
  // when it is closed and opened again.
  line->Feed("y");
  port.Pump();
  EXPECT_EQ(oldOwn.avail, std::vector<int>{1});
  port.SetOpen(false);
  port.SetOpen(true);
  EXPECT_TRUE(sl.Monitoring());
  EXPECT_EQ(sl.ComPort(), &other);

  sl.PortRemoved(other);
  EXPECT_EQ(sl.ComPort(), nullptr);
  EXPECT_FALSE(sl.Monitoring());
  EXPECT_FALSE(sl.MonitoringPending());
  EXPECT_FALSE(cts.Lit());
  EXPECT_FALSE(rxd.Lit());
  EXPECT_FALSE(other.OnTriggerAvail);
}

TEST_F(SLControllerTest, NewPortOnClosedPortKeepsTheWishPending) {
  sl.SetMonitoring(true);
  TApdComPort other(nullptr, test::FakeDeviceFactory(std::make_shared<FakeLine>()), &clock);
  other.SetManualDispatch(true);
  other.SetDevicePath("/dev/fake1");
  sl.SetComPort(&other);
  EXPECT_TRUE(sl.MonitoringPending());
  port.SetOpen(true);
  EXPECT_FALSE(sl.Monitoring());
  other.SetOpen(true);
  EXPECT_TRUE(sl.Monitoring());
  sl.PortRemoved(other);  // as the owner does before destroying a port
}

TEST_F(SLControllerTest, InsertedPortIsTakenOnlyWhenNoneIsSet) {
  TApdComPort other(nullptr, test::FakeDeviceFactory(std::make_shared<FakeLine>()), &clock);
  sl.PortInserted(other);
  EXPECT_EQ(sl.ComPort(), &port);
  sl.PortRemoved(other);  // not ours: nothing changes
  EXPECT_EQ(sl.ComPort(), &port);
  sl.PortRemoved(port);
  EXPECT_EQ(sl.ComPort(), nullptr);
  sl.PortInserted(other);
  EXPECT_EQ(sl.ComPort(), &other);
  sl.SetComPort(nullptr);
}

TEST_F(SLControllerTest, ControllerDestroyedWhileMonitoringGivesThePortItsHandlersBack) {
  PortHandlers own;
  own.InstallOn(port);
  int errorTrigger = 0;
  {
    TApdSLController local;
    local.SetComPort(&port);
    local.Lights().SetERRORLight(&err);
    port.SetOpen(true);
    local.SetMonitoring(true);
    line->AddLineErrors(leFraming);
    port.Pump();
    ASSERT_EQ(own.status.size(), 1u);
    errorTrigger = own.status[0];
  }
  sl.SetComPort(nullptr);
  EXPECT_EQ(RaisedCode([&] { port.SetStatusTrigger(errorTrigger, kSLLineErrors, true); }),
            ecBadTriggerHandle);
  line->Feed("abc");
  port.Pump();
  EXPECT_EQ(own.avail, std::vector<int>{3});
  port.SetOpen(false);  // no notice reaches the destroyed controller
  port.SetOpen(true);
}

}  // namespace
}  // namespace telvane
