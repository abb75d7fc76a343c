// The device selection model: entries, preselection, and what OK and
// Cancel do to the device and its port.
#include <gtest/gtest.h>

#include "com_port.h"
#include "device_selection.h"
#include "error_codes.h"
#include "exceptions.h"
#include "telephony_device.h"

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

TEST_F(Selection, EntriesFollowTheShowFlags) {
  DeviceSelectionModel both(device, {1, 2});
  EXPECT_EQ(both.Entries(), (std::vector<std::string>{"ttyUSB0", kSimulatedLineName, "Direct to COM1",
                                                      "Direct to COM2"}));
  device.SetShowPorts(false);
  EXPECT_EQ(DeviceSelectionModel(device, {1, 2}).Entries().size(), 2u);
  device.SetShowPorts(true);
  device.SetShowTapiDevices(false);
  EXPECT_EQ(DeviceSelectionModel(device, {1, 2}).Entries(),
            (std::vector<std::string>{"Direct to COM1", "Direct to COM2"}));
}

TEST_F(Selection, PreselectsTheCurrentChoice) {
  EXPECT_EQ(DeviceSelectionModel(device, {1}).SelectedIndex(), -1);
  device.SetSelectedDevice(kSimulatedLineName);
  EXPECT_EQ(DeviceSelectionModel(device, {1}).SelectedIndex(), 1);
  // A direct port shows its number, also one that is not among those found.
  port.SetTapiMode(tmOff);
  port.SetComNumber(4);
  DeviceSelectionModel model(device, {1, 2});
  EXPECT_EQ(model.Entries().back(), "Direct to COM4");
  EXPECT_EQ(model.SelectedIndex(), 4);
}

TEST_F(Selection, DirectToComMakesLaterOpensUseTheComNumber) {
  DeviceSelectionModel model(device, {1, 3});
  ASSERT_EQ(model.Entries()[3], "Direct to COM3");
  EXPECT_EQ(model.Apply(3), kSelectionOk);
  EXPECT_EQ(port.TapiMode(), tmOff);
  EXPECT_EQ(port.ComNumber(), 3);
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS2");
  device.SetSelectedDevice(kSimulatedLineName);
  try {
    device.OpenThroughLine();
    ADD_FAILURE() << "a direct port was opened through the line";
  } catch (const ETapiNotSet& e) {
    EXPECT_EQ(e.ErrorCode(), ecTapiNotSet);
  }
}

TEST_F(Selection, TelephonyEntrySetsModeAndSelectedDevice) {
  port.SetTapiMode(tmOff);
  port.SetComNumber(2);
  device.SetEnableVoice(true);
  DeviceSelectionModel model(device, {2});
  EXPECT_EQ(model.Apply(0), kSelectionOk);
  EXPECT_EQ(port.TapiMode(), tmOn);
  EXPECT_EQ(device.SelectedDevice(), "ttyUSB0");
  EXPECT_EQ(port.ComNumber(), 2);  // kept for a later switch back
  EXPECT_EQ(device.MediaMode(), 8);
  EXPECT_EQ(model.Apply(1, tmAuto), kSelectionOk);
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_EQ(device.SelectedDevice(), kSimulatedLineName);
}

TEST_F(Selection, CancelAndBadIndexChangeNothing) {
  device.SetSelectedDevice("ttyUSB0");
  DeviceSelectionModel model(device, {1});
  EXPECT_EQ(model.Cancel(), kSelectionCancel);
  EXPECT_THROW(model.Apply(3), EBadArgument);
  EXPECT_THROW(model.Apply(-1), EBadArgument);
  EXPECT_EQ(device.SelectedDevice(), "ttyUSB0");
  EXPECT_EQ(port.TapiMode(), tmOn);
}

TEST_F(Selection, DirectToComWithoutPortIsNotAssigned) {
  TApdTapiDevice alone;
  alone.SetDevices({});
  DeviceSelectionModel model(alone, {1});
  try {
    model.Apply(0);
    ADD_FAILURE() << "no error";
  } catch (const EAPDException& e) {
    EXPECT_EQ(e.ErrorCode(), ecPortNotAssigned);
  }
}

TEST(DirectComNumber, ReadsTheNumberOfAnEntry) {
  EXPECT_EQ(DirectComNumber("Direct to COM7"), 7);
  EXPECT_EQ(DirectComNumber("Direct to COM 12"), 12);
  EXPECT_EQ(DirectComNumber("Direct to COM"), 0);
  EXPECT_EQ(DirectComNumber("Direct to COM0"), 0);
  EXPECT_EQ(DirectComNumber("Direct to COM70000"), 0);
  EXPECT_EQ(DirectComNumber("ttyS7"), 0);
}

}  // namespace
}  // namespace telvane
