// The Class 1 machines end to end through the simulated fax line: whole T.30
// sessions against spandsp's fax terminal (an independent T.30
// implementation) and between our own sender and receiver over two emulated
// modems back to back, on real pseudo-terminals, threads and clocks. Pages
// are compared raster for raster through libtiff and the APF reader; the
// speed each end reports must agree.
#include <gtest/gtest.h>

#include <spandsp.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "comm/port/com_port.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/core/loop_dispatcher.h"
#include "comm/simline/sim_line.h"
#include "tests/comm/simline/simline_test_util.h"
#include "tests/support/comm/e2e_pages.h"
#include "tests/support/comm/recording_owner.h"
#include "tests/support/comm/sim_pace.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_pages.h"

namespace telvane {
namespace {

using Clock = std::chrono::steady_clock;
using test::PageFine;
using test::PageRows;
using test::SentRows;

// Line seconds from the answer to a point inside the second page of the
// drop test (found from the line's log of a full run).
constexpr double kDropInPageTwo = 45;

// Our senders' third page is a wide one (2048 pixels).
constexpr int kWidePage = 3;

std::string WriteTiff(const std::string& name, int pages) {
  std::vector<test::TiffPage> tiff;
  for (int p = 1; p <= pages; ++p) tiff.push_back({kNormalWidth, PageFine(p), PageRows(p)});
  std::string error;
  EXPECT_TRUE(test::WriteTiffPages(name, tiff, &error)) << error;
  return name;
}

// spandsp keeps the blanks that pad an ID frame to 20 characters.
std::string Trimmed(std::string id) {
  while (!id.empty() && id.back() == ' ') id.pop_back();
  return id;
}

class Class1EndToEnd : public ::testing::Test {
 protected:
  SimLineConfig LineConfig(SimLineConfig::FarEnd far) {
    SimLineConfig c;
    c.farEnd = far;
    c.pace = test::SendPace();
    c.receiveTiff = dir.File("terminal-in.tif");
    c.stationId = "SPANDSP TERMINAL";
    c.log = [this](const std::string& text) {
      std::lock_guard<std::mutex> guard(logLock);
      const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
      lineLog += std::to_string(seconds).substr(0, 6) + " " + text + "\n";
    };
    return c;
  }

  // TELVANE_E2E_TRACE=1 prints every test's notifications and line log.
  void TearDown() override {
    if (test::TraceWanted()) std::printf("%s\n", Trace().c_str());
  }

  void StartLine(const SimLineConfig& c) {
    ASSERT_EQ(line.Start(c), 0) << line.Error();
    OpenPort(port, 0);
  }
  // Opens `p` on the line's modem `modem` (0 the calling one).
  void OpenPort(TApdComPort& p, int modem) {
    p.SetDevicePath(line.PtyPath(modem));
    p.SetOutSize(16384);
    p.SetOpen(true);
  }

  void Configure(FaxEngine& engine, const std::string& stationId) {
    engine.SetYield([this] { main.RunPending(); });
    FaxSession& s = engine.Session();
    s.faxClass = fcClass1;
    s.SetStationId(stationId);
    s.desiredBps = 14400;
  }

  // A sender of `pages` pages of the test file to one number.
  std::unique_ptr<FaxSender> MakeSender(int pages, int widePage = 0) {
    owner.faxes = {{"5551234", test::WriteTestPagesApf(dir.File("out.apf"), pages, widePage), ""}};
    auto fax = std::make_unique<FaxSender>(port, owner, &main);
    Configure(*fax, "+1 555 0100");
    return fax;
  }

  // A receiver of one fax into in.apf (by default on the test's port, for its owner).
  std::unique_ptr<FaxReceiver> MakeReceiver() { return MakeReceiver(port, owner); }
  std::unique_ptr<FaxReceiver> MakeReceiver(TApdComPort& onPort, test::RecordingOwner& by) {
    by.receiveName = dir.File("in.apf");
    auto fax = std::make_unique<FaxReceiver>(onPort, by, &main);
    Configure(*fax, "+1 555 0199");
    fax->Session().answerOnRing = 1;
    fax->Session().oneFax = true;
    fax->Session().options = foExitOnError;
    return fax;
  }

  // Runs the main loop until the session finishes; false when it hangs.
  bool RunToFinish(int seconds) { return main.RunUntil([&] { return !owner.finishes.empty(); }, seconds * 1000); }

  std::string Trace() {
    std::lock_guard<std::mutex> guard(logLock);
    return owner.Summary() + "line:\n" + lineLog;
  }

