// telvane-fax send and receive on a faulty simulated line (telvane-fax-line
// with its faults; spandsp's fax terminal, an independent T.30
// implementation, or a second modem at the far end): the exit status, the
// message, the history lines, the pages that arrive or are kept, and the
// seconds from the fault to the program's hang-up and exit. And the exit
// status and message of each end reason, without a call.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/page_lines.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/apf_pages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_pages.h"
#include "tests/tool/fax_e2e/tool_process.h"
#include "tools/fax_tool/exit_codes.h"
#include "tools/modem_emulator/far_end.h"

namespace telvane::test {
namespace {

using cli::FaxOutcome;

TEST(ToolEndReason, TheFarEndAndTheLineMakeAFailedCallWhateverTheCode) {
  struct Row {
    FaxOutcome outcome;
    int status;
    const char* text;
  } rows[] = {
      {{ecCancelRequested, false, EndReason::UserCancel}, cli::kExitCancelled, "Cancel requested (-6005)"},
      {{ecCancelRequested, false, EndReason::RemoteHangUp}, cli::kExitSession, "the far end hung up (it sent DCN)"},
      {{ecFaxSessionError, false, EndReason::CarrierLost}, cli::kExitSession, "the line was lost (no carrier)"},
      {{ecFaxSessionError, false, EndReason::PortHangUp}, cli::kExitSession, "the line was lost (the port hung up)"},
      {{ecFatalTimeout, false, EndReason::PoorLine}, cli::kExitSession, "the line was too poor"},
      {{ecFaxNoAnswer, false, EndReason::Failed}, cli::kExitNoConnection, "Remote fax did not answer (-8074)"},
      {{-EIO, true, EndReason::PortHangUp}, cli::kExitDevice, ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(cli::ExitCodeForOutcome(r.outcome), r.status) << r.text;
    EXPECT_NE(cli::OutcomeText(r.outcome).find(r.text), std::string::npos) << cli::OutcomeText(r.outcome);
  }
  EXPECT_EQ(cli::ExitCodeForOutcomes({{0}, {ecCancelRequested, false, EndReason::RemoteHangUp}}), cli::kExitSession);
}

// The line's program with two modems, which prints both devices first; the
// shell it starts from prints its own process (the line's, after exec).
class TwoModemLine {
 public:
  explicit TwoModemLine(const std::string& args) {
    out_ = popen(("echo $$; exec " TELVANE_FAX_LINE " --far-end second-modem " + args).c_str(), "r");
    char buf[256];
    for (std::string* field : {&pid, &a, &b})
      if (out_ && std::fgets(buf, sizeof buf, out_)) *field = std::string(buf, std::strcspn(buf, "\n"));
  }
  ~TwoModemLine() {
    if (!pid.empty()) kill(std::stoi(pid), SIGTERM);
    if (out_) pclose(out_);
  }
  std::string pid, a, b;

 private:
  FILE* out_ = nullptr;
};

using Rows = std::vector<std::vector<uint8_t>>;

// A page as our sender puts it on the line: eight white lines first.
Rows Sent(const Rows& page) {
  Rows rows(8, std::vector<uint8_t>(216, 0));
  rows.insert(rows.end(), page.begin(), page.end());
  return rows;
}

// The reference A4 reduction of a B4 line, pixel by pixel: wide pixel x
// lands on x * 27 / 32, and any black pixel landing makes it black.
std::vector<uint8_t> Reduced(const std::vector<uint8_t>& wide) {
  std::vector<uint8_t> out(216, 0);
  for (int x = 0; x < 2048; ++x)
    if (wide[x / 8] & (0x80 >> (x % 8))) out[x * 27 / 32 / 8] |= static_cast<uint8_t>(0x80 >> (x * 27 / 32 % 8));
  return out;
}

class ToolLineFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(emu::WriteTestApf(dir.File("fax.apf"), {1}, 120), 0);
    // Page 2 long enough that a fault one second into it falls inside it.
    ASSERT_EQ(emu::WriteTestApf(dir.File("long.apf"), {2}, 900), 0);
    ASSERT_EQ(emu::WriteTestApf(dir.File("short.apf"), {2}, 10), 0);
    std::vector<TiffPage> tiff;
    for (int p : {1, 2}) tiff.push_back({1728, false, emu::TestPageRasters(p, 600)});
    ASSERT_TRUE(WriteTiffPages(dir.File("call.tif"), tiff));
  }

