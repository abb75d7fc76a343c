// telvane-fax unpack --type pdf, read back by independent readers: poppler's
// pdfinfo for the page count and sizes, pdfimages for the exact bitmaps and
// pdftoppm for the rendered pages, each compared with the lines the APF
// reader decodes from the fax.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/apf_pages.h"
#include "tests/support/temp_dir.h"
#include "tests/tool/fax_e2e/tool_process.h"

namespace telvane::test {
namespace {

const std::string kTool = TELVANE_FAX_TOOL;

// A program found along PATH, or the bare name (which then fails to run).
std::string Program(const std::string& name) {
  std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
  std::string folder;
  while (std::getline(path, folder, ':'))
    if (std::filesystem::exists(folder + "/" + name)) return folder + "/" + name;
  return name;
}

struct Pbm {
  int width = 0, height = 0;
  std::string bits;  // rows of whole bytes, set = black
};

// A binary PBM file; width 0 when it is none.
Pbm ReadPbm(const std::string& fileName) {
  std::istringstream in(ReadAll(fileName));
  std::string magic;
  Pbm pbm;
  in >> magic >> pbm.width >> pbm.height;
  if (magic != "P4" || !in) return {};
  in.get();  // the one white-space character before the bits
  pbm.bits.assign(std::istreambuf_iterator<char>(in), {});
  return pbm;
}

// The rows a page of `columns` pixels shows for the decoded lines: each line
// white to the page's width, or cut to it.
std::string ExpectedRows(const RasterPage& page, int columns) {
  const size_t rowBytes = static_cast<size_t>(columns) / 8;
  std::string rows;
  for (const RasterLine& line : page) {
    std::string row(rowBytes, '\0');
    std::copy_n(line.begin(), std::min(line.size(), rowBytes), row.begin());
    rows += row;
  }
  return rows;
}

struct PageSize {
  double width, height;
};

class UnpackPdf : public ::testing::Test {
 protected:
  ToolRun Run(const std::string& program, const std::vector<std::string>& args) {
    return RunTool(program, args, dir_.Path().string());
  }
  void RunOk(const std::string& program, const std::vector<std::string>& args) {
    const ToolRun r = Run(program, args);
    ASSERT_EQ(r.exitCode, 0) << program << ": " << r.out << r.err;
  }

  // `lines` numbered text lines converted into fax.apf with `convertArgs`.
  void ConvertText(int lines, const std::vector<std::string>& convertArgs) {
    std::string text;
    for (int i = 1; i <= lines; ++i)
      text += "Line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog " +
              std::string(static_cast<size_t>(i % 23), '#') + "\n";
    WriteAll(dir_.File("fax.txt"), text);
    std::vector<std::string> args{"convert", "-q", "-o", Apf()};
    args.insert(args.end(), convertArgs.begin(), convertArgs.end());
    args.push_back(dir_.File("fax.txt"));
    RunOk(kTool, args);
  }

  std::string Apf() const { return dir_.File("fax.apf"); }
  std::string Pdf() const { return dir_.File("fax.pdf"); }

  void Unpack(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"unpack", "-q", "-t", "pdf", "-o", Pdf()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(Apf());
    RunOk(kTool, args);
  }

  // Every page's size in points, as pdfinfo reads it.
  std::vector<PageSize> PageSizes(const std::string& pdf) {
    const ToolRun r = Run(Program("pdfinfo"), {"-f", "1", "-l", "9999", pdf});
    EXPECT_EQ(r.exitCode, 0) << "pdfinfo: " << r.err;
    // Poppler mends a damaged file (a wrong cross-reference offset, say) and
    // only says so here.
    EXPECT_EQ(r.err, "") << "pdfinfo";
    std::vector<PageSize> sizes;
    const std::regex pageSize(R"(Page +\d+ size: +([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator m(r.out.begin(), r.out.end(), pageSize), end; m != end; ++m)
      sizes.push_back({std::stod((*m)[1]), std::stod((*m)[2])});
    return sizes;
  }

  // The images of `pdf`, one per page, as pdfimages extracts them.
  std::vector<Pbm> Images(const std::string& pdf) {
    const std::string root = dir_.File("img");
    const ToolRun r = Run(Program("pdfimages"), {pdf, root});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "") << "pdfimages";
    std::vector<Pbm> images;
    for (int n = 0;; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "-%03d.pbm", n);
      if (!std::filesystem::exists(root + name)) break;
      images.push_back(ReadPbm(root + name));
      std::filesystem::remove(root + name);
    }
    return images;
  }

  // Page `page` of `pdf` rendered at the fax's own resolution.
  Pbm Rendered(const std::string& pdf, int page, double linesPerInch) {
    const std::string root = dir_.File("render");
    const std::string n = std::to_string(page);
    EXPECT_EQ(Run(Program("pdftoppm"), {"-mono", "-rx", "204", "-ry", std::to_string(static_cast<int>(linesPerInch)),
                                        "-f", n, "-l", n, "-singlefile", pdf, root})
                  .exitCode,
              0);
    const Pbm pbm = ReadPbm(root + ".pbm");
    std::filesystem::remove(root + ".pbm");
    return pbm;
  }