  // The session ends well, and with it the line's one call: `pages` pages
  // at `bps` for the terminal, which saw our station id `ourId`, and the
  // same speed and coding for our engine: two-dimensional unless the
  // terminal was held to one-dimensional.
  void ExpectCall(const FaxEngine& fax, int pages, int bps, const std::string& ourId, bool peerMhOnly = false) {
    ASSERT_TRUE(RunToFinish(150)) << Trace();
    EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
    ASSERT_TRUE(line.WaitDone(20)) << Trace();
    const SimLineResult r = line.Result();
    ASSERT_EQ(r.calls.size(), 1u);
    const TerminalResult& t = r.calls[0].terminal;
    EXPECT_EQ(t.completionCode, 0) << t.completionText;
    EXPECT_EQ(t.pages, pages);
    EXPECT_EQ(Trimmed(t.remoteIdent), ourId);
    EXPECT_EQ(t.bitRate, bps);
    EXPECT_EQ(fax.Session().class1.bps, bps);
    EXPECT_EQ(t.encoding, peerMhOnly ? T4_COMPRESSION_ITU_T4_1D : T4_COMPRESSION_ITU_T4_2D);
    EXPECT_EQ(fax.Session().class1.twoDim, !peerMhOnly);
    EXPECT_EQ(t.badRows, 0);
  }

  bool LineSaw(const std::string& text) {
    std::lock_guard<std::mutex> guard(logLock);
    return lineLog.find(text) != std::string::npos;
  }

  // The terminal's pages (received into its TIFF file).
  std::vector<test::TiffPage> TerminalPages() {
    std::string error;
    auto pages = test::ReadTiffPages(dir.File("terminal-in.tif"), &error);
    EXPECT_FALSE(pages.empty()) << error;
    return pages;
  }

  test::TempDir dir;
  LoopDispatcher main;
  TApdComPort port{&main};
  test::RecordingOwner owner;
  SimLine line;
  const Clock::time_point started = Clock::now();
  std::mutex logLock;
  std::string lineLog;
};

// Our sender to spandsp's receiving terminal, at the speed a restriction of
// the terminal's modems or our DesiredBPS leaves.
struct SpeedCase {
  const char* name;
  unsigned peerModems;
  int desiredBps;
  int expectedBps;
  bool peerMhOnly = false;  // the terminal codes and takes one-dimensional pages only
};

// Test names carry the case's name rather than its bytes.
void PrintTo(const SpeedCase& sc, std::ostream* os) { *os << sc.name; }
std::string CaseName(const ::testing::TestParamInfo<SpeedCase>& info) { return info.param.name; }

const SpeedCase kSpeeds[] = {
    // The terminal's modems restricted.
    {"V17_14400", T30_SUPPORT_V17 | T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 14400},
    {"V29_9600", T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 9600},
    {"V27_4800", T30_SUPPORT_V27TER, 14400, 4800},
    {"OneDimOnly", 0, 14400, 14400, true},
    // Our desired speed lower.
    {"Desired12000", 0, 12000, 12000},
    {"Desired7200", 0, 7200, 7200},
};
const SpeedCase* const kPeerRestrictions = kSpeeds + 4;  // the end of the first kind

class Class1SendSpeeds : public Class1EndToEnd, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Class1SendSpeeds, ThreePagesArriveRasterExactAtTheAgreedSpeed) {
  const SpeedCase& sc = GetParam();
  SimLineConfig c = LineConfig(SimLineConfig::TerminalReceives);
  c.peerModems = sc.peerModems;
  c.peerMhOnly = sc.peerMhOnly;
  StartLine(c);
  auto fax = MakeSender(3, kWidePage);
  fax->Session().desiredBps = sc.desiredBps;
  fax->Start();
  ASSERT_NO_FATAL_FAILURE(ExpectCall(*fax, 3, sc.expectedBps, "+1 555 0100", sc.peerMhOnly));
  EXPECT_EQ(fax->Session().remoteId, "SPANDSP TERMINAL");

