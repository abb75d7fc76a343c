// The device list: serial devices under a scanned root, configured devices
// from "name=path" lines, and the simulated line last.
#include <gtest/gtest.h>

#include <filesystem>

#include "comm/tapi/device_selection.h"
#include "comm/tapi/telephony_device_list.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(TelephonyDeviceList, SerialThenConfiguredThenSimulated) {
  test::TempDir dev;
  for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "null"})
    test::WriteAll(dev.File(name), "");
  // Only these ttyS nodes have a UART behind them.
  auto probe = [](const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    return name == "ttyS1" || name == "ttyS10";
  };
  std::vector<TelephonyDevice> configured = {{"Office modem", "/dev/ttyUSB7", TelephonyDeviceKind::Configured},
                                             {"ttyS1", "/dev/elsewhere", TelephonyDeviceKind::Configured},
                                             {kSimulatedLineName, "/dev/x", TelephonyDeviceKind::Configured},
                                             // the selection would read it as a direct port
                                             {"My Direct to COM3 modem", "/dev/ttyUSB8", TelephonyDeviceKind::Configured}};
  auto devices = ListTelephonyDevices(configured, dev.Path().string(), probe);
  std::vector<std::string> names;
  for (const auto& d : devices) names.push_back(d.name);
  // Names already taken are not listed twice.
  EXPECT_EQ(names, (std::vector<std::string>{"ttyS1", "ttyS10", "ttyUSB0", "ttyACM1", "Office modem",
                                             kSimulatedLineName}));
  EXPECT_EQ(devices[0].path, dev.File("ttyS1"));
  EXPECT_EQ(devices[4].path, "/dev/ttyUSB7");
  EXPECT_EQ(devices[5].kind, TelephonyDeviceKind::Simulated);
  EXPECT_EQ(FindTelephonyDevice(devices, "Office modem"), &devices[4]);
  EXPECT_EQ(DirectComNumbers(dev.Path().string(), probe), (std::vector<std::uint16_t>{2, 11}));
  EXPECT_EQ(ListTelephonyDevices({}, "/nonexistent/dev", {}).size(), 1u);
}

TEST(ConfiguredDevices, ReadsNameEqualsPathLinesAndReportsBadOnes) {
  test::TempDir dir;
  test::WriteAll(dir.File("devices.txt"),
                 "# modems\n  Office modem = /dev/ttyUSB0 \r\n\nFax=/dev/serial/by-id/usb-x=y\n"
                 "no separator here\n=/dev/ttyS3\nEmpty path=\n");
  std::vector<std::string> errors;
  auto devices = LoadConfiguredDevices(dir.File("devices.txt"), &errors);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].name, "Office modem");
  EXPECT_EQ(devices[0].path, "/dev/ttyUSB0");
  EXPECT_EQ(devices[1].path, "/dev/serial/by-id/usb-x=y");  // the first '=' splits
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].rfind("line 5:", 0), 0u) << errors[0];
  EXPECT_EQ(errors[2].rfind("line 7:", 0), 0u) << errors[2];
  EXPECT_TRUE(LoadConfiguredDevices(dir.File("none.txt"), &errors).empty());
  EXPECT_EQ(errors.size(), 4u);
}

}  // namespace
}  // namespace telvane