  TempDir dir_;
};

// The layouts a fax page comes in.
struct Layout {
  const char* name;
  std::vector<std::string> convertArgs;
  int columns;
  double linesPerInch;
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

class UnpackPdfLayout : public UnpackPdf, public ::testing::WithParamInterface<Layout> {};

TEST_P(UnpackPdfLayout, EachPageIsTheFaxPageAtItsSizeBitForBit) {
  const Layout& layout = GetParam();
  std::vector<std::string> args = layout.convertArgs;
  args.insert(args.end(), {"--lines-per-page", "45"});
  ConvertText(100, args);  // pages of 45, 45 and 10 text lines
  const std::vector<RasterPage> pages = ReadApfPages(Apf());
  ASSERT_EQ(pages.size(), 3u);
  Unpack();

  const std::vector<PageSize> sizes = PageSizes(Pdf());
  ASSERT_EQ(sizes.size(), pages.size());
  const std::vector<Pbm> images = Images(Pdf());
  ASSERT_EQ(images.size(), pages.size());
  for (size_t p = 0; p < pages.size(); ++p) {
    SCOPED_TRACE("page " + std::to_string(p + 1));
    EXPECT_NEAR(sizes[p].width, layout.columns * 72.0 / 204.0, 0.01);
    EXPECT_NEAR(sizes[p].height, static_cast<double>(pages[p].size()) * 72.0 / layout.linesPerInch, 0.01);
    const std::string expected = ExpectedRows(pages[p], layout.columns);
    EXPECT_EQ(images[p].width, layout.columns);
    EXPECT_EQ(images[p].height, static_cast<int>(pages[p].size()));
    EXPECT_TRUE(images[p].bits == expected) << "the extracted image differs from the fax page";
    const Pbm rendered = Rendered(Pdf(), static_cast<int>(p + 1), layout.linesPerInch);
    EXPECT_EQ(rendered.width, layout.columns);
    EXPECT_EQ(rendered.height, static_cast<int>(pages[p].size()));
    EXPECT_TRUE(rendered.bits == expected) << "the rendered page differs from the fax page";
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, UnpackPdfLayout,
                         ::testing::Values(Layout{"Standard", {}, 1728, 98}, Layout{"High", {"--high"}, 1728, 196},
                                           Layout{"Wide", {"--wide"}, 2048, 98},
                                           Layout{"WideHigh", {"--wide", "--high"}, 2048, 196}),
                         [](const auto& info) { return std::string(info.param.name); });

// An 11-inch page of standard-resolution lines is a letter page.
TEST_F(UnpackPdf, ALetterLengthStandardPageIsLetterSized) {
  ApfWriter writer;
  ASSERT_EQ(writer.Create(Apf()), 0);
  ASSERT_EQ(writer.BeginPage(false, false), 0);
  RasterLine line(216, 0);
  for (int i = 0; i < 1078; ++i) {
    line[static_cast<size_t>(i) % 216] = static_cast<uint8_t>(i);
    const std::vector<uint8_t> coded = EncodeRasterLine(line.data(), 1728);
    ASSERT_EQ(writer.AddLine(coded.data(), coded.size()), 0);
  }
  ASSERT_EQ(writer.Finish(""), 0);
  Unpack();
  const std::vector<PageSize> sizes = PageSizes(Pdf());
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_NEAR(sizes[0].width, 612, 3);      // 1728 pixels at 204 to the inch: 8.47 inches
  EXPECT_NEAR(sizes[0].height, 792, 0.01);  // 1078 lines at 98 to the inch: 11 inches
  const std::vector<Pbm> images = Images(Pdf());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].bits == ExpectedRows(ReadApfPages(Apf())[0], 1728));
}

// Lines the converter never writes but a received page may hold: one of the
// other width, all black, starting black, a pixel pattern of the shortest
// runs. Pages of different width and resolution in one file.
TEST_F(UnpackPdf, UnusualLinesAndMixedPagesComeOutAsTheReaderDecodesThem) {
  std::vector<RasterLine> lines;
  lines.push_back(RasterLine(216, 0xFF));  // all black
  lines.push_back(RasterLine(216, 0x80));  // starts black, runs of 1 and 7
  lines.push_back(RasterLine(216, 0x55));  // starts white, every run 1 pixel
  lines.push_back(RasterLine(256, 0xF0));  // 2048 pixels of runs of 4
  lines.push_back(RasterLine(216, 0x00));  // all white
  lines.back()[215] = 0x01;                // but the last pixel
  ApfWriter writer;
  ASSERT_EQ(writer.Create(Apf()), 0);
  const struct {
    bool high, wide;
  } kPages[] = {{false, false}, {true, true}, {false, true}};
  for (const auto& page : kPages) {
    ASSERT_EQ(writer.BeginPage(page.high, page.wide), 0);
    for (const RasterLine& line : lines) {
      const std::vector<uint8_t> coded = EncodeRasterLine(line.data(), static_cast<int>(line.size() * 8));
      ASSERT_EQ(writer.AddLine(coded.data(), coded.size()), 0);
    }
    ASSERT_EQ(writer.EndPage(), 0);
  }
  ASSERT_EQ(writer.Finish(""), 0);
  const std::vector<RasterPage> pages = ReadApfPages(Apf());
  ASSERT_EQ(pages.size(), 3u);
  ASSERT_EQ(pages[0].size(), lines.size());
  Unpack();

  const std::vector<PageSize> sizes = PageSizes(Pdf());
  const std::vector<Pbm> images = Images(Pdf());
  ASSERT_EQ(sizes.size(), 3u);
  ASSERT_EQ(images.size(), 3u);
  for (size_t p = 0; p < 3; ++p) {
    SCOPED_TRACE("page " + std::to_string(p + 1));
    const int columns = kPages[p].wide ? 2048 : 1728;
    const double linesPerInch = kPages[p].high ? 196 : 98;
    EXPECT_NEAR(sizes[p].width, columns * 72.0 / 204.0, 0.01);
    EXPECT_NEAR(sizes[p].height, static_cast<double>(lines.size()) * 72.0 / linesPerInch, 0.01);
    EXPECT_EQ(images[p].width, columns);
    EXPECT_TRUE(images[p].bits == ExpectedRows(pages[p], columns));
  }
}

// The pages stay in fax coding: a 10-page fax as PDF is about as large as
// its APF file.
TEST_F(UnpackPdf, ATenPageFaxStaysAboutTheSizeOfItsApfFile) {
  for (const char* resolution : {"--high", ""}) {
    SCOPED_TRACE(*resolution ? "high" : "standard");
    std::vector<std::string> args{"--lines-per-page", "60"};
    if (*resolution) args.push_back(resolution);
    ConvertText(600, args);
    Unpack();
    EXPECT_EQ(PageSizes(Pdf()).size(), 10u);
    const auto apfSize = std::filesystem::file_size(Apf());
    const auto pdfSize = std::filesystem::file_size(Pdf());
    EXPECT_LE(static_cast<double>(pdfSize), 1.2 * static_cast<double>(apfSize));
    RecordProperty(*resolution ? "high_pdf_to_apf" : "standard_pdf_to_apf",
                   std::to_string(pdfSize) + "/" + std::to_string(apfSize));
  }
}

TEST_F(UnpackPdf, OnePageOrAFilePerPage) {
  ConvertText(100, {"--lines-per-page", "45"});
  const std::vector<RasterPage> pages = ReadApfPages(Apf());
  ASSERT_EQ(pages.size(), 3u);

  Unpack({"--page", "2"});
  std::vector<Pbm> images = Images(Pdf());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(images[0].bits == ExpectedRows(pages[1], 1728));

  Unpack({"--per-page"});
  for (size_t p = 0; p < pages.size(); ++p) {
    const std::string name = dir_.File("fax" + std::to_string(p + 1) + ".pdf");
    images = Images(name);
    ASSERT_EQ(images.size(), 1u) << name;
    EXPECT_TRUE(images[0].bits == ExpectedRows(pages[p], 1728)) << name;
  }
}

// Failures leave no PDF file, not even a partial one of the pages before.
struct Failure {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  enum class Input { Fax, NotAFax, CutShort } input;
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class UnpackPdfFailure : public UnpackPdf, public ::testing::WithParamInterface<Failure> {};

TEST_P(UnpackPdfFailure, LeavesNoFile) {
  const Failure& f = GetParam();
  ConvertText(100, {"--lines-per-page", "45"});
  if (f.input == Failure::Input::NotAFax) WriteAll(Apf(), "%PDF-1.4 this is no fax\n");
  if (f.input == Failure::Input::CutShort)
    std::filesystem::resize_file(Apf(), std::filesystem::file_size(Apf()) * 2 / 3);
  std::vector<std::string> args{"unpack", "-t", "pdf", "-o", Pdf()};
  args.insert(args.end(), f.args.begin(), f.args.end());
  args.push_back(Apf());
  const ToolRun r = Run(kTool, args);
  EXPECT_EQ(r.exitCode, f.exitCode) << r.out << r.err;
  EXPECT_FALSE(r.err.empty());
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".pdf"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, UnpackPdfFailure,
    ::testing::Values(Failure{"NotAnApfFile", {}, 1, Failure::Input::NotAFax},
                      Failure{"CutShort", {}, 1, Failure::Input::CutShort},
                      Failure{"NoSuchPage", {"--page", "4"}, 1, Failure::Input::Fax},
                      Failure{"Scaled", {"--scale-h", "1/2"}, 2, Failure::Input::Fax},
                      Failure{"AspectCorrected", {"--aspect", "half-width"}, 2, Failure::Input::Fax}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace telvane::test
