// telvane-fax send and receive end to end: the built program drives the
// simulated line (spandsp's T.31 modem with a spandsp fax terminal at the far
// end, Class 1) and the Class 2 / 2.0 modem emulator on a pseudo-terminal.
// What arrives is read back independently: libtiff reads the terminal's TIFF,
// the emulator writes what its far end took as PBM, the APF reader decodes
// received files; the fax history and the exit status are checked too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "tests/support/apf_pages.h"
#include "tools/modem_emulator/far_end.h"
#include "tests/support/comm/e2e_pages.h"
#include "tests/support/comm/pty_peer.h"
#include "tests/support/comm/sim_pace.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_pages.h"
#include "tests/tool/fax_e2e/tool_process.h"

namespace telvane::test {
namespace {

// A pace as the tool's --sim-pace argument.
std::string PaceText(double pace) {
  std::ostringstream s;
  s << pace;
  return s.str();
}

// An APF file of standard-resolution test pages with the given patterns.
void WriteApf(const std::string& name, const std::vector<int>& patterns) {
  ASSERT_EQ(emu::WriteTestApf(name, patterns, kPageLines), 0) << name;
}

int BlackPixelsIn(const Rows& rows, size_t from, size_t to) {
  int n = 0;
  for (size_t y = from; y < to && y < rows.size(); ++y)
    for (uint8_t b : rows[y]) n += __builtin_popcount(b);
  return n;
}

// A sent page as the far end got it: the source page whole at the bottom,
// and above it a band with the header line's black pixels (the source page
// has none there: the band is added).
void ExpectSourceBelowHeader(const Rows& got, const Rows& source, const std::string& what) {
  ASSERT_GT(got.size(), source.size()) << what << ": no room for a header band";
  const size_t band = got.size() - source.size();
  const Rows tail(got.begin() + static_cast<long>(band), got.end());
  EXPECT_TRUE(tail == source) << what << ": the page below the header band differs from its source";
  EXPECT_GT(BlackPixelsIn(got, 0, band), 50) << what << ": no header line above the page";
}

// The cover has the header line of the other pages at its top: the band's
// rows start with the same text ("FROM +1 555 0100", 16 glyphs of 8 pixels;
// only the page number further right differs), not with the cover's text.
void ExpectSameHeaderStart(const Rows& cover, const Rows& page, size_t band) {
  constexpr size_t kSameBytes = 16;
  ASSERT_GE(cover.size(), band);
  ASSERT_GE(page.size(), band);
  int black = 0;
  for (size_t y = 0; y < band; ++y) {
    ASSERT_GE(cover[y].size(), kSameBytes);
    EXPECT_TRUE(std::equal(cover[y].begin(), cover[y].begin() + kSameBytes, page[y].begin()))
        << "row " << y << " of the cover's header band differs from the next page's";
    for (size_t x = 0; x < kSameBytes; ++x) black += __builtin_popcount(page[y][x]);
  }
  EXPECT_GT(black, 50) << "no header line text at the start of the band";
}

// The first page is the text cover: it has the header band and text, and
// is none of the source pages.
void ExpectCover(const Rows& got, const std::vector<Rows>& sources) {
  EXPECT_GT(BlackPixelsIn(got, 0, got.size()), 200) << "the cover page is blank";
  for (const Rows& s : sources) {
    if (got.size() < s.size()) continue;
    const Rows tail(got.end() - static_cast<long>(s.size()), got.end());
    EXPECT_FALSE(tail == s) << "the first page is a source page, not the cover";
  }
}

Rows TiffRows(const TiffPage& page) {
  EXPECT_EQ(page.width, 1728);
  return page.rows;
}

// A binary PBM (P4) as the emulator writes it.
Rows ReadPbm(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::string magic;
  int width = 0, height = 0;
  in >> magic >> width >> height;
  in.get();
  EXPECT_EQ(magic, "P4") << name;
  EXPECT_EQ(width, 1728) << name;
  Rows rows(height, std::vector<uint8_t>((width + 7) / 8));
  for (auto& r : rows) in.read(reinterpret_cast<char*>(r.data()), static_cast<long>(r.size()));
  EXPECT_TRUE(in.good()) << name << ": short PBM";
  return rows;
}

int CountMatches(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

class ToolFaxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteApf(dir.File("one.apf"), {1});
    WriteApf(dir.File("two.apf"), {2, 3});
    std::ofstream(dir.File("cover.txt")) << "COVER PAGE\r\nTo: the test\r\nFrom: the tool\r\n";
  }

