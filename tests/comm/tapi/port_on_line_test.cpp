// The port opened on a line's path: the path serves that open only, the
// port's own device choice stays, and a failed open or reopen forgets it.
#include <gtest/gtest.h>

#include <memory>

#include "comm/port/com_port.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "tests/support/comm/fake_serial_device.h"

namespace telvane {
namespace {

struct PortOnLine : ::testing::Test {
  std::shared_ptr<test::FakeLine> line = std::make_shared<test::FakeLine>();
  TApdComPort port{nullptr, test::FakeDeviceFactory(line)};
  void SetUp() override { port.SetComNumber(2); }
};

TEST_F(PortOnLine, LinePathServesOneOpenAndTheComNumberStays) {
  port.OpenOnLine("/dev/pts/7");
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(line->LastPath(), "/dev/pts/7");
  EXPECT_EQ(port.LinePath(), "/dev/pts/7");
  // Choosing another device while on the line does not move the port off it.
  port.SetComNumber(3);
  port.SetDevicePath("/dev/ttyUSB0");
  EXPECT_EQ(line->Opens(), 1);
  // A reopen for new buffer sizes stays on the line.
  port.SetInSize(2048);
  EXPECT_EQ(line->Opens(), 2);
  EXPECT_EQ(line->LastPath(), "/dev/pts/7");
  port.SetOpen(false);
  EXPECT_TRUE(port.LinePath().empty());
  EXPECT_EQ(port.DeviceName(), "/dev/ttyUSB0");
  port.SetDevicePath("");
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS2");
}

TEST_F(PortOnLine, OpenOnLineClosesADirectOpenFirst) {
  port.SetOpen(true);
  EXPECT_EQ(line->LastPath(), "/dev/ttyS1");
  port.OpenOnLine("/dev/pts/3");
  EXPECT_EQ(line->Opens(), 2);
  EXPECT_EQ(line->LastPath(), "/dev/pts/3");
  EXPECT_TRUE(port.Open());
}

TEST_F(PortOnLine, MissingPathIsNotOpenAndLeavesThePortAlone) {
  port.SetOpen(true);
  try {
    port.OpenOnLine("");
    FAIL() << "opened without a path";
  } catch (const EAPDException& e) {
    EXPECT_EQ(e.ErrorCode(), ecNotOpen);
  }
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(line->Opens(), 1);
}

TEST_F(PortOnLine, FailedOpenForgetsTheLinePath) {
  line->FailNextOpen(-5);
  EXPECT_THROW(port.OpenOnLine("/dev/pts/9"), EPortOpenError);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.LinePath().empty());
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS1");
}

TEST_F(PortOnLine, FailedReopenForgetsTheLinePath) {
  port.OpenOnLine("/dev/pts/9");
  line->FailNextOpen(-5);
  EXPECT_THROW(port.SetOutSize(1024), EPortOpenError);
  EXPECT_FALSE(port.Open());
  // The line's open has ended: a later open of the port is a direct one.
  EXPECT_TRUE(port.LinePath().empty());
  EXPECT_EQ(port.DeviceName(), "/dev/ttyS1");
  port.SetOpen(true);
  EXPECT_EQ(line->LastPath(), "/dev/ttyS1");
}

}  // namespace
}  // namespace telvane
