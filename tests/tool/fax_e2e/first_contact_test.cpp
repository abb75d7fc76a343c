// The programs as a new user meets them on a Linux machine: default output
// names, files that are no text, messages that name what failed, --version,
// output files that behave (permissions, links, signals, damaged input) and
// dial strings as people write them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "faxdoc/apf_file.h"
#include "tools/modem_emulator/far_end.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/fax_e2e/tool_process.h"

namespace telvane::test {
namespace {

namespace fs = std::filesystem;

class FirstContact : public ::testing::Test {
 protected:
  ToolRun Fax(const std::vector<std::string>& args) { return RunTool(TELVANE_FAX_TOOL, args, dir.Path().string()); }
  std::string File(const std::string& name) const { return dir.File(name); }
  bool Exists(const std::string& name) const { return fs::exists(fs::symlink_status(File(name))); }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
    return names;
  }
  // Runs `program` as the unprivileged user "nobody" (the tests run as root,
  // whom no permission stops).
  ToolRun AsNobody(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--reuid=nobody", "--regid=nogroup", "--clear-groups", program};
    all.insert(all.end(), args.begin(), args.end());
    return RunTool("/usr/bin/setpriv", all, "/");
  }

  TempDir dir;
};

TEST_F(FirstContact, DefaultOutputNamesKeepTheCaseOfTheInputsExtension) {
  WriteAll(File("report.txt"), "Hello\n");
  WriteAll(File("SHOUT.TXT"), "HELLO\r\n");
  EXPECT_EQ(Fax({"convert", "-q", "report.txt"}).exitCode, 0);
  EXPECT_EQ(Fax({"convert", "-q", "SHOUT.TXT"}).exitCode, 0);
  EXPECT_TRUE(Exists("report.apf"));
  EXPECT_TRUE(Exists("SHOUT.APF"));
  EXPECT_FALSE(Exists("report.APF"));

  ASSERT_EQ(emu::WriteTestApf(File("fax.apf"), {1, 2}, 40), 0);
  ASSERT_EQ(emu::WriteTestApf(File("FAX2.APF"), {1}, 40), 0);
  EXPECT_EQ(Fax({"unpack", "-q", "--per-page", "--type", "tif", "fax.apf"}).exitCode, 0);
  EXPECT_EQ(Fax({"unpack", "-q", "--type", "pcx", "FAX2.APF"}).exitCode, 0);
  EXPECT_TRUE(Exists("fax1.tif") && Exists("fax2.tif"));
  EXPECT_TRUE(Exists("FAX2.PCX"));
}

TEST_F(FirstContact, FilesThatAreNoTextAreRefusedUnlessTextIsAskedFor) {
  const struct {
    const char* name;
    std::string bytes;
    const char* kind;
  } kRows[] = {
      {"photo.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "a PNG image"},
      {"report.pdf", "%PDF-1.1\n1 0 obj << >> endobj\n", "a PDF document"},
      {"letter.docx", std::string("PK\x03\x04\x14\0\0\0", 8), "a ZIP archive"},
      {"data.bin", std::string("abc\0def", 7), "binary data"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    WriteAll(File(row.name), row.bytes);
    const ToolRun run = Fax({"convert", "-o", "out.apf", row.name});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(row.name), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(row.kind), std::string::npos) << run.err;
    EXPECT_FALSE(Exists("out.apf"));
  }
  EXPECT_EQ(Fax({"convert", "-q", "--type", "text", "-o", "forced.apf", "report.pdf"}).exitCode, 0);
  EXPECT_TRUE(Exists("forced.apf"));
}

TEST_F(FirstContact, ImagesAreConvertedByContentAlsoWhenSent) {
  // A PNG of 2 x 1 pixels (one black, one white) under a name that says nothing.
  const std::string png = std::string(
      "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x01\x08\x00\x00\x00\x00\xd1\x49\x20\x56\x00"
      "\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63\x60\xf8\x0f\x00\x01\x02\x01\x00\x42\xbe\xbc\x68\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
      68);
  WriteAll(File("scan"), png);
  ToolRun run = Fax({"convert", "-o", "scan.apf", "scan"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Exists("scan.apf"));
  // send converts it too, and the far end gets the page.
  run = Fax({"send", "--device", "simulated line", "--sim-pace", "4", "--sim-save-dir", "far", "--history", "",
             "--to", "1", "scan"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("scan: a PNG image, converted for sending"), std::string::npos) << run.err;
  EXPECT_TRUE(Exists("far/call-1.tif"));
  // Something that is neither a fax file nor an image is still refused.
  WriteAll(File("notes.bin"), std::string("abc\0def", 7));
  run = Fax({"send", "--device", "/dev/null", "--to", "1", "notes.bin"});
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_NE(run.err.find("notes.bin is no APF fax file"), std::string::npos) << run.err;
}

TEST_F(FirstContact, MessagesNameTheOutputOrDeviceThatFailed) {
  WriteAll(File("letter.txt"), "Dear reader\n");
  ASSERT_EQ(emu::WriteTestApf(File("letter.apf"), {1}, 40), 0);
  ToolRun run = Fax({"convert", "-o", "/nonexist/x.apf", "letter.txt"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("'/nonexist/x.apf'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("no folder"), std::string::npos) << run.err;

  run = Fax({"send", "--device", "/dev/ttyNoSuchModem", "--to", "1", "letter.apf"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("'/dev/ttyNoSuchModem': no such device"), std::string::npos) << run.err;
  run = Fax({"receive", "--device", "/dev/ttyNoSuchModem"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("no such device"), std::string::npos) << run.err;

  if (::geteuid() != 0) GTEST_SKIP() << "the permission cases switch to the user nobody, which needs root";
  // A folder the user may not write, and a serial device the user may not
  // open (a pseudo-terminal of root's, like /dev/ttyS0 of the dialout group).
  ::chmod(dir.Path().c_str(), 0755);
  fs::create_directory(File("locked"));
  ::chmod(File("locked").c_str(), 0755);
  ::chmod(File("letter.txt").c_str(), 0644);
  ::chmod(File("letter.apf").c_str(), 0644);
  run = AsNobody(TELVANE_FAX_TOOL, {"convert", "-o", File("locked/x.apf"), File("letter.txt")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(File("locked/x.apf")), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;

  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2"}, File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  ::chmod(modem.FirstLine().c_str(), 0600);
  run = AsNobody(TELVANE_FAX_TOOL, {"send", "--device", modem.FirstLine(), "--to", "1", File("letter.apf")});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("'" + modem.FirstLine() + "': Permission denied"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("dialout"), std::string::npos) << run.err;
}

TEST_F(FirstContact, UsageErrorsGiveOneHintAndEveryProgramItsVersion) {
  ToolRun run = Fax({"convert", "--no-such-option", "x.txt"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("telvane-fax convert: unrecognized option '--no-such-option'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Try 'telvane-fax convert --help' for more information."), std::string::npos);
  EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 2) << "no whole help after a wrong option";
  run = Fax({"info"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("Try 'telvane-fax info --help'"), std::string::npos) << run.err;

  const struct {
    const char* program;
    const char* name;
  } kPrograms[] = {{TELVANE_FAX_TOOL, "telvane-fax"},
                   {TELVANE_MODEM_EMU, "telvane-modem-emu"},
                   {TELVANE_FAX_LINE, "telvane-fax-line"},
                   {TELVANE_APP, "telvane"}};
  for (const auto& p : kPrograms) {
    run = RunTool(p.program, {"--version"}, dir.Path().string(), 20);
    EXPECT_EQ(run.exitCode, 0) << p.name;
    EXPECT_EQ(run.out.rfind(std::string(p.name) + " ", 0), 0u) << p.name << ": " << run.out;
  }
  run = RunTool(TELVANE_APP, {"--help"}, dir.Path().string(), 20);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("Usage: telvane"), std::string::npos) << run.out;
}

TEST_F(FirstContact, ReplacedOutputsKeepTheirModeAndLinksStayLinks) {
  WriteAll(File("a.txt"), "one\n");
  WriteAll(File("private.apf"), "old");
  ::chmod(File("private.apf").c_str(), 0600);
  ASSERT_EQ(Fax({"convert", "-q", "-o", "private.apf", "a.txt"}).exitCode, 0);
  struct stat st {};
  ASSERT_EQ(::stat(File("private.apf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A link whose target does not exist yet: the target is made, the link stays.
  fs::create_directory(File("store"));
  fs::create_symlink("store/target.apf", File("link.apf"));
  ASSERT_EQ(Fax({"convert", "-q", "-o", "link.apf", "a.txt"}).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(File("link.apf")));
  ApfFileHeader header;
  EXPECT_EQ(GetFaxHeader(File("store/target.apf"), header), 0);
}

TEST_F(FirstContact, AConversionEndedBySignalLeavesNoPartialFile) {
  // A text long enough that the conversion is still writing when the signal
  // comes: it is sent once the partial file is there.
  {
    std::ofstream big(File("big.txt"));
    for (int i = 0; i < 400000; ++i) big << "Line " << i << " of a long text that keeps the converter busy\n";
  }
  const auto partialFile = [&] {
    for (const std::string& name : Listing())
      if (name.find(".part") != std::string::npos) return true;
    return false;
  };
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    bool seen = false;
    std::thread killer([&] {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!(seen = partialFile()) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::system(("pkill -" + std::to_string(signal) + " -f 'convert -q -o " + File("out.apf") + "'").c_str());
    });
    const ToolRun run = Fax({"convert", "-q", "-o", File("out.apf"), File("big.txt")});
    killer.join();
    ASSERT_TRUE(seen) << "the conversion ended before a partial file was seen";
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(partialFile());
    EXPECT_FALSE(Exists("out.apf"));
  }
}

TEST_F(FirstContact, DamagedFaxesAreToldAndLeaveNoImages) {
  ASSERT_EQ(emu::WriteTestApf(File("two.apf"), {1, 2}, 40), 0);
  EXPECT_EQ(Fax({"info", "--", "two.apf"}).exitCode, 0);

  // Page 2's length runs far past the end of the file.
  const std::string bytes = ReadAll(File("two.apf"));
  ApfPageHeader page2;
  ASSERT_EQ(GetPageHeader(File("two.apf"), 2, page2), 0);
  const size_t page2At = bytes.size() - page2.DataLength - kApfPageHeaderSize;
  page2.DataLength = 0xFFFFFF00u;
  const auto packed = page2.Pack();
  std::string damaged = bytes;
  damaged.replace(page2At, packed.size(), reinterpret_cast<const char*>(packed.data()), packed.size());
  WriteAll(File("damaged.apf"), damaged);
  ToolRun run = Fax({"info", "damaged.apf"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("damaged: only"), std::string::npos) << run.out;

  // A file cut inside page 2's header: page 1 unpacks, page 2 cannot.
  WriteAll(File("cut.apf"), bytes.substr(0, page2At + 8));
  run = Fax({"unpack", "--per-page", "--type", "pcx", "cut.apf"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(Exists("cut1.pcx")) << "the first page's image stayed after the second failed";
  EXPECT_NE(run.err.find("removed"), std::string::npos) << run.err;
}

TEST_F(FirstContact, QuietWhereNothingWentWrong) {
  // System fonts bring up Qt, which warns when the session has no runtime
  // folder (su, cron, containers).
  ::unsetenv("XDG_RUNTIME_DIR");
  WriteAll(File("a.txt"), "enhanced\n");
  ToolRun run = Fax({"convert", "-q", "--type", "textex", "a.txt"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");

  // A receive that the command itself ends after the wanted call reports no
  // cancel.
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2", "--call-after-ms", "800", "--far-end", "pages=1"},
                       File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  run = Fax({"receive", "--once", "--history", "", "--device", modem.FirstLine(), "--dest", dir.Path().string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("Receiving page 1"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Cancelled"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("abort"), std::string::npos) << run.err;
}

TEST_F(FirstContact, DialStringsLoseTheirFormattingBeforeDialling) {
  ASSERT_EQ(emu::WriteTestApf(File("fax.apf"), {1}, 40), 0);
  BackgroundTool modem(TELVANE_MODEM_EMU, {"--class", "2", "--exit-after-call"}, File("emu.err"));
  ASSERT_FALSE(modem.FirstLine().empty());
  const ToolRun run = Fax({"send", "--quiet", "--history", "", "--device", modem.FirstLine(), "--to",
                           "(555) 123-4567", "--dial-prefix", "9,", "fax.apf"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  modem.Wait(20);
  EXPECT_NE(ReadAll(File("emu.err")).find("dialled \"ATDT9,5551234567\""), std::string::npos)
      << ReadAll(File("emu.err"));
}

}  // namespace
}  // namespace telvane::test