  // The simulated line as a program of its own: the fault's options, its
  // log (wall-clock seconds) in line.log. It outlives the call by six
  // seconds, so that its device hangs up only well after the call.
  std::unique_ptr<BackgroundTool> Line(std::vector<std::string> args) {
    args.insert(args.end(), {"--verbose", "--linger", "6", "--timeout", "150"});
    lineStarted = std::chrono::steady_clock::now();
    auto line = std::make_unique<BackgroundTool>(TELVANE_FAX_LINE, args, dir.File("line.log"));
    EXPECT_FALSE(line->FirstLine().empty()) << ReadAll(dir.File("line.log"));
    return line;
  }

  ToolRun Fax(std::vector<std::string> args) {
    args.insert(args.end(), {"--class", "1", "--history", "fax.his"});
    ToolRun run = RunTool(TELVANE_FAX_TOOL, args, dir.Path().string(), 150);
    toolEnded = std::chrono::steady_clock::now();
    return run;
  }

  // Seconds from the line's first `fault` (by its log, which counts from its
  // start) to the program's hang-up command after it, and to its exit.
  double Seconds(const std::string& fault) {
    const std::string log = ReadAll(dir.File("line.log"));
    const std::regex at("\\[ *([0-9.]+)\\] ([^\n]*)");
    double from = -1, hangUp = -1;
    for (std::sregex_iterator i(log.begin(), log.end(), at), e; i != e; ++i) {
      const std::string text = (*i)[2];
      if (from < 0 && text.find(fault) != std::string::npos) from = std::stod((*i)[1]);
      if (from >= 0 && hangUp < 0 && text.find("A: ATH") != std::string::npos) hangUp = std::stod((*i)[1]);
    }
    EXPECT_GE(hangUp, 0) << "no '" << fault << "' then a hang-up in\n" << log;
    const double exit = std::chrono::duration<double>(toolEnded - lineStarted).count() - from;
    std::printf("[ MEASURED ] %s: from '%s' %.2f s to the hang-up, %.2f s to the exit\n",
                ::testing::UnitTest::GetInstance()->current_test_info()->name(), fault.c_str(), hangUp - from, exit);
    return exit;
  }

  // Waits (at most two minutes) for the line to log `text`.
  bool WaitForLine(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (ReadAll(dir.File("line.log")).find(text) == std::string::npos)
      if (std::chrono::steady_clock::now() > deadline) return false;
      else std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return true;
  }

  std::chrono::steady_clock::time_point lineStarted, toolEnded;

