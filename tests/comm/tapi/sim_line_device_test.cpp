// The simulated line device: a pass-through call on it gives a port that
// talks to a real SimLine modem, and cancelling the call stops the line.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/simline/sim_line_device.h"
#include "comm/tapi/telephony_device.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::string ReadPortUntil(TApdComPort& port, const std::string& token, double seconds) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  char buf[128];
  while (got.find(token) == std::string::npos && std::chrono::steady_clock::now() < end) {
    got.append(buf, port.GetBlock(buf, sizeof buf));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return got;
}

TEST(SimulatedLineDevice, CallGivesAPortOnTheLinesModemAndCancelStopsIt) {
  test::TempDir dir;
  SimLineConfig config;
  config.receiveTiff = dir.File("rx.tif");
  int ended = 0;
  std::string ptyAtEnd = "unset";
  TApdComPort port;
  TApdTapiDevice device;
  device.SetDevices({{kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
  device.SetLineFactory(TelephonyDeviceKind::Simulated, SimulatedLineFactory(config, [&](const SimLine& line) {
                          ++ended;
                          ptyAtEnd = line.PtyPath(0);
                        }));
  device.SetSelectedDevice(kSimulatedLineName);
  device.SetComPort(&port);
  int closes = 0;
  device.OnTapiPortClose = [&](TApdTapiDevice&) { ++closes; };

  device.OpenThroughLine();
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(port.LinePath().rfind("/dev/pts/", 0), 0u) << port.LinePath();

  port.PutString("AT\r");
  EXPECT_NE(ReadPortUntil(port, "OK", 5).find("OK"), std::string::npos);

  device.CancelCall();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(ptyAtEnd.empty());  // the line was stopped before the report
  EXPECT_FALSE(port.Open());
}

TEST(SimulatedLineDevice, LineThatCannotStartIsCallUnavailable) {
  SimLineConfig config;
  config.farEnd = SimLineConfig::TerminalSends;
  config.sendTiff = "/nonexistent/pages.tif";  // nothing to send: the line refuses to start
  TApdComPort port;
  TApdTapiDevice device;
  device.SetDevices({{kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
  std::string why;
  device.SetLineFactory(TelephonyDeviceKind::Simulated,
                        SimulatedLineFactory(config, {}, [&](const std::string& e) { why = e; }));
  device.SetSelectedDevice(kSimulatedLineName);
  device.SetComPort(&port);
  EXPECT_THROW(device.OpenThroughLine(), ETapiCallUnavail);
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(device.CallState(), 0);
}

}  // namespace
}  // namespace telvane
