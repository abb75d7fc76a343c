// The pass-through call: the errors before a call, opening the port on the
// line's path over a real pseudo-terminal, cancel and drop, and retries.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "com_port.h"
#include "error_codes.h"
#include "exceptions.h"
#include "loop_dispatcher.h"
#include "tapi_test_util.h"
#include "telephony_device.h"

namespace telvane {
namespace {

using test::LineScript;
using test::PtyPeer;

int CodeOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  return 0;
}

// A device with one configured modem on a pseudo-terminal and a port linked.
struct Rig {
  PtyPeer peer;
  TApdComPort port;
  TApdTapiDevice device;
  int opens = 0, closes = 0, fails = 0;
  std::vector<std::pair<bool, int>> statusLastAndState;

  Rig() {
    device.SetDevices({{"modem A", peer.SlavePath(), TelephonyDeviceKind::Configured},
                       {"gone modem", "/nonexistent/ttyUSB9", TelephonyDeviceKind::Configured},
                       {kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
    device.SetSelectedDevice("modem A");
    device.SetComPort(&port);
    device.OnTapiPortOpen = [this](TApdTapiDevice&) { ++opens; };
    device.OnTapiPortClose = [this](TApdTapiDevice&) { ++closes; };
    device.OnTapiStatus = [this](TApdTapiDevice&, bool, bool last, int state) {
      statusLastAndState.emplace_back(last, state);
    };
  }
};

TEST(TapiDevice, DefaultsAndLinkingAnAutoPort) {
  PtyPeer peer;
  TApdComPort port;
  port.SetDevicePath(peer.SlavePath());
  port.SetOpen(true);
  ASSERT_EQ(port.TapiMode(), tmAuto);
  TApdTapiDevice device;
  EXPECT_EQ(device.AnswerOnRing(), 2);
  EXPECT_EQ(device.RetryWait(), 60);
  EXPECT_EQ(device.MaxAttempts(), 3);
  EXPECT_EQ(device.CallState(), 0);
  EXPECT_EQ(device.MediaMode(), 16);
  device.SetEnableVoice(true);
  EXPECT_EQ(device.MediaMode(), 8);

  device.SetComPort(&port);
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_FALSE(port.Open());

  // A port that is already set for direct opening is left alone.
  TApdComPort direct;
  direct.SetTapiMode(tmOff);
  direct.SetDevicePath(peer.SlavePath());
  direct.SetOpen(true);
  TApdTapiDevice other;
  other.SetComPort(&direct);
  EXPECT_EQ(direct.TapiMode(), tmOff);
  EXPECT_TRUE(direct.Open());
}

TEST(TapiDevice, ErrorsBeforeTheCall) {
  TApdTapiDevice device;
  device.SetDevices({});
  EXPECT_EQ(CodeOf([&] { device.OpenThroughLine(); }), ecPortNotAssigned);

  TApdComPort port;
  port.SetTapiMode(tmOff);
  device.SetComPort(&port);
  EXPECT_EQ(CodeOf([&] { device.OpenThroughLine(); }), ecTapiNotSet);
  port.SetTapiMode(tmNone);
  EXPECT_EQ(CodeOf([&] { device.OpenThroughLine(); }), ecTapiNotSet);

  // tmAuto is switched to tmOn; then the unknown device is the error.
  port.SetTapiMode(tmAuto);
  device.SetSelectedDevice("no such modem");
  EXPECT_EQ(CodeOf([&] { device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_EQ(device.CallState(), 0);
}

TEST(TapiDevice, PassThroughCallOpensThePortOnTheLineAndCancelClosesIt) {
  Rig rig;
  bool portOpenInEvent = false;
  rig.device.OnTapiPortOpen = [&](TApdTapiDevice& d) {
    ++rig.opens;
    portOpenInEvent = d.ComPort()->Open();
  };
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.opens, 1);
  EXPECT_TRUE(portOpenInEvent);
  EXPECT_EQ(rig.device.CallState(), 8);  // connected
  EXPECT_EQ(rig.device.LinePath(), rig.peer.SlavePath());
  EXPECT_EQ(rig.port.LinePath(), rig.peer.SlavePath());

  rig.port.PutString("ATZ\r");
  EXPECT_NE(rig.peer.ReadUntil("ATZ\r", 5).find("ATZ\r"), std::string::npos);

  // A second call while this one is up is refused, and changes nothing.
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), ecTapiBusy);
  EXPECT_TRUE(rig.port.Open());

  int stateInClose = -1;
  rig.device.OnTapiPortClose = [&](TApdTapiDevice& d) {
    ++rig.closes;
    stateInClose = d.CallState();
  };
  rig.device.CancelCall();
  EXPECT_EQ(rig.closes, 1);
  EXPECT_EQ(stateInClose, 0);
  EXPECT_FALSE(rig.port.Open());
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_TRUE(rig.port.LinePath().empty());
  // The line's path was for that call only.
  EXPECT_TRUE(rig.port.DevicePath().empty());
  EXPECT_TRUE(rig.port.DeviceName().empty());
  ASSERT_FALSE(rig.statusLastAndState.empty());
  EXPECT_EQ(rig.statusLastAndState.front(), std::make_pair(false, 9));  // proceeding
  EXPECT_EQ(rig.statusLastAndState.back(), std::make_pair(true, 0));

  rig.device.CancelCall();  // nothing left to cancel
  EXPECT_EQ(rig.closes, 1);
  // A new call works after the cancel.
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.opens, 2);
  EXPECT_TRUE(rig.port.Open());
}

TEST(TapiDevice, UnconnectableDeviceThrowsOrRaisesFail) {
  Rig rig;
  rig.device.SetSelectedDevice("gone modem");
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_EQ(rig.opens, 0);

  rig.device.OnTapiFail = [&](TApdTapiDevice& d) {
    ++rig.fails;
    EXPECT_EQ(d.LastError(), ecTapiCallUnavail);
    EXPECT_EQ(d.CallState(), 0);
  };
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), 0);
  EXPECT_EQ(rig.fails, 1);
  rig.device.SetSelectedDevice("unknown");
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), 0);
  EXPECT_EQ(rig.fails, 2);
  // The simulated line cannot connect until the program gives it a factory.
  rig.device.SetSelectedDevice(kSimulatedLineName);
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.fails, 3);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, LineWithoutDevicePathFailsNotOpen) {
  Rig rig;
  LineScript script;  // connects, but with an empty path
  rig.device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), ecNotOpen);
  EXPECT_EQ(script.disconnects, 1);  // the line is taken down again
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_EQ(rig.opens, 0);
  EXPECT_EQ(rig.closes, 0);
  EXPECT_FALSE(rig.port.Open());

  rig.device.OnTapiFail = [&](TApdTapiDevice& d) {
    ++rig.fails;
    EXPECT_EQ(d.LastError(), ecNotOpen);
  };
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.fails, 1);
  EXPECT_EQ(script.disconnects, 2);
}

