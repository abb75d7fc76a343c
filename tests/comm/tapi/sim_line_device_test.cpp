// The simulated line device: a pass-through call on it gives a port that
// talks to a real SimLine modem, and cancelling the call stops the line.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "com_port.h"
#include "error_codes.h"
#include "exceptions.h"
#include "sim_line_device.h"
#include "telephony_device.h"
#include "temp_dir.h"

namespace telvane {
namespace {

// Reads the port's input until `token` arrives or `seconds` pass.
std::string ReadPortUntil(TApdComPort& port, const std::string& token, double seconds) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (got.find(token) == std::string::npos && std::chrono::steady_clock::now() < end) {
    char buf[128];
    std::size_t n = port.GetBlock(buf, sizeof buf);
    if (n == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    else
      got.append(buf, n);
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
  int opens = 0, closes = 0;
  device.OnTapiPortOpen = [&](TApdTapiDevice&) { ++opens; };
  device.OnTapiPortClose = [&](TApdTapiDevice&) { ++closes; };

  device.OpenThroughLine();
  ASSERT_EQ(opens, 1);
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(device.CallState(), 8);
  const std::string pty = port.LinePath();
  EXPECT_EQ(pty.rfind("/dev/pts/", 0), 0u) << pty;

  port.PutString("AT\r");
  EXPECT_NE(ReadPortUntil(port, "OK", 5).find("OK"), std::string::npos);

  device.CancelCall();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(ptyAtEnd.empty());  // the line was stopped before the report
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(device.CallState(), 0);
}

TEST(SimulatedLineDevice, LineThatCannotStartIsCallUnavailable) {
  SimLineConfig config;
  config.farEnd = SimLineConfig::TerminalSends;
  config.sendTiff = "/nonexistent/pages.tif";  // nothing to send: the line refuses to start
  TApdComPort port;
  TApdTapiDevice device;
  device.SetDevices({{kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
  device.SetLineFactory(TelephonyDeviceKind::Simulated, SimulatedLineFactory(config));
  device.SetSelectedDevice(kSimulatedLineName);
  device.SetComPort(&port);
  EXPECT_THROW(device.OpenThroughLine(), ETapiCallUnavail);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(device.CallState(), 0);
}

}  // namespace
}  // namespace telvane
