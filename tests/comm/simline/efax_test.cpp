// efax, an independent Class 1 fax program, as the DTE on the line: it sends
// to the spandsp terminal, receives from it, and talks to a second efax
// through two modems; the line's faults show in what efax reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "comm/simline/sim_line.h"
#include "tests/comm/simline/simline_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// Eight times real time carries efax sessions reliably. efax divides by the
// whole seconds a page took, so a test page must take at least one second
// of wall-clock time: 128 dense rows are about 24 KB, 13 s on the line at
// 14400 bit/s.
constexpr double kPace = 8;
constexpr int kRows = 128;
constexpr double kEfaxSeconds = 60;

class SimLineEfax : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("efax")) GTEST_SKIP() << "efax is not installed";
    page_ = test::TestPage(kRows);
    ASSERT_TRUE(test::WritePbm(dir_.File("page.pbm"), page_));
    ASSERT_TRUE(test::WriteG3Tiff(dir_.File("page.tif"), page_, true));
  }

  SimLineConfig Config(SimLineConfig::FarEnd farEnd) {
    SimLineConfig c;
    c.farEnd = farEnd;
    c.pace = kPace;
    c.sendTiff = dir_.File("page.tif");
    c.receiveTiff = dir_.File("rx.tif");
    return c;
  }

  // efax sends the test page from side `side` of the line.
  int EfaxSend(const SimLine& line, const std::string& log, int side = 0) {
    return test::RunProgram({"efax", "-d", line.PtyPath(side), "-o1", "-v", "ewinchrmta", "-h", "", "-l",
                             "EFAX SENDER", "-t", "5550100", dir_.File("page.pbm")},
                            dir_.File(log), kEfaxSeconds);
  }
  // efax lets the modem answer on the second ring and receives into fax.001.
  int EfaxReceive(const SimLine& line, const std::string& log, int side = 0) {
    return test::RunProgram({"efax", "-d", line.PtyPath(side), "-o1", "-v", "ewinchrmta", "-iS0=2", "-w", "-l",
                             "EFAX RECEIVER", "-r", dir_.File("fax")},
                            dir_.File(log), kEfaxSeconds);
  }

  test::TempDir dir_;
  test::Raster page_;
};

TEST_F(SimLineEfax, EfaxSendsToTheTerminal) {
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::TerminalReceives)), 0) << line.Error();
  EXPECT_EQ(EfaxSend(line, "efax.log"), 0) << test::ReadFile(dir_.File("efax.log"));
  ASSERT_TRUE(line.WaitDone(10));
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_TRUE(call.answered);
  EXPECT_EQ(call.terminal.completionCode, 0) << call.terminal.completionText;
  EXPECT_EQ(call.terminal.pages, 1);
  EXPECT_EQ(call.terminal.bitRate, 14400);
  EXPECT_EQ(call.terminal.remoteIdent, "EFAX SENDER");
  int width = 0;
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif"), &width), page_));
  EXPECT_EQ(width, 1728);
}

TEST_F(SimLineEfax, TerminalSendsToEfax) {
  SimLineConfig config = Config(SimLineConfig::TerminalSends);
  config.stationId = "SPANDSP SENDER";
  SimLine line;
  ASSERT_EQ(line.Start(config), 0) << line.Error();
  EXPECT_EQ(EfaxReceive(line, "efax.log"), 0) << test::ReadFile(dir_.File("efax.log"));
  ASSERT_TRUE(line.WaitDone(10));
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_EQ(call.caller, 1);
  EXPECT_EQ(call.rings, 2);
  EXPECT_EQ(call.terminal.completionCode, 0) << call.terminal.completionText;
  EXPECT_EQ(call.terminal.pages, 1);
  EXPECT_EQ(call.terminal.remoteIdent, "EFAX RECEIVER");
  EXPECT_NE(test::ReadFile(dir_.File("efax.log")).find("SPANDSP SENDER"), std::string::npos);
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("fax.001")), page_));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("fax.002")));
}

