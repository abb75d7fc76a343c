// The pass-through call: the errors before a call, opening the port on the
// line's path over a real pseudo-terminal, cancel and drop, and retries.
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "comm/core/loop_dispatcher.h"
#include "tests/comm/tapi/tapi_test_util.h"
#include "tests/support/raised_code.h"
#include "comm/tapi/telephony_device.h"

namespace telvane {
namespace {

using test::RaisedCode;

// A linked port and three devices: a modem on a pseudo-terminal and a gone
// one (both on the real serial line), and a scripted line.
struct Rig {
  test::PtyPeer peer;
  LoopDispatcher main;
  TApdComPort port;
  TApdTapiDevice device{&main};
  test::LineScript script;
  std::vector<std::pair<int, std::function<void()>>> retries;
  int opens = 0, closes = 0, fails = 0;
  int stateInClose = -1;
  std::vector<std::pair<bool, int>> statusLastAndState;

  Rig() {
    script.path = peer.SlavePath();
    device.SetDevices({{"modem A", peer.SlavePath(), TelephonyDeviceKind::Serial},
                       {"gone modem", "/nonexistent/ttyUSB9", TelephonyDeviceKind::Serial},
                       {"scripted", "", TelephonyDeviceKind::Configured},
                       {kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
    device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
    device.SetSelectedDevice("modem A");
    device.SetComPort(&port);
    device.OnTapiPortOpen = [this](TApdTapiDevice& d) { opens += d.ComPort()->Open() ? 1 : 100; };
    device.OnTapiPortClose = [this](TApdTapiDevice& d) {
      ++closes;
      stateInClose = d.CallState();
    };
    device.OnTapiStatus = [this](TApdTapiDevice&, bool, bool last, int state) {
      statusLastAndState.emplace_back(last, state);
    };
  }
  void WithRetries() {
    device.SetSelectedDevice("scripted");
    device.SetRetryWait(7);
    device.SetRetryScheduler([this](int s, std::function<void()> fn) { retries.emplace_back(s, std::move(fn)); });
    device.OnTapiFail = [this](TApdTapiDevice&) { ++fails; };
  }
  void RunNextRetry() {
    auto fn = std::move(retries.front().second);
    retries.erase(retries.begin());
    fn();
  }
};

TEST(TapiDevice, LinkingAnAutoPortSwitchesItOnAndClosesIt) {
  test::PtyPeer peer;
  TApdComPort autoPort, directPort;
  directPort.SetTapiMode(tmOff);
  for (TApdComPort* p : {&autoPort, &directPort}) {
    p->SetDevicePath(peer.SlavePath());
    p->SetOpen(true);
  }
  TApdTapiDevice a, b;
  EXPECT_EQ(a.AnswerOnRing(), 2);
  EXPECT_EQ(a.RetryWait(), 60);
  EXPECT_EQ(a.MaxAttempts(), 3);
  a.SetComPort(&autoPort);
  EXPECT_EQ(autoPort.TapiMode(), tmOn);
  EXPECT_FALSE(autoPort.Open());
  b.SetComPort(&directPort);  // set for direct opening: left alone
  EXPECT_EQ(directPort.TapiMode(), tmOff);
  EXPECT_TRUE(directPort.Open());
}

TEST(TapiDevice, ErrorsBeforeTheCall) {
  TApdTapiDevice device;
  device.SetDevices({});
  EXPECT_EQ(RaisedCode([&] { device.OpenThroughLine(); }), ecPortNotAssigned);
  TApdComPort port;
  port.SetTapiMode(tmOff);
  device.SetComPort(&port);
  EXPECT_EQ(RaisedCode([&] { device.OpenThroughLine(); }), ecTapiNotSet);
  port.SetTapiMode(tmNone);
  EXPECT_EQ(RaisedCode([&] { device.OpenThroughLine(); }), ecTapiNotSet);
  // tmAuto is switched to tmOn; then the unknown device is the error.
  port.SetTapiMode(tmAuto);
  device.SetSelectedDevice("no such modem");
  EXPECT_EQ(RaisedCode([&] { device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_EQ(device.CallState(), 0);
}

TEST(TapiDevice, PassThroughCallOpensThePortOnTheLineAndCancelClosesIt) {
  Rig rig;
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.opens, 1);  // and the port was open in the event
  EXPECT_EQ(rig.device.CallState(), 8);
  EXPECT_EQ(rig.port.LinePath(), rig.peer.SlavePath());
  rig.port.PutString("ATZ\r");
  EXPECT_NE(rig.peer.ReadUntil("ATZ\r", 5).find("ATZ\r"), std::string::npos);

  // A second call while this one is up is refused, and changes nothing.
  EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), ecTapiBusy);
  EXPECT_TRUE(rig.port.Open());

  rig.device.CancelCall();
  EXPECT_EQ(rig.closes, 1);
  EXPECT_EQ(rig.stateInClose, 0);
  EXPECT_FALSE(rig.port.Open());
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_TRUE(rig.port.DeviceName().empty());  // the line's path was for that call only
  EXPECT_EQ(rig.statusLastAndState.front(), std::make_pair(false, 9));  // proceeding
  EXPECT_EQ(rig.statusLastAndState.back(), std::make_pair(true, 0));

  rig.device.CancelCall();  // nothing left to cancel
  EXPECT_EQ(rig.closes, 1);
  // A port closed by its user keeps the call until it is cancelled; the
  // close event still tells the program that the call is over.
  rig.device.OpenThroughLine();
  rig.port.SetOpen(false);
  EXPECT_EQ(rig.device.CallState(), 8);
  rig.device.CancelCall();
  EXPECT_EQ(rig.opens, 2);
  EXPECT_EQ(rig.closes, 2);
}

TEST(TapiDevice, UnconnectableDeviceThrowsOrRaisesFail) {
  Rig rig;
  rig.device.SetSelectedDevice("gone modem");
  EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_EQ(rig.device.CallState(), 0);
  rig.device.OnTapiFail = [&](TApdTapiDevice& d) {
    ++rig.fails;
    EXPECT_EQ(d.LastError(), ecTapiCallUnavail);
    EXPECT_EQ(d.CallState(), 0);
  };
  for (const char* name : {"gone modem", "unknown", kSimulatedLineName /* no factory installed */}) {
    rig.device.SetSelectedDevice(name);
    EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), 0) << name;
  }
  EXPECT_EQ(rig.fails, 3);
  EXPECT_EQ(rig.opens, 0);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, LineWithoutDevicePathFailsNotOpen) {
  Rig rig;
  rig.device.SetSelectedDevice("scripted");
  rig.script.path.clear();
  EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), ecNotOpen);
  EXPECT_EQ(rig.script.disconnects, 1);  // the line is taken down again
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_EQ(rig.opens + rig.closes, 0);
  rig.device.OnTapiFail = [&](TApdTapiDevice& d) { rig.fails += d.LastError() == ecNotOpen; };
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.fails, 1);
}

