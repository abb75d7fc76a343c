// The device list: serial devices under a scanned root, configured devices
// from "name=path" lines, and the simulated line last.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "device_selection.h"
#include "telephony_device_list.h"
#include "temp_dir.h"

namespace telvane {
namespace {

namespace fs = std::filesystem;

// A /dev of plain files; only the ttyS nodes in `uarts` have a UART.
struct FakeDev {
  test::TempDir dir;
  std::vector<std::string> uarts;
  explicit FakeDev(std::vector<std::string> withUart) : uarts(std::move(withUart)) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM1", "tty0", "null"})
      test::WriteAll(dir.File(name), "");
  }
  std::string Root() const { return dir.Path().string(); }
  PortProbe Probe() const {
    return [this](const std::string& path) {
      std::string name = fs::path(path).filename().string();
      return std::find(uarts.begin(), uarts.end(), name) != uarts.end();
    };
  }
};

std::vector<std::string> Names(const std::vector<TelephonyDevice>& devices) {
  std::vector<std::string> names;
  for (const auto& d : devices) names.push_back(d.name);
  return names;
}

TEST(TelephonyDeviceList, SerialThenConfiguredThenSimulated) {
  FakeDev dev({"ttyS1", "ttyS10"});
  std::vector<TelephonyDevice> configured = {
      {"Office modem", "/dev/ttyUSB7", TelephonyDeviceKind::Configured},
      {"ttyS1", "/dev/elsewhere", TelephonyDeviceKind::Configured},        // name taken
      {kSimulatedLineName, "/dev/x", TelephonyDeviceKind::Configured}};    // reserved
  auto devices = ListTelephonyDevices(configured, dev.Root(), dev.Probe());
  EXPECT_EQ(Names(devices), (std::vector<std::string>{"ttyS1", "ttyS10", "ttyUSB0", "ttyACM1",
                                                      "Office modem", kSimulatedLineName}));
  EXPECT_EQ(devices[0].path, dev.dir.File("ttyS1"));
  EXPECT_EQ(devices[0].kind, TelephonyDeviceKind::Serial);
  EXPECT_EQ(devices[4].kind, TelephonyDeviceKind::Configured);
  EXPECT_EQ(devices[4].path, "/dev/ttyUSB7");
  EXPECT_EQ(devices[5].kind, TelephonyDeviceKind::Simulated);
  EXPECT_EQ(FindTelephonyDevice(devices, "Office modem"), &devices[4]);
  EXPECT_EQ(FindTelephonyDevice(devices, "office modem"), nullptr);
}

TEST(TelephonyDeviceList, EmptyOrMissingRootStillHasTheSimulatedLine) {
  auto devices = ListTelephonyDevices({}, "/nonexistent/dev", {});
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, kSimulatedLineName);
}

TEST(TelephonyDeviceList, DirectComNumbersAreTheUartsOfTtyS) {
  FakeDev dev({"ttyS0", "ttyS2", "ttyS10"});
  EXPECT_EQ(DirectComNumbers(dev.Root(), dev.Probe()), (std::vector<std::uint16_t>{1, 3, 11}));
}

TEST(ConfiguredDevices, ParsesNameEqualsPathLines) {
  std::vector<std::string> errors;
  auto devices = ParseConfiguredDevices(
      "# modems\n"
      "  Office modem = /dev/ttyUSB0 \r\n"
      "\n"
      "Fax=/dev/serial/by-id/usb-x=y\n"   // the first '=' splits
      "no separator here\n"
      "=/dev/ttyS3\n"
      "Empty path=\n",
      &errors);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].name, "Office modem");
  EXPECT_EQ(devices[0].path, "/dev/ttyUSB0");
  EXPECT_EQ(devices[0].kind, TelephonyDeviceKind::Configured);
  EXPECT_EQ(devices[1].name, "Fax");
  EXPECT_EQ(devices[1].path, "/dev/serial/by-id/usb-x=y");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].rfind("line 5:", 0), 0u) << errors[0];
  EXPECT_EQ(errors[1].rfind("line 6:", 0), 0u) << errors[1];
  EXPECT_EQ(errors[2].rfind("line 7:", 0), 0u) << errors[2];
}

TEST(ConfiguredDevices, LoadsAFileAndReportsAMissingOne) {
  test::TempDir dir;
  test::WriteAll(dir.File("devices.txt"), "A=/dev/a\nB=/dev/b\n");
  auto devices = LoadConfiguredDevices(dir.File("devices.txt"));
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[1].path, "/dev/b");
  std::vector<std::string> errors;
  EXPECT_TRUE(LoadConfiguredDevices(dir.File("none.txt"), &errors).empty());
  EXPECT_EQ(errors.size(), 1u);
}

}  // namespace
}  // namespace telvane