  TempDir dir;
};

TEST_F(ToolLineFaults, SendWhoseLineIsCutInPageTwoFailsWithinSecondsAsALostLine) {
  auto line = Line({"--receive-tiff", dir.File("far.tif"), "--pace", "4", "--fault-in-page", "2", "--drop-after", "1"});
  const ToolRun run = Fax({"send", "--device", line->FirstLine(), "--to", "5551234", "fax.apf", "long.apf"});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_NE(run.err.find("send to 5551234: the line was lost (no carrier) (error -8069)"), std::string::npos)
      << run.err;
  EXPECT_LT(Seconds("line dropped"), 5.0);
  EXPECT_TRUE(std::regex_match(ReadAll(dir.File("fax.his")),
                               std::regex("(Transmit [a-z.]+ to 5551234 started at [^\r\n]+\r\n){2}"
                                          "Transmit failed at [^\r\n]+\r\n  \\(Fax failed in mid-session\\) 0\r\n\r\n")))
      << ReadAll(dir.File("fax.his"));
  EXPECT_EQ(ReadTiffPages(dir.File("far.tif")).size(), 1u) << "page 1 arrived before the cut";
}

TEST_F(ToolLineFaults, ReceiveCutInItsFirstPageLeavesNoFileAndPrintsNoName) {
  auto line = Line({"--far-end", "terminal-sends", "--send-tiff", dir.File("call.tif"), "--pace", "2",
                    "--fault-in-page", "1", "--drop-after", "1"});
  const ToolRun run = Fax({"receive", "--device", line->FirstLine(), "--dest", "in", "--timeout", "60"});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_EQ(run.out, "") << "no fax arrived: no name";
  EXPECT_NE(run.err.find("receive: the line was lost (no carrier)"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("0 faxes received, 1 call"), std::string::npos) << run.err;
  EXPECT_LT(Seconds("line dropped"), 5.0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("in/FAX0001.APF")));
  EXPECT_TRUE(std::regex_match(ReadAll(dir.File("fax.his")),
                               std::regex("Receive in/FAX0001\\.APF from SIMULATED LINE +started at [^\r\n]+\r\n"
                                          "Receive failed at [^\r\n]+\r\n  \\(Fax failed in mid-session\\)\r\n\r\n")))
      << ReadAll(dir.File("fax.his"));
}

TEST_F(ToolLineFaults, SendOnANoisyLineIsAFailedCallOnAPoorLine) {
  auto line = Line({"--receive-tiff", dir.File("far.tif"), "--pace", "4", "--noise", "-36", "--max-call", "120"});
  const ToolRun run = Fax({"send", "--device", line->FirstLine(), "--to", "5551234", "fax.apf"});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_NE(run.err.find("the line was too poor"), std::string::npos) << run.err;
  EXPECT_NE(ReadAll(dir.File("fax.his")).find("(Fatal time out)"), std::string::npos);
}

TEST_F(ToolLineFaults, ASenderStoppedInMidPageLeavesTheReceiverAFarEndThatHungUp) {
  TwoModemLine line("--pace 2 --verbose --timeout 150 2>" + dir.File("line.log"));
  ASSERT_FALSE(line.b.empty()) << ReadAll(dir.File("line.log"));
  BackgroundTool receiver(TELVANE_FAX_TOOL,
                          {"receive", "--device", line.b, "--class", "1", "--dest", dir.File("in"), "--history",
                           dir.File("in.his"), "--timeout", "120"},
                          dir.File("receive.err"), 1);
  BackgroundTool sender(TELVANE_FAX_TOOL,
                        {"send", "--device", line.a, "--class", "1", "--to", "5551234", "--history",
                         dir.File("out.his"), dir.File("fax.apf"), dir.File("long.apf")},
                        dir.File("send.err"), 1);
  ASSERT_TRUE(WaitForLine("A: page 2 starts"));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_EQ(sender.Stop(), 6) << ReadAll(dir.File("send.err"));
  EXPECT_EQ(receiver.Wait(30), 5) << ReadAll(dir.File("receive.err"));
  const std::string err = ReadAll(dir.File("receive.err"));
  EXPECT_NE(err.find("the far end hung up (it sent DCN) (error -6005)"), std::string::npos) << err;
  // The history keeps T.30's code; page 1 was confirmed and stays.
  EXPECT_NE(ReadAll(dir.File("in.his")).find("Receive failed at"), std::string::npos);
  EXPECT_NE(ReadAll(dir.File("in.his")).find("(Cancel requested)"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir.File("in/FAX0001.APF")));
}


TEST_F(ToolLineFaults, SendWhoseDeviceHangsUpInPageTwoEndsWithinSeconds) {
  auto line = Line({"--receive-tiff", dir.File("far.tif"), "--pace", "4"});
  BackgroundTool sender(TELVANE_FAX_TOOL,
                        {"send", "--device", line->FirstLine(), "--class", "1", "--to", "5551234", "--history",
                         dir.File("fax.his"), dir.File("fax.apf"), dir.File("long.apf")},
                        dir.File("send.err"), 1);
  ASSERT_TRUE(WaitForLine("A: page 2 starts"));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const auto cut = std::chrono::steady_clock::now();
  line->Stop();  // the line's program ends: its pseudo-terminal hangs up
  EXPECT_EQ(sender.Wait(30), 5) << ReadAll(dir.File("send.err"));
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - cut).count();
  std::printf("[ MEASURED ] port hang-up: %.2f s from the hang-up to the exit\n", s);
  EXPECT_LT(s, 5.0);
  EXPECT_NE(ReadAll(dir.File("send.err")).find("the line was lost (the port hung up)"), std::string::npos);
}