  const auto pages = TerminalPages();
  ASSERT_EQ(pages.size(), 3u);
  for (int p = 1; p <= 3; ++p) {
    EXPECT_EQ(pages[p - 1].fine, PageFine(p)) << "page " << p;
    const int width = p == kWidePage ? kWideWidth : kNormalWidth;
    EXPECT_EQ(pages[p - 1].width, width) << "page " << p;
    EXPECT_TRUE(pages[p - 1].rows == SentRows(p, width)) << "page " << p << " differs: " << pages[p - 1].rows.size()
                                                  << " rows";
  }
}

INSTANTIATE_TEST_SUITE_P(Speeds, Class1SendSpeeds, ::testing::ValuesIn(kSpeeds), CaseName);

// spandsp's sending terminal to our receiver.
class Class1ReceiveSpeeds : public Class1EndToEnd, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Class1ReceiveSpeeds, ThreeTiffPagesArriveInTheApfFile) {
  const SpeedCase& sc = GetParam();
  SimLineConfig c = LineConfig(SimLineConfig::TerminalSends);
  c.peerModems = sc.peerModems;
  c.peerMhOnly = sc.peerMhOnly;
  c.pace = test::ReceivePace();
  c.sendTiff = WriteTiff(dir.File("terminal-out.tif"), 3);
  auto fax = MakeReceiver();
  fax->Session().desiredBps = sc.desiredBps;
  StartLine(c);
  ASSERT_EQ(fax->Start(), 0) << Trace();
  ASSERT_NO_FATAL_FAILURE(ExpectCall(*fax, 3, sc.expectedBps, "+1 555 0199", sc.peerMhOnly));
  EXPECT_EQ(owner.acceptedId, "SPANDSP TERMINAL");

  test::ExpectApfPages(owner.receiveName, {PageRows(1), PageRows(2), PageRows(3)});
}

// The terminal's restrictions only: our desired speed is the caller's to heed.
INSTANTIATE_TEST_SUITE_P(Speeds, Class1ReceiveSpeeds, ::testing::ValuesIn(kSpeeds, kPeerRestrictions), CaseName);

// Our sender to our receiver over two emulated modems back to back.
TEST_F(Class1EndToEnd, OurSenderToOurReceiverOverTwoModems) {
  SimLineConfig c = LineConfig(SimLineConfig::SecondModem);
  c.pace = test::ReceivePace();
  StartLine(c);
  TApdComPort receivePort{&main};
  OpenPort(receivePort, 1);
  test::RecordingOwner receiving;
  auto receiver = MakeReceiver(receivePort, receiving);
  ASSERT_EQ(receiver->Start(), 0) << Trace();
  ASSERT_TRUE(main.RunUntil([&] { return receiver->State() == rfWaitForCall; }, 10000)) << Trace();

  auto sender = MakeSender(3);
  sender->Start();
  ASSERT_TRUE(main.RunUntil([&] { return !owner.finishes.empty() && !receiving.finishes.empty(); }, 200000))
      << Trace();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
  EXPECT_EQ(receiving.finishes, std::vector<int>{0}) << Trace();
  EXPECT_EQ(receiving.acceptedId, "+1 555 0100");
  EXPECT_EQ(sender->Session().remoteId, "+1 555 0199");
  EXPECT_EQ(sender->Session().class1.bps, receiver->Session().class1.bps);
  EXPECT_EQ(receiver->Session().class1.bps, 14400);
  EXPECT_TRUE(sender->Session().class1.twoDim);
  EXPECT_TRUE(receiver->Session().class1.twoDim);
  test::ExpectApfPages(receiving.receiveName, {SentRows(1), SentRows(2), SentRows(3)});
  receivePort.SetOpen(false);
}

// efax, an independent Class 1 program that codes and takes one-dimensional
// pages only, at the other modem: our sender to it and it to our receiver.
class Class1WithEfax : public Class1EndToEnd {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("efax")) GTEST_SKIP() << "efax is not installed";
    SimLineConfig c = LineConfig(SimLineConfig::SecondModem);
    c.pace = test::ReceivePace();
    StartLine(c);
  }
  int RunEfax(std::vector<std::string> args) {
    std::vector<std::string> argv = {"efax", "-d", line.PtyPath(1), "-o1", "-v", "ewinchrmta", "-l", "EFAX"};
    argv.insert(argv.end(), args.begin(), args.end());
    return test::RunProgram(argv, dir.File("efax.log"), 90);
  }
  std::string EfaxLog() { return test::ReadFile(dir.File("efax.log")); }
  // efax with `args` beside our session, which `startOurs` starts once efax
  // has had `headStartMs`; both must end well.
  void RunBesideEfax(std::vector<std::string> args, int headStartMs, const std::function<void()>& startOurs) {
    int efax = -1;
    std::thread other([&] { efax = RunEfax(args); });
    std::this_thread::sleep_for(std::chrono::milliseconds(headStartMs));
    startOurs();
    const bool finished = RunToFinish(150);
    other.join();
    ASSERT_TRUE(finished) << Trace();
    EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
    EXPECT_EQ(efax, 0) << EfaxLog();
  }
};

