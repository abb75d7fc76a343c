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
#include <cstdlib>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "tests/support/apf_pages.h"
#include "faxdoc/apf_writer.h"
#include "comm/port/com_port.h"
#include "tools/modem_emulator/far_end.h"
#include "comm/fax/fax_receiver.h"
#include "comm/fax/fax_sender.h"
#include "comm/core/loop_dispatcher.h"
#include "comm/simline/sim_line.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_pages.h"

namespace telvane {
namespace {

using Clock = std::chrono::steady_clock;
using Rows = std::vector<std::vector<uint8_t>>;

constexpr int kLines = 120;

// Line time per real time. The DTE's own pauses are real time, so the line
// may run only as fast as the peer's T.30 timers still allow for them.
double Pace() {
  const char* v = std::getenv("TELVANE_SIM_PACE");
  return v ? std::atof(v) : 4.0;
}

double ReceivePace() {
  const char* v = std::getenv("TELVANE_SIM_PACE");
  return v ? std::atof(v) : 2.0;
}

// Line seconds from the answer to a point inside the second page of the
// drop test (found from the line's log of a full run).
constexpr double kDropInPageTwo = 45;

// Records the notifications; they run on the test's main loop.
struct Owner : IFaxOwner {
  std::vector<std::string> numbers;  // one fax of faxFile to each
  std::string faxFile;
  std::size_t next = 0;
  std::string receiveName;
  std::string acceptedId;
  std::vector<int> status, logs, errors, finishes;

  void FaxNext(std::string& phone, std::string& file, std::string& cover) override {
    cover.clear();
    if (next < numbers.size()) {
      phone = numbers[next++];
      file = faxFile;
    } else {
      phone.clear();
      file.clear();
    }
  }
  void FaxStatus(FaxStatusKind, int progress) override { status.push_back(progress); }
  void FaxLog(int code) override { logs.push_back(code); }
  void FaxName(std::string& name) override { name = receiveName; }
  void FaxAccept(const std::string& id, bool& ok) override {
    acceptedId = id;
    ok = true;
  }
  void FaxError(int code) override { errors.push_back(code); }
  void FaxFinish(int code) override { finishes.push_back(code); }
};

// Test page `n` (1-based): the second is the fine one.
Rows PageRows(int n, int width = kNormalWidth) { return emu::TestPageRasters(n, kLines, width); }
bool PageFine(int n) { return n == 2; }
// Our senders' third page is a wide one (2048 pixels).
constexpr int kWidePage = 3;

std::string WriteApf(const std::string& name, int pages, int widePage = 0) {
  ApfWriter w;
  EXPECT_EQ(w.Create(name), 0);
  for (int p = 1; p <= pages; ++p) {
    const bool wide = p == widePage;
    const int width = wide ? kWideWidth : kNormalWidth;
    EXPECT_EQ(w.BeginPage(PageFine(p), wide), 0);
    for (const auto& line : PageRows(p, width)) {
      auto coded = EncodeRasterLine(line.data(), width);
      EXPECT_EQ(w.AddLine(coded.data(), coded.size()), 0);
    }
    EXPECT_EQ(w.EndPage(), 0);
  }
  EXPECT_EQ(w.Finish("SENDER"), 0);
  return name;
}

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

// What our sender's page `p` looks like at the far end: the engine starts
// every page with eight white lines.
Rows SentRows(int p, int width = kNormalWidth) {
  Rows rows(8, std::vector<uint8_t>(width / 8, 0));
  for (auto& line : PageRows(p, width)) rows.push_back(line);
  return rows;
}

class Class1EndToEnd : public ::testing::Test {
 protected:
  SimLineConfig LineConfig(SimLineConfig::FarEnd far) {
    SimLineConfig c;
    c.farEnd = far;
    c.pace = Pace();
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
    if (std::getenv("TELVANE_E2E_TRACE")) std::printf("%s\n", Trace().c_str());
  }

  void StartLine(const SimLineConfig& c) {
    ASSERT_EQ(line.Start(c), 0) << line.Error();
    port.SetDevicePath(line.PtyPath(0));
    port.SetOutSize(16384);
    port.SetOpen(true);
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
    owner.faxFile = WriteApf(dir.File("out.apf"), pages, widePage);
    owner.numbers = {"5551234"};
    auto fax = std::make_unique<FaxSender>(port, owner, &main);
    Configure(*fax, "+1 555 0100");
    return fax;
  }