TEST(TapiDevice, LineThatDropsEndsTheCallOnTheMainThread) {
  LoopDispatcher main;
  PtyPeer peer;
  TApdComPort port;
  TApdTapiDevice device(&main);
  LineScript script;
  script.path = peer.SlavePath();
  device.SetDevices({{"modem A", "", TelephonyDeviceKind::Configured}});
  device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
  device.SetSelectedDevice("modem A");
  device.SetComPort(&port);
  int closes = 0;
  device.OnTapiPortClose = [&](TApdTapiDevice&) { ++closes; };
  device.OpenThroughLine();
  ASSERT_TRUE(port.Open());
  ASSERT_NE(script.current, nullptr);

  script.current->OnDropped();
  EXPECT_EQ(closes, 0);  // not before the main thread runs it
  main.RunPending();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(device.CallState(), 0);
  EXPECT_EQ(script.disconnects, 1);
}

TEST(TapiDevice, DropOfAnEndedCallIsIgnored) {
  LoopDispatcher main;
  PtyPeer peer;
  TApdComPort port;
  TApdTapiDevice device(&main);
  LineScript script;
  script.path = peer.SlavePath();
  device.SetDevices({{"modem A", "", TelephonyDeviceKind::Configured}});
  device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
  device.SetSelectedDevice("modem A");
  device.SetComPort(&port);
  int closes = 0;
  device.OnTapiPortClose = [&](TApdTapiDevice&) { ++closes; };
  device.OpenThroughLine();
  std::function<void()> dropFirst = script.current->OnDropped;
  dropFirst();               // reported, but the call is cancelled before it is handled
  device.CancelCall();
  device.OpenThroughLine();  // and a new call is up
  main.RunPending();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(device.CallState(), 8);
}