TEST(TapiDevice, LineDropEndsTheCallOnTheMainThreadUnlessTheCallHasGone) {
  Rig rig;
  rig.device.SetSelectedDevice("scripted");
  rig.device.OpenThroughLine();
  ASSERT_NE(rig.script.current, nullptr);
  rig.script.current->OnDropped();
  EXPECT_EQ(rig.closes, 0);  // not before the main thread runs it
  rig.main.RunPending();
  EXPECT_EQ(rig.closes, 1);
  EXPECT_FALSE(rig.port.Open());
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_EQ(rig.script.disconnects, 1);

  // A drop reported for a call that was then cancelled leaves the next call up.
  rig.device.OpenThroughLine();
  std::function<void()> staleDrop = rig.script.current->OnDropped;
  staleDrop();
  rig.device.CancelCall();
  rig.device.OpenThroughLine();
  rig.main.RunPending();
  EXPECT_EQ(rig.closes, 2);
  EXPECT_TRUE(rig.port.Open());
  EXPECT_EQ(rig.device.CallState(), 8);
}

TEST(TapiDevice, DropFromTheLinesOwnThreadWaitsForTheMainThread) {
  Rig rig;
  rig.device.SetSelectedDevice("scripted");
  rig.device.OpenThroughLine();
  ASSERT_NE(rig.script.current, nullptr);
  std::thread lineThread([&] { rig.script.current->OnDropped(); });
  lineThread.join();
  EXPECT_EQ(rig.closes, 0);
  EXPECT_EQ(rig.device.CallState(), 8);
  rig.main.RunPending();
  EXPECT_EQ(rig.closes, 1);
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, FailedConnectIsRetriedAfterRetryWait) {
  Rig rig;
  rig.WithRetries();
  rig.script.connectResults = {ecTapiCallUnavail, ecTapiCallUnavail};
  rig.device.OpenThroughLine();
  ASSERT_EQ(rig.retries.size(), 1u);
  EXPECT_EQ(rig.retries[0].first, 7);
  // Waiting for the retry counts as a call in progress.
  EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), ecTapiBusy);
  rig.RunNextRetry();
  rig.RunNextRetry();
  EXPECT_TRUE(rig.retries.empty());
  EXPECT_EQ(rig.device.Attempt(), 3);
  EXPECT_EQ(rig.opens, 1);
  EXPECT_EQ(rig.fails, 0);
}

