// Two spandsp terminals through the line, unpaced: a whole call in a
// fraction of a second. What the line reports, the restriction of the
// peer's modems, refused training, noise and the dropped line; and the
// configurations the line refuses.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <limits>

#include "comm/simline/sim_line.h"
#include "tests/comm/simline/simline_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class SimLineTerminals : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = test::TestPage(64);
    ASSERT_TRUE(test::WriteG3Tiff(dir_.File("page.tif"), page_, false));
  }
  SimLineConfig Config() {
    SimLineConfig c;
    c.farEnd = SimLineConfig::TerminalToTerminal;
    c.pace = 0;
    c.sendTiff = dir_.File("page.tif");
    c.receiveTiff = dir_.File("rx.tif");
    return c;
  }
  CallRecord Run(const SimLineConfig& config) {
    SimLine line;
    EXPECT_EQ(line.Start(config), 0) << line.Error();
    EXPECT_TRUE(line.WaitDone(30));
    line.Stop();
    const auto calls = line.Result().calls;
    return calls.empty() ? CallRecord{} : calls.front();
  }
  test::TempDir dir_;
  test::Raster page_;
};

TEST_F(SimLineTerminals, OnePageArrivesIntactAndBothEndsAgree) {
  const CallRecord call = Run(Config());
  EXPECT_TRUE(call.answered);
  EXPECT_EQ(call.sender.completionCode, 0) << call.sender.completionText;
  EXPECT_EQ(call.terminal.completionCode, 0) << call.terminal.completionText;
  EXPECT_EQ(call.sender.pages, 1);
  EXPECT_EQ(call.terminal.pages, 1);
  EXPECT_EQ(call.sender.bitRate, 14400);
  EXPECT_EQ(call.terminal.bitRate, 14400);
  EXPECT_EQ(call.terminal.remoteIdent, "SIMULATED SENDER");
  EXPECT_EQ(call.sender.remoteIdent, "SIMULATED LINE");
  EXPECT_GT(call.lineSeconds, 5);  // the protocol's own tones and timers
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif")), page_));
}

TEST_F(SimLineTerminals, ThreePagesArriveInOrder) {
  const std::vector<test::Raster> pages = {test::TestPage(40), test::TestPage(56), test::TestPage(24)};
  ASSERT_TRUE(test::WriteG3Tiff(dir_.File("pages.tif"), pages, true));
  SimLineConfig config = Config();
  config.sendTiff = dir_.File("pages.tif");
  const CallRecord call = Run(config);
  EXPECT_EQ(call.sender.pages, 3);
  EXPECT_EQ(call.terminal.pages, 3);
  EXPECT_EQ(call.terminal.completionCode, 0) << call.terminal.completionText;
  ASSERT_EQ(test::TiffPageCount(dir_.File("rx.tif")), 3);
  for (int p = 0; p < 3; ++p)
    EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif"), nullptr, p), pages[p])) << "page " << p;
}

struct ModemCase {
  unsigned modems;
  int bitRate;
};
class SimLinePeerModems : public SimLineTerminals, public ::testing::WithParamInterface<ModemCase> {};

TEST_P(SimLinePeerModems, RestrictedPeerSettlesAtItsFastestModem) {
  SimLineConfig config = Config();
  config.peerModems = GetParam().modems;
  const CallRecord call = Run(config);
  EXPECT_EQ(call.terminal.completionCode, 0) << call.terminal.completionText;
  EXPECT_EQ(call.terminal.bitRate, GetParam().bitRate);
  EXPECT_EQ(call.sender.bitRate, GetParam().bitRate);
  EXPECT_EQ(call.terminal.pages, 1);
}

INSTANTIATE_TEST_SUITE_P(Modems, SimLinePeerModems,
                         ::testing::Values(ModemCase{4, 14400}, ModemCase{2, 9600}, ModemCase{1, 4800}),
                         [](const auto& info) { return "bps" + std::to_string(info.param.bitRate); });

TEST_F(SimLineTerminals, RefusedTrainingStepsTheSenderDown) {
  SimLineConfig config = Config();
  config.refuseTrainingBps = 14400;
  const CallRecord call = Run(config);
  EXPECT_EQ(call.trainingsRefused, 1);
  EXPECT_EQ(call.sender.fttReceived, 1);
  EXPECT_EQ(call.terminal.fttSent, 1);
  EXPECT_EQ(call.terminal.bitRate, 12000);
  EXPECT_EQ(call.terminal.pages, 1);
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif")), page_));
}