TEST_F(Class1WithEfax, OurSenderToEfaxGoesOneDimensional) {
  auto fax = MakeSender(1);
  // efax sets auto-answer first.
  ASSERT_NO_FATAL_FAILURE(RunBesideEfax({"-iS0=1", "-w", "-r", dir.File("fax")}, 500, [&] { fax->Start(); }));
  EXPECT_FALSE(fax->Session().class1.twoDim);
  EXPECT_EQ(fax->Session().remoteId, "EFAX");
  EXPECT_TRUE(test::ReadTiff(dir.File("fax.001")) == SentRows(1)) << EfaxLog();
}

TEST_F(Class1WithEfax, EfaxToOurReceiver) {
  const test::Raster page = test::TestPage(64);
  ASSERT_TRUE(test::WritePbm(dir.File("page.pbm"), page));
  auto fax = MakeReceiver();
  ASSERT_EQ(fax->Start(), 0) << Trace();
  ASSERT_TRUE(main.RunUntil([&] { return fax->State() == rfWaitForCall; }, 10000)) << Trace();
  ASSERT_NO_FATAL_FAILURE(RunBesideEfax({"-h", "", "-t", "5550100", dir.File("page.pbm")}, 0, [] {}));
  EXPECT_FALSE(fax->Session().class1.twoDim);
  EXPECT_EQ(owner.acceptedId, "EFAX");
  const auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(test::SamePageAtBottom(got[0], page));
}

// A line that goes dead while the terminal sends its second page: the
// session ends with an error and a hang-up, and the first page stays.
TEST_F(Class1EndToEnd, LineDroppedInMidPageKeepsTheConfirmedPages) {
  SimLineConfig c = LineConfig(SimLineConfig::TerminalSends);
  c.pace = test::ReceivePace();
  c.peerModems = T30_SUPPORT_V27TER;
  // A short first page, a long second one: at 4800 bit/s its data takes
  // about half a minute, so the drop lands inside it.
  std::vector<test::TiffPage> tiff;
  tiff.push_back({kNormalWidth, false, PageRows(1)});
  tiff.push_back({kNormalWidth, false, emu::TestPageRasters(3, 2400)});
  std::string error;
  c.sendTiff = dir.File("terminal-out.tif");
  ASSERT_TRUE(test::WriteTiffPages(c.sendTiff, tiff, &error)) << error;
  c.dropAfterSeconds = kDropInPageTwo;
  auto fax = MakeReceiver();
  StartLine(c);
  ASSERT_EQ(fax->Start(), 0) << Trace();
  ASSERT_TRUE(RunToFinish(150)) << Trace();
  ASSERT_EQ(owner.finishes.size(), 1u);
  EXPECT_NE(owner.finishes[0], 0) << Trace();
  EXPECT_FALSE(owner.errors.empty());
  EXPECT_TRUE(LineSaw("A: ATH")) << Trace();
  ASSERT_TRUE(LineSaw("line dropped")) << Trace();

  const auto got = test::ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), 1u) << Trace();
  EXPECT_TRUE(got[0] == PageRows(1));
}

// A training check refused at 14400 bit/s: the sender steps down to 12000,
// trains again and sends at that speed.
TEST_F(Class1EndToEnd, RefusedTrainingStepsTheSpeedDown) {
  SimLineConfig c = LineConfig(SimLineConfig::TerminalReceives);
  c.refuseTrainingBps = 14400;
  StartLine(c);
  auto fax = MakeSender(1);
  fax->Start();
  ASSERT_NO_FATAL_FAILURE(ExpectCall(*fax, 1, 12000, "+1 555 0100"));
  EXPECT_TRUE(LineSaw("training check at 14400 bit/s refused")) << Trace();
  EXPECT_GE(line.Result().calls.at(0).terminal.fttSent, 1);
}

// Nobody answers: NO CARRIER after the modem's wait, an error, no hang.
TEST_F(Class1EndToEnd, PeerThatNeverAnswersEndsTheCall) {
  SimLineConfig c = LineConfig(SimLineConfig::TerminalReceives);
  c.neverAnswer = true;
  StartLine(c);
  auto fax = MakeSender(1);
  fax->Session().dialAttempts = 1;
  fax->Start();
  ASSERT_TRUE(RunToFinish(150)) << Trace();
  ASSERT_EQ(owner.finishes.size(), 1u);
  EXPECT_NE(owner.finishes[0], 0);
  EXPECT_EQ(owner.errors, std::vector<int>{ecFaxNoCarrier}) << Trace();
  EXPECT_TRUE(LineSaw("no answer within S7")) << Trace();
}

}  // namespace
}  // namespace telvane