  ToolRun Fax(const std::vector<std::string>& args, int timeoutSeconds = 150) {
    ToolRun run = RunTool(TELVANE_FAX_TOOL, args, dir.Path().string(), timeoutSeconds);
    if (TraceWanted()) std::printf("exit %d\n%s%s", run.exitCode, run.out.c_str(), run.err.c_str());
    return run;
  }

  std::vector<std::string> SendArgs(const std::string& device, std::vector<std::string> more) {
    std::vector<std::string> args{"send", "--device", device, "--station-id", "+1 555 0100", "--header",
                                  "FROM $I PAGE $P/$N"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  // Cover + pages of one.apf + pages of two.apf, each below a header band.
  void ExpectCoverAndBothFiles(const std::vector<Rows>& pages) {
    ASSERT_EQ(pages.size(), 4u);
    ExpectCover(pages[0], {PageRows(1), PageRows(2), PageRows(3)});
    ExpectSameHeaderStart(pages[0], pages[1], pages[1].size() - PageRows(1).size());
    ExpectSourceBelowHeader(pages[1], PageRows(1), "page 2 (one.apf page 1)");
    ExpectSourceBelowHeader(pages[2], PageRows(2), "page 3 (two.apf page 1)");
    ExpectSourceBelowHeader(pages[3], PageRows(3), "page 4 (two.apf page 2)");
  }

  // The history file `name` as a whole matches `pattern`.
  void ExpectHistory(const std::string& name, const std::string& pattern) {
    const std::string history = ReadAll(dir.File(name));
    EXPECT_TRUE(std::regex_match(history, std::regex(pattern))) << "expected " << pattern << "\nin\n" << history;
  }

  // The whole history, in order: for each number one start line per file,
  // then the finish line with the hang-up code, then an empty line.
  void ExpectSendHistory(const std::string& name, const std::vector<std::string>& numbers,
                         const std::vector<std::string>& files, const std::string& remote) {
    std::string pattern;
    for (const std::string& n : numbers) {
      for (const std::string& f : files) pattern += "Transmit " + Quoted(f) + " to " + n + " started at [^\r\n]+\r\n";
      pattern += "Transmit to " + remote + " finished OK at [^\r\n]+ 0\r\n\r\n";
    }
    ExpectHistory(name, pattern);
  }

  // A receive's start line: into `file` from `caller`.
  static std::string ReceiveStarted(const std::string& file, const std::string& caller) {
    return "Receive " + Quoted(file) + " from " + caller + " +started at [^\r\n]+\r\n";
  }
  static constexpr const char* kReceiveOk = "Receive finished OK at [^\r\n]+\r\n\r\n";

  // The received APF file `name` holds the test pages of these patterns.
  void ExpectReceived(const std::string& name, const std::vector<int>& patterns) {
    const auto pages = ReadApfPages(dir.File(name));
    ASSERT_EQ(pages.size(), patterns.size()) << name;
    for (std::size_t i = 0; i < pages.size(); ++i)
      EXPECT_TRUE(pages[i] == PageRows(patterns[i])) << name << " page " << i + 1;
  }

  static std::string Quoted(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (std::strchr(".^$|()[]{}*+?\\", c)) out += '\\';
      out += c;
    }
    return out;
  }

  TempDir dir;
};

// --- Class 1 over the simulated line (spandsp's fax terminal receives) ---

class ToolFaxClass1 : public ToolFaxTest {};

TEST_F(ToolFaxClass1, SendsTwoFilesWithTextCoverAndHeaderToOneNumber) {
  const ToolRun run = Fax(SendArgs("simulated line", {"--class", "1", "--to", "5551234", "--cover", "cover.txt",
                                                       "--sim-save-dir", "far", "--sim-pace", PaceText(SendPace()),
                                                       "--report", "sent.pdf", "one.apf", "two.apf"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // The transmission report, read back by poppler.
  const ToolRun report = RunTool("/usr/bin/pdftotext", {"sent.pdf", "-"}, dir.Path().string());
  ASSERT_EQ(report.exitCode, 0) << report.err;
  for (const char* fact : {"Sent\n", "\n5551234\n", "\nSIMULATED LINE\n", "\n4 of 4\n", "Result\n\nOK\n", "\n14400 bit/s\n"})
    EXPECT_NE(report.out.find(fact), std::string::npos) << fact << " not in:\n" << report.out;
  std::string error;
  const std::vector<TiffPage> tiff = ReadTiffPages(dir.File("far/call-1.tif"), &error);
  ASSERT_FALSE(tiff.empty()) << error;
  std::vector<Rows> pages;
  for (const TiffPage& p : tiff) pages.push_back(TiffRows(p));
  ExpectCoverAndBothFiles(pages);
  // The default history file in the current folder.
  ExpectSendHistory("APDFAX.HIS", {"5551234"}, {"one.apf", "two.apf"}, "SIMULATED LINE");
  // Live progress came from the status events.
  EXPECT_NE(run.err.find("Sending page 4 of 4"), std::string::npos) << run.err;
}

TEST_F(ToolFaxClass1, SendsToThreeRecipientsFromAList) {
  std::ofstream(dir.File("numbers.txt")) << "# recipients\n5550001\n5550002  \n\n5550003\n";
  const ToolRun run = Fax(SendArgs("simulated line", {"--class", "1", "--to-list", "numbers.txt", "--history",
                                                       "sent.his", "--sim-save-dir", "far", "--sim-pace",
                                                       PaceText(SendPace()), "--quiet", "two.apf"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "") << "--quiet prints only errors";
  for (int call = 1; call <= 3; ++call) {
    std::string error;
    const std::vector<TiffPage> tiff = ReadTiffPages(dir.File("far/call-" + std::to_string(call) + ".tif"), &error);
    ASSERT_EQ(tiff.size(), 2u) << "call " << call << ": " << error;
    ExpectSourceBelowHeader(TiffRows(tiff[0]), PageRows(2), "call " + std::to_string(call) + " page 1");
    ExpectSourceBelowHeader(TiffRows(tiff[1]), PageRows(3), "call " + std::to_string(call) + " page 2");
  }
  ExpectSendHistory("sent.his", {"5550001", "5550002", "5550003"}, {"two.apf"}, "SIMULATED LINE");
  EXPECT_FALSE(std::filesystem::exists(dir.File("APDFAX.HIS")));
}

TEST_F(ToolFaxClass1, ReceivesFromTheSimulatedLineIntoTheFirstNumberedFile) {
  std::vector<TiffPage> sent;
  for (int p : {4, 5}) sent.push_back({1728, false, PageRows(p)});
  std::string error;
  ASSERT_TRUE(WriteTiffPages(dir.File("call.tif"), sent, &error)) << error;
  const ToolRun run = Fax({"receive", "--device", "simulated line", "--class", "1", "--naming", "numbered", "--dest",
                           "in", "--history", "in.his", "--timeout", "60", "--sim-send", "call.tif",
                           "--sim-station-id", "TIFF SENDER", "--sim-pace", PaceText(ReceivePace())});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "in/FAX0001.APF\n");
  // Our DIS offers V.17: the caller, which can, sends at 14400.
  EXPECT_NE(run.err.find("14400 bps"), std::string::npos) << run.err;
  ExpectReceived("in/FAX0001.APF", {4, 5});
  ExpectHistory("in.his", ReceiveStarted("in/FAX0001.APF", "TIFF SENDER") + kReceiveOk);
}

// --- Class 2 and Class 2.0 against the modem emulator ---

class ToolFaxEmulator : public ToolFaxTest {
 protected:
  // The pages the emulator's far end took, as it wrote them on exit.
  std::vector<Rows> EmulatorPages(const std::string& folder) {
    std::vector<Rows> pages;
    for (int n = 1;; ++n) {
      const std::string name = dir.File(folder + "/page-" + std::to_string(n) + ".pbm");
      if (!std::filesystem::exists(name)) break;
      pages.push_back(ReadPbm(name));
    }
    return pages;
  }
};

TEST_F(ToolFaxEmulator, Class2SendsTwoFilesWithTextCoverToOneNumber) {
  std::filesystem::create_directory(dir.File("far"));
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2", "--exit-after-call", "--save-pages", dir.File("far")},
                       dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax(SendArgs(modem.FirstLine(), {"--class", "2", "--to", "5551234", "--cover", "cover.txt",
                                                       "--history", "c2.his", "one.apf", "two.apf"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(modem.Wait(20), 0) << ReadAll(dir.File("emu.err"));
  ExpectCoverAndBothFiles(EmulatorPages("far"));
  ExpectSendHistory("c2.his", {"5551234"}, {"one.apf", "two.apf"}, "REMOTE FAX");
}

TEST_F(ToolFaxEmulator, Class20SendsTwoFilesWithCoverToThreeRecipients) {
  std::filesystem::create_directory(dir.File("far"));
  // The emulator serves one call after the other on the same device.
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2.0", "--save-pages", dir.File("far")}, dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax(SendArgs(modem.FirstLine(), {"--class", "2.0", "--to", "5550001", "--to", "5550002",
                                                       "--to", "5550003", "--cover", "cover.txt", "--history",
                                                       "c20.his", "one.apf", "two.apf"}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("3 of 3 faxes sent"), std::string::npos) << run.err;
  modem.Stop();
  const std::vector<Rows> pages = EmulatorPages("far");
  ASSERT_EQ(pages.size(), 12u);
  for (int call = 0; call < 3; ++call) ExpectCoverAndBothFiles({pages.begin() + call * 4, pages.begin() + call * 4 + 4});
  ExpectSendHistory("c20.his", {"5550001", "5550002", "5550003"}, {"one.apf", "two.apf"}, "REMOTE FAX");
}

TEST_F(ToolFaxEmulator, Class20ReceivesIntoTheNextFreeNumber) {
  std::filesystem::create_directory(dir.File("in"));
  WriteApf(dir.File("in/FAX0001.APF"), {1});  // already there: not overwritten
  WriteApf(dir.File("caller.apf"), {6, 7});
  BackgroundTool modem(TELVANE_MODEM_EMU,
                       {"--class", "2.0", "--call-after-ms", "800", "--far-end", "pages-file=" + dir.File("caller.apf")},
                       dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax({"receive", "--device", modem.FirstLine(), "--class", "2.0", "--once", "--naming",
                           "numbered", "--dest", "in", "--history", "in.his", "--timeout", "30"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "in/FAX0002.APF\n");
  ExpectReceived("in/FAX0002.APF", {6, 7});
  ExpectReceived("in/FAX0001.APF", {1});
  ExpectHistory("in.his", ReceiveStarted("in/FAX0002.APF", "CALLER FAX") + kReceiveOk);
}

TEST_F(ToolFaxEmulator, Class20ReceiveThatLosesTheLineKeepsTheGoodPages) {
  BackgroundTool modem(TELVANE_MODEM_EMU,
                       {"--class", "2.0", "--call-after-ms", "800", "--far-end", "pages=4;drop=3:300"},
                       dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax({"receive", "--device", modem.FirstLine(), "--class", "2.0", "--dest", "in", "--history",
                           "in.his", "--timeout", "30"},
                          60);
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_EQ(run.out, "in/FAX0001.APF\n");
  // A valid APF file with the two pages that came in whole.
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(dir.File("in/FAX0001.APF"), header), 0);
  EXPECT_EQ(header.PageCount, 2u);
  ExpectReceived("in/FAX0001.APF", {1, 2});
  // The start line, then the failure line (log code 7) with its error text.
  ExpectHistory("in.his", ReceiveStarted("in/FAX0001.APF", "CALLER FAX") +
                              "Receive failed at [^\r\n]+\r\n  \\([^)\r\n]+\\)\r\n\r\n");
}

TEST_F(ToolFaxEmulator, Class2AcceptFilterRefusesOtherStations) {
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2", "--call-after-ms", "800", "--far-end", "pages=1"},
                       dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax({"receive", "--device", modem.FirstLine(), "--class", "2", "--accept", "FRIEND|OFFICE",
                           "--dest", "in", "--history", "in.his", "--timeout", "30"});
  EXPECT_EQ(run.exitCode, 0) << run.err;  // a refused call is no failure
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("refused a call from \"CALLER FAX\""), std::string::npos) << run.err;
  ExpectHistory("in.his", "Receive skipped at [^\r\n]+\r\n\r\n");
}

TEST_F(ToolFaxEmulator, Class20KeepAnsweringEndsCleanlyOnSigterm) {
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2.0", "--call-after-ms", "800", "--far-end", "pages=2"},
                       dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  // The receiver prints each file's name as it comes in; after the first
  // one it is stopped as a service would be.
  BackgroundTool receiver(TELVANE_FAX_TOOL,
                          {"receive", "--device", modem.FirstLine(), "--class", "2.0", "--keep", "--dest",
                           dir.File("in"), "--history", dir.File("in.his")},
                          dir.File("receive.err"), 60);
  EXPECT_EQ(receiver.FirstLine(), dir.File("in/FAX0001.APF"));
  EXPECT_EQ(receiver.Stop(), 0) << ReadAll(dir.File("receive.err"));
  EXPECT_EQ(ReadApfPages(dir.File("in/FAX0001.APF")).size(), 2u);
  const std::string history = ReadAll(dir.File("in.his"));
  EXPECT_EQ(CountMatches(history, "Receive finished OK at "), 1) << history;
  EXPECT_EQ(CountMatches(history, "failed"), 0) << history;
}

// --- Exit status of each failure class, cheaply ---

TEST_F(ToolFaxTest, BusyLineIsNoConnection) {
  const ToolRun run = Fax(SendArgs("simulated line", {"--class", "1", "--to", "5551234", "--sim-busy",
                                                       "--dial-attempts", "1", "--history", "busy.his", "one.apf"}),
                          60);
  EXPECT_EQ(run.exitCode, 4) << run.err;
  ExpectHistory("busy.his",
                "Transmit one\\.apf to 5551234 started at [^\r\n]+\r\n"
                "Transmit failed at [^\r\n]+\r\n"
                "  \\(Called fax number was busy\\) 0\r\n\r\n");
}

TEST_F(ToolFaxTest, FileWithoutTheApfSignatureStopsBeforeDialling) {
  std::ofstream(dir.File("notes.apf")) << "plain text pretending to be a fax file, long enough for a header "
                                          "of sixty-four bytes to be read from it";
  const ToolRun run = Fax(SendArgs("simulated line", {"--to", "5551234", "one.apf", "notes.apf"}), 30);
  EXPECT_EQ(run.exitCode, 7) << run.err;
  EXPECT_NE(run.err.find("notes.apf"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Dialling"), std::string::npos) << "dialled: " << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("APDFAX.HIS"))) << "a fax was started";
}

TEST_F(ToolFaxTest, MissingInputsAreBadFiles) {
  ToolRun run = Fax(SendArgs("simulated line", {"--to", "5551234", "--cover", "nowhere.txt", "one.apf"}), 30);
  EXPECT_EQ(run.exitCode, 7) << run.err;
  run = Fax(SendArgs("simulated line", {"--to", "5551234", "one.apf", "nowhere.apf"}), 30);
  EXPECT_EQ(run.exitCode, 7) << run.err;
  run = Fax({"receive", "--device", "simulated line", "--sim-send", "nowhere.tif"}, 30);
  EXPECT_EQ(run.exitCode, 7) << run.err;
}

TEST_F(ToolFaxTest, UnknownDeviceAndDeadDevicePath) {
  ToolRun run = Fax(SendArgs("no such modem", {"--to", "5551234", "one.apf"}), 30);
  EXPECT_EQ(run.exitCode, 3) << run.err;
  run = Fax({"receive", "--device", dir.File("no-such-tty"), "--once"}, 30);
  EXPECT_EQ(run.exitCode, 3) << run.err;
}

TEST_F(ToolFaxTest, DevicePathWithNoModemIsTheDevicesFailure) {
  // A terminal on which nothing answers the modem set-up.
  PtyPeer terminal;
  const ToolRun run = Fax(SendArgs(terminal.SlavePath(), {"--class", "2", "--to", "5550001", "--to", "5550002",
                                                           "--history", "none.his", "one.apf"}),
                          60);
  EXPECT_EQ(run.exitCode, 3) << run.err;
  // The same device would fail the same way: the second number is not tried.
  EXPECT_EQ(run.err.find("send to 5550002"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("0 of 2 faxes sent"), std::string::npos) << run.err;
}

TEST_F(ToolFaxTest, ReceiveGivesUpWhenNoCallComes) {
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2.0"}, dir.File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax({"receive", "--device", modem.FirstLine(), "--class", "2.0", "--timeout", "2", "--history",
                           "idle.his"},
                          30);
  EXPECT_EQ(run.exitCode, 8) << run.err;
  EXPECT_EQ(run.out, "");
  // Giving up the wait is no failed receive.
  EXPECT_EQ(ReadAll(dir.File("idle.his")), "");
}

TEST_F(ToolFaxTest, BadCommandLinesAreUsageErrors) {
  EXPECT_EQ(Fax({"send", "--to", "1", "one.apf"}, 10).exitCode, 2) << "no device";
  EXPECT_EQ(Fax({"send", "--device", "simulated line", "one.apf"}, 10).exitCode, 2) << "no number";
  EXPECT_EQ(Fax({"send", "--device", "simulated line", "--to", "1"}, 10).exitCode, 2) << "nothing to send";
  EXPECT_EQ(Fax({"send", "--device", "simulated line", "--to", "1", "--class", "3", "one.apf"}, 10).exitCode, 2);
  EXPECT_EQ(Fax({"receive", "--device", "simulated line", "--naming", "alphabetical"}, 10).exitCode, 2);
  EXPECT_EQ(Fax({"receive", "--device", "simulated line", "--accept", "(unclosed"}, 10).exitCode, 2);
  EXPECT_EQ(Fax({"receive", "--device", "simulated line", "--once"}, 10).exitCode, 2) << "no --sim-send";
}

}  // namespace
}  // namespace telvane::test
