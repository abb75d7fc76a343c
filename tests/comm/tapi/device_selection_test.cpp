// The device selection model: entries, preselection, and what OK and
// Cancel do to the device and its port.
#include <gtest/gtest.h>

#include "comm/port/com_port.h"
#include "comm/tapi/device_selection.h"
#include "base/exceptions.h"
#include "comm/tapi/telephony_device.h"

namespace telvane {
namespace {

struct Selection : ::testing::Test {
  TApdComPort port;
  TApdTapiDevice device;
  void SetUp() override {
    device.SetDevices({{"ttyUSB0", "/dev/ttyUSB0", TelephonyDeviceKind::Serial},
                       {kSimulatedLineName, "", TelephonyDeviceKind::Simulated}});
    device.SetComPort(&port);
  }
};

TEST_F(Selection, EntriesFollowTheShowFlagsAndPreselectTheCurrentChoice) {
  DeviceSelectionModel both(device, {1, 2});
  EXPECT_EQ(both.Entries(), (std::vector<std::string>{"ttyUSB0", kSimulatedLineName, "Direct to COM1",
                                                      "Direct to COM2"}));
  EXPECT_EQ(both.SelectedIndex(), -1);
  device.SetShowTapiDevices(false);
  EXPECT_EQ(DeviceSelectionModel(device, {1}).Entries(), std::vector<std::string>{"Direct to COM1"});
  device.SetShowTapiDevices(true);
  device.SetShowPorts(false);
  device.SetSelectedDevice(kSimulatedLineName);
  EXPECT_EQ(DeviceSelectionModel(device, {1}).SelectedIndex(), 1);
  // A direct port shows its number, also one that is not among those found.
  device.SetShowPorts(true);
  port.SetTapiMode(tmOff);
  port.SetComNumber(4);
  DeviceSelectionModel direct(device, {1, 2});
  EXPECT_EQ(direct.Entries().back(), "Direct to COM4");
  EXPECT_EQ(direct.SelectedIndex(), 4);
}

TEST_F(Selection, DirectToComMakesLaterOpensUseTheComNumber) {
  DeviceSelectionModel model(device, {1, 3});
  EXPECT_EQ(model.Apply(3), kSelectionOk);  // "Direct to COM3"
  EXPECT_EQ(port.TapiMode(), tmOff);
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS2");
  device.SetSelectedDevice(kSimulatedLineName);
  EXPECT_THROW(device.OpenThroughLine(), ETapiNotSet);
}

TEST_F(Selection, TelephonyEntrySetsModeAndSelectedDevice) {
  port.SetTapiMode(tmOff);
  port.SetComNumber(2);
  DeviceSelectionModel model(device, {2});
  EXPECT_EQ(model.Apply(0), kSelectionOk);
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_EQ(device.SelectedDevice(), "ttyUSB0");
  EXPECT_EQ(port.ComNumber(), 2);  // kept for a later switch back
  model.Apply(1, tmAuto);
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_EQ(device.SelectedDevice(), kSimulatedLineName);
}

TEST_F(Selection, CancelBadIndexAndMissingPortChangeNothing) {
  device.SetSelectedDevice("ttyUSB0");
  DeviceSelectionModel model(device, {1});
  EXPECT_EQ(model.Cancel(), kSelectionCancel);
  EXPECT_THROW(model.Apply(3), EBadArgument);
  EXPECT_THROW(model.Apply(-1), EBadArgument);
  device.SetComPort(nullptr);
  EXPECT_THROW(model.Apply(2), EPortNotAssigned);  // "Direct to COM1" needs a port
  EXPECT_EQ(device.SelectedDevice(), "ttyUSB0");
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(DirectComNumber("Direct to COM 12"), 12);
  for (const char* bad : {"Direct to COM", "Direct to COM0", "Direct to COM70000", "ttyS7"})
    EXPECT_EQ(DirectComNumber(bad), 0) << bad;
}

}  // namespace
}  // namespace telvane