  std::unique_ptr<FaxReceiver> MakeReceiver() {
    owner.receiveName = dir.File("in.apf");
    auto fax = std::make_unique<FaxReceiver>(port, owner, &main);
    Configure(*fax, "+1 555 0199");
    fax->Session().answerOnRing = 1;
    fax->Session().oneFax = true;
    fax->Session().options = foExitOnError;
    return fax;
  }

  // Runs the main loop until the session finishes; false when it hangs.
  bool RunToFinish(int seconds) { return main.RunUntil([&] { return !owner.finishes.empty(); }, seconds * 1000); }

  std::string Trace() {
    std::string all = "errors:";
    for (int e : owner.errors) all += " " + std::to_string(e);
    all += "\nprogress:";
    for (int p : owner.status) all += " " + std::to_string(p);
    std::lock_guard<std::mutex> guard(logLock);
    return all + "\nline:\n" + lineLog;
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
  Owner owner;
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
};

// Test names carry the case's name rather than its bytes.
void PrintTo(const SpeedCase& sc, std::ostream* os) { *os << sc.name; }

class Class1SendSpeeds : public Class1EndToEnd, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Class1SendSpeeds, ThreePagesArriveRasterExactAtTheAgreedSpeed) {
  const SpeedCase& sc = GetParam();
  SimLineConfig c = LineConfig(SimLineConfig::TerminalReceives);
  c.peerModems = sc.peerModems;
  StartLine(c);
  auto fax = MakeSender(3, kWidePage);
  fax->Session().desiredBps = sc.desiredBps;
  fax->Start();
  ASSERT_TRUE(RunToFinish(150)) << Trace();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
  ASSERT_TRUE(line.WaitDone(20)) << Trace();

  const SimLineResult r = line.Result();
  ASSERT_EQ(r.calls.size(), 1u);
  const TerminalResult& t = r.calls[0].terminal;
  EXPECT_EQ(t.completionCode, 0) << t.completionText;
  EXPECT_EQ(t.pages, 3);
  EXPECT_EQ(Trimmed(t.remoteIdent), "+1 555 0100");
  EXPECT_EQ(t.bitRate, sc.expectedBps);
  EXPECT_EQ(fax->Session().class1.bps, sc.expectedBps);
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

INSTANTIATE_TEST_SUITE_P(
    Speeds, Class1SendSpeeds,
    ::testing::Values(SpeedCase{"V17_14400", T30_SUPPORT_V17 | T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 14400},
                      SpeedCase{"V29_9600", T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 9600},
                      SpeedCase{"V27_4800", T30_SUPPORT_V27TER, 14400, 4800},
                      SpeedCase{"Desired12000", 0, 12000, 12000},
                      SpeedCase{"Desired7200", 0, 7200, 7200}),
    [](const auto& info) { return std::string(info.param.name); });

// spandsp's sending terminal to our receiver.
class Class1ReceiveSpeeds : public Class1EndToEnd, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Class1ReceiveSpeeds, ThreeTiffPagesArriveInTheApfFile) {
  const SpeedCase& sc = GetParam();
  SimLineConfig c = LineConfig(SimLineConfig::TerminalSends);
  c.peerModems = sc.peerModems;
  c.pace = ReceivePace();
  c.sendTiff = WriteTiff(dir.File("terminal-out.tif"), 3);
  auto fax = MakeReceiver();
  fax->Session().desiredBps = sc.desiredBps;
  StartLine(c);
  ASSERT_EQ(fax->Start(), 0) << Trace();
  ASSERT_TRUE(RunToFinish(150)) << Trace();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
  ASSERT_TRUE(line.WaitDone(20)) << Trace();

  const SimLineResult r = line.Result();
  ASSERT_EQ(r.calls.size(), 1u);
  const TerminalResult& t = r.calls[0].terminal;
  EXPECT_EQ(t.completionCode, 0) << t.completionText;
  EXPECT_EQ(t.pages, 3);
  EXPECT_EQ(Trimmed(t.remoteIdent), "+1 555 0199");
  EXPECT_EQ(t.bitRate, sc.expectedBps);
  EXPECT_EQ(fax->Session().class1.bps, sc.expectedBps);
  EXPECT_EQ(owner.acceptedId, "SPANDSP TERMINAL");

