// telvane-fax unpack --type pdf read back by poppler: pdfinfo for the page
// sizes, pdfimages for the exact bitmaps, pdftoppm for the rendered pages,
// each against the lines the APF reader decodes from the fax.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/apf_pages.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/fax_e2e/tool_process.h"

namespace telvane::test {
namespace {

struct Pbm {
  int width = 0, height = 0;
  std::string bits;  // whole-byte rows, set = black
};

Pbm ReadPbm(const std::string& fileName) {
  std::istringstream in(ReadAll(fileName));
  std::string magic;
  Pbm pbm;
  in >> magic >> pbm.width >> pbm.height;
  in.get();
  pbm.bits.assign(std::istreambuf_iterator<char>(in), {});
  return magic == "P4" ? pbm : Pbm{};
}

// What a page `columns` wide shows of the decoded lines: each line padded
// with white or cut to the page.
std::string ExpectedRows(const RasterPage& page, int columns) {
  std::string rows;
  for (const RasterLine& line : page) {
    std::string row(static_cast<size_t>(columns) / 8, '\0');
    std::copy_n(line.begin(), std::min(line.size(), row.size()), row.begin());
    rows += row;
  }
  return rows;
}

class UnpackPdf : public ::testing::Test {
 protected:
  // Poppler mends a damaged file (a wrong cross-reference offset) and only
  // says so on its error output, so that must stay empty.
  std::string Poppler(const std::string& program, const std::vector<std::string>& args) {
    const ToolRun r = RunTool("/usr/bin/" + program, args, dir_.Path().string());
    EXPECT_EQ(r.exitCode, 0) << program;
    EXPECT_EQ(r.err, "") << program;
    return r.out;
  }
  ToolRun Tool(std::vector<std::string> args) {
    args.push_back(Apf());
    return RunTool(TELVANE_FAX_TOOL, args, dir_.Path().string());
  }
  void ConvertText(int lines, std::vector<std::string> args) {
    std::string text;
    for (int i = 1; i <= lines; ++i)
      text += "Line " + std::to_string(i) + ": the quick brown fox " + std::string(i % 23 * 2, '#') + "\n";
    WriteAll(dir_.File("fax.txt"), text);
    args.insert(args.begin(), {"convert", "-q", "-o", Apf(), dir_.File("fax.txt")});
    ASSERT_EQ(RunTool(TELVANE_FAX_TOOL, args, dir_.Path().string()).exitCode, 0);
  }
  void Unpack() { ASSERT_EQ(Tool({"unpack", "-q", "-t", "pdf", "-o", Pdf()}).exitCode, 0); }

  // Each page's width and height in points, its image and its rendering at
  // the fax's resolution, against the APF file's pages.
  void ExpectPdfShowsApf() {
    const std::vector<RasterPage> pages = ReadApfPages(Apf());
    const std::string info = Poppler("pdfinfo", {"-f", "1", "-l", "999", Pdf()});
    const std::regex size(R"(Page +(\d+) size: +([0-9.]+) x ([0-9.]+) pts)");
    Poppler("pdfimages", {Pdf(), dir_.File("img")});
    size_t page = 0;
    for (std::sregex_iterator m(info.begin(), info.end(), size), end; m != end; ++m, ++page) {
      SCOPED_TRACE("page " + (*m)[1].str());
      ASSERT_LT(page, pages.size());
      ApfPageHeader header;
      ASSERT_EQ(GetPageHeader(Apf(), static_cast<unsigned>(page + 1), header), 0);
      const int columns = (header.PageFlags & pfWide) ? 2048 : 1728;
      const int linesPerInch = (header.PageFlags & pfHighRes) ? 196 : 98;
      const int rows = static_cast<int>(pages[page].size());
      EXPECT_NEAR(std::stod((*m)[2]), columns * 72.0 / 204, 0.002);
      EXPECT_NEAR(std::stod((*m)[3]), rows * 72.0 / linesPerInch, 0.002);
      char image[32];
      std::snprintf(image, sizeof image, "img-%03zu.pbm", page);
      const std::string render = dir_.File("page" + std::to_string(page));
      Poppler("pdftoppm", {"-mono", "-rx", "204", "-ry", std::to_string(linesPerInch), "-f", (*m)[1], "-l", (*m)[1],
                           "-singlefile", Pdf(), render});
      const std::string expected = ExpectedRows(pages[page], columns);
      const std::pair<const char*, Pbm> kReadBack[] = {{"pdfimages", ReadPbm(dir_.File(image))},
                                                       {"pdftoppm", ReadPbm(render + ".pbm")}};
      for (const auto& [reader, pbm] : kReadBack) {
        EXPECT_EQ(pbm.width, columns) << reader;
        EXPECT_EQ(pbm.height, rows) << reader;
        const size_t at = static_cast<size_t>(
            std::mismatch(expected.begin(), expected.end(), pbm.bits.begin(), pbm.bits.end()).first - expected.begin());
        EXPECT_TRUE(pbm.bits == expected) << reader << ": pixels differ from row " << at / (columns / 8) << ", byte "
                                          << at % (columns / 8);
      }
    }
    EXPECT_EQ(page, pages.size());
  }

