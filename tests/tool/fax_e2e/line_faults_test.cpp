// telvane-fax send and receive on a faulty simulated line (telvane-fax-line
// with its faults, spandsp's fax terminal or a second modem at the far end):
// the exit status, the message, the history lines, the received files, and
// the seconds from the fault to the program's hang-up as the line logged
// them. And the exit status and message of each end reason, without a call.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The line's program with two modems: it prints both devices first.
class TwoModemLine {
 public:
  TwoModemLine(const std::vector<std::string>& args, const std::string& errFile) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::vector<std::string> all = {TELVANE_FAX_LINE, "--far-end", "second-modem"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err >= 0) dup2(err, STDERR_FILENO);
      close(fds[0]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    out_ = fdopen(fds[0], "r");
    char buf[256];
    for (std::string* path : {&a, &b})
      if (out_ && std::fgets(buf, sizeof buf, out_)) *path = std::string(buf, std::strcspn(buf, "\n"));
  }
  ~TwoModemLine() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_) std::fclose(out_);
  }
  std::string a, b;

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

class ToolLineFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(emu::WriteTestApf(dir.File("fax.apf"), {1}, 120), 0);
    // Page 2 long enough that a fault one second into it falls inside it.
    ASSERT_EQ(emu::WriteTestApf(dir.File("long.apf"), {2}, 900), 0);
    std::vector<TiffPage> tiff;
    for (int p : {1, 2}) tiff.push_back({1728, false, emu::TestPageRasters(p, 600)});
    ASSERT_TRUE(WriteTiffPages(dir.File("call.tif"), tiff));
  }

  // The simulated line as a program of its own: the fault's options, its
  // log (wall-clock seconds) in line.log. It outlives the call by ten
  // seconds, so that its device hangs up only well after the call.
  std::unique_ptr<BackgroundTool> Line(std::vector<std::string> args) {
    args.insert(args.end(), {"--verbose", "--linger", "10", "--timeout", "150"});
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
  TwoModemLine line({"--pace", "2", "--verbose", "--timeout", "150"}, dir.File("line.log"));
  ASSERT_FALSE(line.b.empty()) << ReadAll(dir.File("line.log"));
  BackgroundTool receiver(TELVANE_FAX_TOOL,
                          {"receive", "--device", line.b, "--class", "1", "--dest", dir.File("in"), "--history",
                           dir.File("in.his"), "--timeout", "120"},
                          dir.File("receive.err"), 1);
  BackgroundTool sender(TELVANE_FAX_TOOL,
                        {"send", "--device", line.a, "--class", "1", "--to", "5551234", "--history",
                         dir.File("out.his"), dir.File("fax.apf"), dir.File("long.apf")},
                        dir.File("send.err"), 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (ReadAll(dir.File("line.log")).find("A: page 2 starts") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
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

}  // namespace
}  // namespace telvane::test