  const std::string& file = owner.receiveName;
  const auto got = test::ReadApfPages(file);
  ASSERT_EQ(got.size(), 3u);
  for (int p = 1; p <= 3; ++p) {
    ApfPageHeader page;
    ASSERT_EQ(GetPageHeader(file, p, page), 0);
    EXPECT_EQ((page.PageFlags & pfHighRes) != 0, PageFine(p)) << "page " << p;
    EXPECT_TRUE(got[p - 1] == PageRows(p)) << "page " << p << " differs: " << got[p - 1].size() << " lines";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, Class1ReceiveSpeeds,
    ::testing::Values(SpeedCase{"V17_14400", T30_SUPPORT_V17 | T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 14400},
                      SpeedCase{"V29_9600", T30_SUPPORT_V29 | T30_SUPPORT_V27TER, 14400, 9600},
                      SpeedCase{"V27_4800", T30_SUPPORT_V27TER, 14400, 4800}),
    [](const auto& info) { return std::string(info.param.name); });

// Our sender to our receiver over two emulated modems back to back.
TEST_F(Class1EndToEnd, OurSenderToOurReceiverOverTwoModems) {
  SimLineConfig c = LineConfig(SimLineConfig::SecondModem);
  c.pace = ReceivePace();
  StartLine(c);
  TApdComPort receivePort{&main};
  receivePort.SetDevicePath(line.PtyPath(1));
  receivePort.SetOutSize(16384);
  receivePort.SetOpen(true);

  Owner receiving;
  receiving.receiveName = dir.File("in.apf");
  FaxReceiver receiver(receivePort, receiving, &main);
  Configure(receiver, "+1 555 0199");
  receiver.Session().answerOnRing = 1;
  receiver.Session().oneFax = true;
  receiver.Session().options = foExitOnError;
  ASSERT_EQ(receiver.Start(), 0) << Trace();
  ASSERT_TRUE(main.RunUntil([&] { return receiver.State() == rfWaitForCall; }, 10000)) << Trace();

  auto sender = MakeSender(3);
  sender->Start();
  ASSERT_TRUE(main.RunUntil([&] { return !owner.finishes.empty() && !receiving.finishes.empty(); }, 200000))
      << Trace();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
  EXPECT_EQ(receiving.finishes, std::vector<int>{0}) << Trace();
  EXPECT_EQ(receiving.acceptedId, "+1 555 0100");
  EXPECT_EQ(sender->Session().remoteId, "+1 555 0199");
  EXPECT_EQ(sender->Session().class1.bps, receiver.Session().class1.bps);
  EXPECT_EQ(receiver.Session().class1.bps, 14400);

  const auto got = test::ReadApfPages(receiving.receiveName);
  ASSERT_EQ(got.size(), 3u);
  for (int p = 1; p <= 3; ++p) {
    ApfPageHeader page;
    ASSERT_EQ(GetPageHeader(receiving.receiveName, p, page), 0);
    EXPECT_EQ((page.PageFlags & pfHighRes) != 0, PageFine(p)) << "page " << p;
    EXPECT_TRUE(got[p - 1] == SentRows(p)) << "page " << p << " differs";
  }
  receivePort.SetOpen(false);
}

// A line that goes dead while the terminal sends its second page: the
// session ends with an error and a hang-up, and the first page stays.
TEST_F(Class1EndToEnd, LineDroppedInMidPageKeepsTheConfirmedPages) {
  SimLineConfig c = LineConfig(SimLineConfig::TerminalSends);
  c.pace = ReceivePace();
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
  std::vector<int> states;
  fax->Start();
  ASSERT_TRUE(RunToFinish(150)) << Trace();
  EXPECT_EQ(owner.finishes, std::vector<int>{0}) << Trace();
  ASSERT_TRUE(line.WaitDone(20));
  EXPECT_TRUE(LineSaw("training check at 14400 bit/s refused")) << Trace();
  const TerminalResult t = line.Result().calls.at(0).terminal;
  EXPECT_GE(t.fttSent, 1);
  EXPECT_EQ(t.bitRate, 12000);
  EXPECT_EQ(fax->Session().class1.bps, 12000);
  EXPECT_EQ(t.pages, 1);
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