  std::string Apf() const { return dir_.File("fax.apf"); }
  std::string Pdf() const { return dir_.File("fax.pdf"); }
  TempDir dir_;
};

class UnpackPdfLayout : public UnpackPdf, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(UnpackPdfLayout, EachPageIsTheFaxPageAtItsSizeBitForBit) {
  std::vector<std::string> args = GetParam();
  args.insert(args.end(), {"--lines-per-page", "45"});
  ConvertText(100, args);  // pages of 45, 45 and 10 text lines
  Unpack();
  ExpectPdfShowsApf();
}

INSTANTIATE_TEST_SUITE_P(Layouts, UnpackPdfLayout,
                         ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"--high"},
                                           std::vector<std::string>{"--wide"},
                                           std::vector<std::string>{"--wide", "--high"}));

// Lines the converters never write but a received page may hold (all black,
// starting black, 1-pixel runs, the other width), pages of different sizes
// in one file, and an 11-inch page, which is letter-sized.
TEST_F(UnpackPdf, UnusualLinesAndMixedPagesComeOutAsTheReaderDecodesThem) {
  const std::vector<RasterLine> patterns{RasterLine(216, 0xFF), RasterLine(216, 0x80), RasterLine(216, 0x55),
                                         RasterLine(256, 0xF0), RasterLine(216, 0x01), RasterLine(216, 0)};
  const struct {
    bool high, wide;
    size_t lines;
  } kPages[] = {{false, false, 1078}, {true, true, 6}, {false, true, 7}};
  ApfWriter writer;
  ASSERT_EQ(writer.Create(Apf()), 0);
  for (const auto& page : kPages) {
    ASSERT_EQ(writer.BeginPage(page.high, page.wide), 0);
    for (size_t i = 0; i < page.lines; ++i) {
      const RasterLine& line = patterns[i % patterns.size()];
      const std::vector<uint8_t> coded = EncodeRasterLine(line.data(), static_cast<int>(line.size() * 8));
      ASSERT_EQ(writer.AddLine(coded.data(), coded.size()), 0);
    }
    ASSERT_EQ(writer.EndPage(), 0);
  }
  ASSERT_EQ(writer.Finish(""), 0);
  Unpack();
  ExpectPdfShowsApf();
}

// The pages stay in fax coding: a 10-page fax in PDF is about as large as its APF file.
TEST_F(UnpackPdf, ATenPageFaxStaysAboutTheSizeOfItsApfFile) {
  for (const bool high : {false, true}) {
    ConvertText(600, {high ? "--high" : "--lines-per-page=60", "--lines-per-page=60"});
    Unpack();
    const auto apfSize = std::filesystem::file_size(Apf()), pdfSize = std::filesystem::file_size(Pdf());
    EXPECT_NE(Poppler("pdfinfo", {Pdf()}).find("Pages:           10\n"), std::string::npos);
    EXPECT_LE(static_cast<double>(pdfSize), 1.2 * static_cast<double>(apfSize)) << high;
    RecordProperty(high ? "high" : "standard", std::to_string(pdfSize) + " / " + std::to_string(apfSize));
  }
}

// Failures leave no PDF file, not even one of the pages before the failure.
struct Failure {
  std::vector<std::string> args;
  int exitCode;
  double keep;  // the part of the APF file kept, 0: all
  bool notAFax;
};

void PrintTo(const Failure& f, std::ostream* out) {
  *out << (f.notAFax ? "no fax " : f.keep > 0 ? "cut short " : "") << ::testing::PrintToString(f.args);
}

class UnpackPdfFailure : public UnpackPdf, public ::testing::WithParamInterface<Failure> {};

TEST_P(UnpackPdfFailure, LeavesNoFile) {
  const Failure& f = GetParam();
  ConvertText(100, {"--lines-per-page", "45"});
  if (f.notAFax) WriteAll(Apf(), "%PDF-1.4 but no fax\n");
  if (f.keep > 0) std::filesystem::resize_file(Apf(), static_cast<uintmax_t>(std::filesystem::file_size(Apf()) * f.keep));
  std::vector<std::string> args{"unpack", "-t", "pdf", "-o", Pdf()};
  args.insert(args.end(), f.args.begin(), f.args.end());
  const ToolRun r = Tool(args);
  EXPECT_EQ(r.exitCode, f.exitCode) << r.out << r.err;
  EXPECT_FALSE(r.err.empty());
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".pdf"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Failures, UnpackPdfFailure,
                         ::testing::Values(Failure{{}, 1, 0, true}, Failure{{}, 1, 0.6, false},
                                           Failure{{"--page", "4"}, 1, 0, false},
                                           Failure{{"--scale-h", "1/2"}, 2, 0, false},
                                           Failure{{"--aspect", "half-width"}, 2, 0, false}));

}  // namespace
}  // namespace telvane::test