TEST_F(ToolLineFaults, ReceiveCutInPageTwoKeepsPageOneEndedAtRtc) {
  auto line = Line({"--far-end", "terminal-sends", "--send-tiff", dir.File("call.tif"), "--pace", "2",
                    "--fault-in-page", "2", "--drop-after", "1"});
  const ToolRun run = Fax({"receive", "--device", line->FirstLine(), "--dest", "in", "--timeout", "60"});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_EQ(run.out, "in/FAX0001.APF\n");
  EXPECT_LT(Seconds("line dropped"), 5.0);
  const auto pages = ReadApfPages(dir.File("in/FAX0001.APF"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(pages[0] == emu::TestPageRasters(1, 600));
  // The page ends at RTC (six EOLs: eleven zeros or more, then a 1); after
  // it only fill and EOLs stand, none of the demodulator's noise.
  ApfPageLines stored;
  ASSERT_EQ(stored.Open(dir.File("in/FAX0001.APF"), 1), 0);
  std::string bits;
  std::vector<uint8_t> chunk;
  while (stored.Next(chunk) == 1)
    for (uint8_t b : chunk)
      for (int i = 0; i < 8; ++i) bits += (b >> i) & 1 ? '1' : '0';
  std::smatch m;
  ASSERT_TRUE(std::regex_search(bits, m, std::regex("(0{11,}1){6}"))) << "no RTC";
  EXPECT_TRUE(std::regex_match(std::string(m.suffix()), std::regex("(0{11,}1|0)*"))) << m.suffix();
}

TEST_F(ToolLineFaults, SendThroughAThreeSecondGapInPageTwoSendsThatPageAgainAndCompletes) {
  // Half a second into page 2 (ten lines) the line goes silent for three
  // seconds: the rest of the page and our MPS are lost. The terminal waits
  // for a command until T.30's T2 runs out, then asks again with its DIS
  // while we wait for the answer to MPS. At real time, so that our own
  // pauses after the page fall inside the gap too.
  auto line = Line({"--receive-tiff", dir.File("far.tif"), "--pace", "1", "--fault-in-page", "2", "--gap", "0.5:3"});
  const ToolRun run = Fax({"send", "--device", line->FirstLine(), "--to", "5551234", "fax.apf", "short.apf", "fax.apf"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(ReadAll(dir.File("line.log")).find("line silent"), std::string::npos);
  EXPECT_NE(ReadAll(dir.File("line.log")).find("A: page 4 starts"), std::string::npos) << "page 2 went again";
  const auto far = ReadTiffPages(dir.File("far.tif"));
  ASSERT_EQ(far.size(), 3u);
  for (int p = 0; p < 3; ++p)
    EXPECT_TRUE(far[p].rows == Sent(emu::TestPageRasters(p == 1 ? 2 : 1, p == 1 ? 10 : 120))) << "page " << p + 1;
  EXPECT_NE(ReadAll(dir.File("fax.his")).find("finished OK"), std::string::npos);
}

TEST_F(ToolLineFaults, AWideFaxReachesAnA4OnlyTerminalReducedTo1728) {
  const std::vector<std::pair<int, bool>> pages = {{4, true}, {1, false}, {5, true}};
  {
    ApfWriter w;
    ASSERT_EQ(w.Create(dir.File("wide.apf")), 0);
    for (auto [pattern, wide] : pages) {
      ASSERT_EQ(w.BeginPage(false, wide), 0);
      for (const auto& row : emu::TestPageRasters(pattern, 120, wide ? 2048 : 1728)) {
        auto coded = EncodeRasterLine(row.data(), wide ? 2048 : 1728);
        ASSERT_EQ(w.AddLine(coded.data(), coded.size()), 0);
      }
      ASSERT_EQ(w.EndPage(), 0);
    }
    ASSERT_EQ(w.Finish("WIDE"), 0);
  }
  auto line = Line({"--receive-tiff", dir.File("far.tif"), "--pace", "4", "--a4-only"});
  const ToolRun run = Fax({"send", "--device", line->FirstLine(), "--to", "5551234", "wide.apf"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto far = ReadTiffPages(dir.File("far.tif"));
  ASSERT_EQ(far.size(), 3u);
  for (std::size_t p = 0; p < 3; ++p) {
    Rows want = emu::TestPageRasters(pages[p].first, 120, pages[p].second ? 2048 : 1728);
    if (pages[p].second)
      for (auto& row : want) row = Reduced(row);
    EXPECT_EQ(far[p].width, 1728) << "page " << p + 1;
    EXPECT_TRUE(far[p].rows == Sent(want)) << "page " << p + 1;
  }
}

}  // namespace
}  // namespace telvane::test