TEST_F(SimLineEfax, EfaxToEfaxThroughTwoModems) {
  SimLine line;
  ASSERT_EQ(line.Start(Config(SimLineConfig::SecondModem)), 0);
  int received = -1;
  std::thread receiver([&] { received = EfaxReceive(line, "efax-rx.log", 1); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // efax sets auto-answer first
  EXPECT_EQ(EfaxSend(line, "efax-tx.log", 0), 0) << test::ReadFile(dir_.File("efax-tx.log"));
  receiver.join();
  EXPECT_EQ(received, 0) << test::ReadFile(dir_.File("efax-rx.log"));
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("fax.001")), page_));
  ASSERT_TRUE(line.WaitDone(5));
  EXPECT_TRUE(line.Result().calls.at(0).answered);
}

TEST_F(SimLineEfax, RefusedTrainingMakesEfaxStepDown) {
  SimLineConfig config = Config(SimLineConfig::TerminalReceives);
  config.refuseTrainingBps = 14400;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  EXPECT_EQ(EfaxSend(line, "efax.log"), 0);
  ASSERT_TRUE(line.WaitDone(10));
  const std::string log = test::ReadFile(dir_.File("efax.log"));
  EXPECT_NE(log.find("received FTT"), std::string::npos) << log;
  EXPECT_NE(log.find("channel not usable at 14400"), std::string::npos);
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_EQ(call.trainingsRefused, 1);
  EXPECT_EQ(call.terminal.fttSent, 1);
  EXPECT_EQ(call.terminal.bitRate, 12000);
  EXPECT_EQ(call.terminal.pages, 1);
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif")), page_));
}

TEST_F(SimLineEfax, TerminalsRefusedTrainingMakesItStepDown) {
  SimLineConfig config = Config(SimLineConfig::TerminalSends);
  config.refuseTrainingBps = 14400;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  EXPECT_EQ(EfaxReceive(line, "efax.log"), 0);
  ASSERT_TRUE(line.WaitDone(10));
  const std::string log = test::ReadFile(dir_.File("efax.log"));
  EXPECT_NE(log.find("sent FTT"), std::string::npos) << log;
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_EQ(call.terminal.fttReceived, 1);
  EXPECT_EQ(call.terminal.bitRate, 12000);
  EXPECT_EQ(call.terminal.pages, 1);
}

TEST_F(SimLineEfax, PeerRestrictedToV29SettlesAt9600) {
  SimLineConfig config = Config(SimLineConfig::TerminalReceives);
  config.peerModems = 2;  // T30_SUPPORT_V29
  SimLine sim;
  ASSERT_EQ(sim.Start(config), 0);
  EXPECT_EQ(EfaxSend(sim, "efax.log"), 0);
  ASSERT_TRUE(sim.WaitDone(10));
  EXPECT_EQ(sim.Result().calls.at(0).terminal.bitRate, 9600);
  // efax's own account of the session's speed.
  const std::string log = test::ReadFile(dir_.File("efax.log"));
  std::string line;  // the last "efax: TIME session ..." line
  std::istringstream lines(log);
  for (std::string l; std::getline(lines, l);)
    if (l.find(" session ") != std::string::npos && l.find("lpi") != std::string::npos) line = l;
  ASSERT_FALSE(line.empty()) << log;
  EXPECT_NE(line.find(" 9600bps"), std::string::npos) << line;
}

TEST_F(SimLineEfax, LineDroppedInMidPageGivesNoCarrier) {
  SimLineConfig config = Config(SimLineConfig::TerminalReceives);
  // Answer, tones and training take about 8 s of line time; the page 13 s.
  config.dropAfterSeconds = 14;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  EXPECT_NE(EfaxSend(line, "efax.log"), 0);
  ASSERT_TRUE(line.WaitDone(10));
  const std::string log = test::ReadFile(dir_.File("efax.log"));
  EXPECT_NE(log.find("NO CARRIER"), std::string::npos) << log;
  EXPECT_EQ(log.find("received MCF"), std::string::npos);
  const CallRecord call = line.Result().calls.at(0);
  EXPECT_TRUE(call.dropped);
  EXPECT_EQ(call.terminal.pages, 0);
  EXPECT_NE(call.terminal.completionCode, 0);
  EXPECT_NEAR(call.lineSeconds, 14, 0.1);
}

}  // namespace
}  // namespace telvane