struct RetryRig : Rig {
  LineScript script;
  std::vector<std::pair<int, std::function<void()>>> scheduled;
  RetryRig() {
    script.path = peer.SlavePath();
    device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
    device.SetRetryScheduler([this](int seconds, std::function<void()> fn) {
      scheduled.emplace_back(seconds, std::move(fn));
    });
    device.SetRetryWait(7);
    device.OnTapiFail = [this](TApdTapiDevice&) { ++fails; };
  }
  void RunNextRetry() {
    auto fn = std::move(scheduled.front().second);
    scheduled.erase(scheduled.begin());
    fn();
  }
};

TEST(TapiDevice, FailedConnectIsRetriedAfterRetryWait) {
  RetryRig rig;
  rig.script.connectResults = {ecTapiCallUnavail, ecTapiCallUnavail};
  rig.device.OpenThroughLine();
  EXPECT_EQ(rig.opens, 0);
  ASSERT_EQ(rig.scheduled.size(), 1u);
  EXPECT_EQ(rig.scheduled[0].first, 7);
  // Waiting for the retry counts as a call in progress.
  EXPECT_NE(rig.device.CallState(), 0);
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), ecTapiBusy);

  rig.RunNextRetry();
  ASSERT_EQ(rig.scheduled.size(), 1u);
  rig.RunNextRetry();
  EXPECT_TRUE(rig.scheduled.empty());
  EXPECT_EQ(rig.script.connects, 3);
  EXPECT_EQ(rig.device.Attempt(), 3);
  EXPECT_EQ(rig.opens, 1);
  EXPECT_EQ(rig.fails, 0);
  EXPECT_TRUE(rig.port.Open());
}

TEST(TapiDevice, FailRaisedOnceAfterMaxAttempts) {
  RetryRig rig;
  rig.device.SetMaxAttempts(2);
  rig.script.connectResults = {-5, -6, 0};
  rig.device.OpenThroughLine();
  rig.RunNextRetry();
  EXPECT_TRUE(rig.scheduled.empty());
  EXPECT_EQ(rig.script.connects, 2);
  EXPECT_EQ(rig.fails, 1);
  EXPECT_EQ(rig.device.LineError(), -6);
  EXPECT_EQ(rig.device.LastError(), ecTapiCallUnavail);
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, CancelStopsAPendingRetry) {
  RetryRig rig;
  rig.script.connectResults = {-5};
  rig.device.OpenThroughLine();
  ASSERT_EQ(rig.scheduled.size(), 1u);
  rig.device.CancelCall();
  EXPECT_EQ(rig.device.CallState(), 0);
  EXPECT_EQ(rig.closes, 0);  // the port never opened
  rig.RunNextRetry();
  EXPECT_EQ(rig.script.connects, 1);
  EXPECT_FALSE(rig.port.Open());
}

TEST(TapiDevice, WithoutFailHandlerThereAreNoRetries) {
  RetryRig rig;
  rig.device.OnTapiFail = nullptr;
  rig.script.connectResults = {-5};
  EXPECT_EQ(CodeOf([&] { rig.device.OpenThroughLine(); }), ecTapiCallUnavail);
  EXPECT_TRUE(rig.scheduled.empty());
  EXPECT_EQ(rig.device.CallState(), 0);
}

TEST(TapiDevice, PortDestroyedDuringACallEndsIt) {
  PtyPeer peer;
  LineScript script;
  script.path = peer.SlavePath();
  TApdTapiDevice device;
  device.SetDevices({{"modem A", "", TelephonyDeviceKind::Configured}});
  device.SetLineFactory(TelephonyDeviceKind::Configured, test::ScriptedLines(script));
  device.SetSelectedDevice("modem A");
  {
    TApdComPort port;
    device.SetComPort(&port);
    device.OpenThroughLine();
    EXPECT_TRUE(port.Open());
  }
  EXPECT_EQ(device.ComPort(), nullptr);
  EXPECT_EQ(device.CallState(), 0);
  EXPECT_EQ(script.disconnects, 1);
  EXPECT_EQ(CodeOf([&] { device.OpenThroughLine(); }), ecPortNotAssigned);
}

}  // namespace
}  // namespace telvane