TEST_F(SimLineTerminals, RefusingASpeedNobodyUsesChangesNothing) {
  SimLineConfig config = Config();
  config.refuseTrainingBps = 2400;
  const CallRecord call = Run(config);
  EXPECT_EQ(call.trainingsRefused, 0);
  EXPECT_EQ(call.terminal.bitRate, 14400);
  EXPECT_EQ(call.terminal.pages, 1);
}

TEST_F(SimLineTerminals, QuietNoiseIsHarmlessLoudNoiseBreaksTheCall) {
  SimLineConfig config = Config();
  config.noiseDbm0 = -60;
  const CallRecord quiet = Run(config);
  EXPECT_EQ(quiet.terminal.completionCode, 0) << quiet.terminal.completionText;
  EXPECT_EQ(quiet.terminal.pages, 1);
  // Frames drown in the noise; the terminals never give up by themselves.
  config.noiseDbm0 = -20;
  config.maxCallSeconds = 120;
  const CallRecord loud = Run(config);
  EXPECT_TRUE(loud.timedOut);
  EXPECT_NE(loud.sender.completionCode, 0);
  EXPECT_EQ(loud.terminal.pages, 0);
}

TEST_F(SimLineTerminals, LineDroppedInMidPage) {
  // Three times the rows: the page alone takes longer than the drop time.
  ASSERT_TRUE(test::WriteG3Tiff(dir_.File("page.tif"), test::TestPage(192), false));
  SimLineConfig config = Config();
  config.dropAfterSeconds = 10;
  const CallRecord call = Run(config);
  EXPECT_TRUE(call.dropped);
  EXPECT_NEAR(call.lineSeconds, 10, 0.05);
  EXPECT_EQ(call.terminal.pages, 0);
  EXPECT_EQ(call.sender.pages, 0);
  EXPECT_NE(call.sender.completionCode, 0);
}

// The drop comes due in the very block in which the finished terminals'
// hang-up ends the call: one call, recorded once.
TEST_F(SimLineTerminals, DropDueAsTheCallEndsRecordsTheCallOnce) {
  const CallRecord first = Run(Config());
  ASSERT_GT(first.lineSeconds, 0);
  SimLineConfig config = Config();
  config.dropAfterSeconds = first.lineSeconds;  // a whole number of blocks
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  ASSERT_TRUE(line.WaitDone(30));
  line.Stop();
  const auto calls = line.Result().calls;
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].terminal.pages, 1);
}

TEST_F(SimLineTerminals, SeveralCallsReceiveIntoNumberedFiles) {
  SimLineConfig config = Config();
  config.calls = 2;
  config.callDelaySeconds = 0.5;
  SimLine line;
  ASSERT_EQ(line.Start(config), 0);
  ASSERT_TRUE(line.WaitDone(30));
  EXPECT_EQ(line.Result().calls.size(), 2u);
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx.tif")), page_));
  EXPECT_TRUE(test::SamePageAtBottom(test::ReadTiff(dir_.File("rx-2.tif")), page_));
}

TEST_F(SimLineTerminals, ConfigurationsThatCannotWorkAreRefused) {
  SimLine line;
  SimLineConfig c = Config();
  c.farEnd = SimLineConfig::TerminalReceives;  // a DTE cannot keep up with an unpaced line
  EXPECT_EQ(line.Start(c), -EINVAL);
  EXPECT_FALSE(line.Error().empty());
  c = Config();
  c.sendTiff = dir_.File("missing.tif");
  EXPECT_EQ(line.Start(c), -ENOENT);
  c = Config();
  c.sendTiff.clear();
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.refuseTrainingBps = 9000;
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.peerModems = 8;  // V.34 is not offered
  EXPECT_EQ(line.Start(c), -EINVAL);
  // Numbers that pass no comparison, or are no time at all.
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  c = Config();
  c.noiseDbm0 = nan;
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.callDelaySeconds = nan;
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.callDelaySeconds = -1;
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.pace = inf;
  EXPECT_EQ(line.Start(c), -EINVAL);
  c = Config();
  c.dropAfterSeconds = nan;
  EXPECT_EQ(line.Start(c), -EINVAL);
  EXPECT_TRUE(line.PtyPath(0).empty());
}

TEST_F(SimLineTerminals, AnUnreadableTiffEndsTheCallWithAFileError) {
  test::WriteAll(dir_.File("bad.tif"), "this is not a TIFF file");
  SimLineConfig config = Config();
  config.sendTiff = dir_.File("bad.tif");
  const CallRecord call = Run(config);
  EXPECT_NE(call.sender.completionCode, 0);
  EXPECT_EQ(call.terminal.pages, 0);
}

}  // namespace
}  // namespace telvane
