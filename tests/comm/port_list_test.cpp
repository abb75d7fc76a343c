// The list of serial devices for the port selection.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "comm/port/port_list.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::vector<std::string> Paths(const std::vector<SerialPortInfo>& ports, const std::string& root) {
  std::vector<std::string> out;
  for (const auto& p : ports) out.push_back(p.path.substr(root.size()));
  return out;
}

TEST(PortList, ListsAnsweringUartsUsbAndAcmDevicesInNaturalOrder) {
  test::TempDir dev;
  std::string root = dev.Path().string();
  for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyS2", "ttyUSB1", "ttyUSB0", "ttyACM0",
                           "tty1", "ttyS", "console"})
    test::WriteAll(dev.File(name), "");
  std::filesystem::create_directories(dev.Path() / "serial" / "by-id");
  std::filesystem::create_symlink(dev.Path() / "ttyUSB0",
                                  dev.Path() / "serial" / "by-id" / "usb-Maker_Modem-if00");
  // Only ttyS1 and ttyS10 have a UART behind them.
  auto probe = [&](const std::string& path) {
    return path == root + "/ttyS1" || path == root + "/ttyS10";
  };
  auto ports = ListSerialPorts(root, probe);
  EXPECT_EQ(Paths(ports, root),
            (std::vector<std::string>{"/ttyS1", "/ttyS10", "/ttyUSB0", "/ttyUSB1", "/ttyACM0",
                                      "/serial/by-id/usb-Maker_Modem-if00"}));
  EXPECT_EQ(ports[0].label, "ttyS1");
  EXPECT_EQ(ports.back().label, "usb-Maker_Modem-if00 (ttyUSB0)");
}

TEST(PortList, AMissingFolderGivesAnEmptyList) {
  EXPECT_TRUE(ListSerialPorts("/nonexistent-dev-folder").empty());
}

TEST(PortList, ThePseudoTerminalMultiplexerIsNoSerialPort) {
  EXPECT_FALSE(ProbeSerialPort("/dev/ptmx"));
  EXPECT_FALSE(ProbeSerialPort("/dev/telvane-no-such-tty"));
}

}  // namespace
}  // namespace telvane