TEST(TapiDevice, FailRaisedOnceAfterMaxAttemptsAndCancelStopsARetry) {
  Rig rig;
  rig.WithRetries();
  rig.device.SetMaxAttempts(2);
  rig.script.connectResults = {-5, -6, 0, -7};
  rig.device.OpenThroughLine();
  rig.RunNextRetry();
  EXPECT_TRUE(rig.retries.empty());
  EXPECT_EQ(rig.script.connects, 2);
  EXPECT_EQ(rig.fails, 1);
  EXPECT_EQ(rig.device.LineError(), -6);
  EXPECT_EQ(rig.device.LastError(), ecTapiCallUnavail);
  EXPECT_EQ(rig.device.CallState(), 0);

  rig.script.connectResults = {-5};
  rig.script.connects = 0;
  rig.device.OpenThroughLine();
  rig.device.CancelCall();
  EXPECT_EQ(rig.device.CallState(), 0);
  rig.RunNextRetry();
  EXPECT_EQ(rig.script.connects, 1);
  EXPECT_EQ(rig.opens + rig.closes, 0);

  // Without OnTapiFail nobody would hear of a later failure: no retries.
  rig.device.OnTapiFail = nullptr;
  rig.script.connects = 0;
  EXPECT_EQ(RaisedCode([&] { rig.device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_TRUE(rig.retries.empty());
}

TEST(TapiDevice, CallCancelledByTheFirstStatusReportStaysDown) {
  Rig rig;
  rig.device.SetSelectedDevice("scripted");
  int lasts = 0;
  rig.device.OnTapiStatus = [&](TApdTapiDevice& d, bool first, bool last, int) {
    lasts += last;
    if (first) d.CancelCall();
  };
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.script.connects, 0);
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_FALSE(rig.port.Open());
  EXPECT_EQ(rig.opens, 0);
  EXPECT_EQ(lasts, 1);
}

TEST(TapiDevice, CancelInsideTheEndingReportsEndsTheCallOnce) {
  Rig rig;
  int lasts = 0;
  rig.device.OnTapiStatus = [&](TApdTapiDevice& d, bool, bool last, int state) {
    lasts += last;
    if (state == 14) d.CancelCall();  // disconnected: the call is already ending
  };
  rig.device.OpenThroughLine();
  rig.device.CancelCall();
  EXPECT_EQ(lasts, 1);
  EXPECT_EQ(rig.closes, 1);
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, DropReportedByAFailedAttemptLeavesTheRetriedLineUp) {
  Rig rig;
  rig.WithRetries();
  rig.script.connectResults = {-5};
  rig.device.OpenThroughLine();
  std::function<void()> staleDrop = rig.script.lastDropped;
  ASSERT_TRUE(staleDrop);
  staleDrop();
  rig.RunNextRetry();
  ASSERT_TRUE(rig.port.Open());
  rig.main.RunPending();
  EXPECT_TRUE(rig.port.Open());
  EXPECT_EQ(rig.device.CallState(), 8);
  EXPECT_EQ(rig.closes, 0);
  // The connected line's own drop still ends the call.
  rig.script.current->OnDropped();
  rig.main.RunPending();
  EXPECT_EQ(rig.closes, 1);
  EXPECT_EQ(rig.device.CallState(), 0);
}

TEST(TapiDevice, ConnectFailureErrorIsReadableInTheLastStatusReport) {
  Rig rig;
  rig.device.SetSelectedDevice("gone modem");
  int errorInLast = 1;
  rig.device.OnTapiStatus = [&](TApdTapiDevice& d, bool, bool last, int) {
    if (last) errorInLast = d.LastError();
  };
  rig.device.OnTapiFail = [&](TApdTapiDevice&) { ++rig.fails; };
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.fails, 1);
  EXPECT_EQ(errorInLast, ecTapiCallUnavail);
}

TEST(TapiDevice, PortDestroyedDuringACallEndsIt) {
  test::PtyPeer peer;
  TApdTapiDevice device;
  device.SetDevices({{"modem A", peer.SlavePath(), TelephonyDeviceKind::Serial}});
  device.SetSelectedDevice("modem A");
  {
    TApdComPort port;
    device.SetComPort(&port);
    device.OpenThroughLine();
    EXPECT_TRUE(port.Open());
  }
  EXPECT_EQ(device.ComPort(), nullptr);
  EXPECT_EQ(device.CallState(), 0);
  EXPECT_EQ(RaisedCode([&] { device.OpenThroughLine(); }), ecPortNotAssigned);
}

}  // namespace
}  // namespace telvane
