// PDF documents in: a three-page document made by Ghostscript from a small
// PostScript file (text in two fonts, a ruled table) gives one fax page per
// PDF page agreeing with Ghostscript's own one-bit rendering at the fax's
// resolution on at least 97 % of the pixels; unreadable documents give
// -8002 and no output.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "base/error_codes.h"
#include "faxdoc/image_kind.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"
#include "tests/support/apf_pages.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr const char* kReport = R"(%!PS
<< /PageSize [595 842] >> setpagedevice
/page { /n exch def
  /Times-Roman findfont 14 scalefont setfont
  72 760 moveto (Quarterly report, page ) show n 3 string cvs show
  /Courier findfont 11 scalefont setfont
  0 1 24 { /i exch def 72 720 i 14 mul sub moveto (Line ) show i 3 string cvs show
           ( of fixed-width text: ABCDEFGHIJ 0123456789 abcdefghij) show } for
  0.8 setlinewidth
  0 1 6 { /r exch def 72 300 r 20 mul sub moveto 523 300 r 20 mul sub lineto stroke } for
  [72 222 372 523] { /x exch def x 300 moveto x 180 lineto stroke } forall
  /Times-Bold findfont 12 scalefont setfont
  0 1 5 { /r exch def 80 285 r 20 mul sub moveto (Item ) show r 3 string cvs show
          230 285 r 20 mul sub moveto (Amount ) show r 17 mul 5 add 4 string cvs show
          380 285 r 20 mul sub moveto (Note ) show } for
  showpage } def
1 page 2 page 3 page
)";

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// Ghostscript's page as rows of black (true) and white pixels.
struct Pbm {
  int width = 0, height = 0;
  std::vector<std::vector<bool>> rows;
};

Pbm ReadPbm(const std::string& fileName) {
  Pbm pbm;
  const QImage image = QImage(QString::fromStdString(fileName)).convertToFormat(QImage::Format_Grayscale8);
  pbm.width = image.width();
  pbm.height = image.height();
  for (int y = 0; y < pbm.height; ++y) {
    std::vector<bool> row(pbm.width);
    for (int x = 0; x < pbm.width; ++x) row[x] = image.constScanLine(y)[x] < 128;
    pbm.rows.push_back(std::move(row));
  }
  return pbm;
}

// Share of the reference's pixels that the fax page agrees with, the page
// laid over the reference where it fits best (the converter's margin and
// centring place it): the offsets that best match the black pixel counts of
// the columns and of the rows, and the ones next to them.
double Agreement(const test::RasterPage& page, const Pbm& reference) {
  const int lineWidth = static_cast<int>(page.empty() ? 0 : page[0].size() * 8);
  const int rows = static_cast<int>(page.size());
  const auto black = [&](int x, int y) { return y >= 0 && y < rows && x >= 0 && x < lineWidth && test::Pixel(page[y], x); };
  std::vector<long> pageColumns(lineWidth), pageRows(rows), refColumns(reference.width), refRows(reference.height);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < lineWidth; ++x) pageColumns[x] += black(x, y), pageRows[y] += black(x, y);
  for (int y = 0; y < reference.height; ++y)
    for (int x = 0; x < reference.width; ++x) refColumns[x] += reference.rows[y][x], refRows[y] += reference.rows[y][x];
  const auto bestShift = [](const std::vector<long>& ours, const std::vector<long>& theirs, int range) {
    int best = 0;
    long bestCost = -1;
    for (int d = -range; d <= range; ++d) {
      long cost = 0;
      for (int i = 0; i < static_cast<int>(theirs.size()); ++i) {
        const int j = i + d;
        cost += std::labs(theirs[i] - (j >= 0 && j < static_cast<int>(ours.size()) ? ours[j] : 0));
      }
      if (bestCost < 0 || cost < bestCost) bestCost = cost, best = d;
    }
    return best;
  };
  const int dx0 = bestShift(pageColumns, refColumns, 128), dy0 = bestShift(pageRows, refRows, 16);
  long best = 0;
  for (int dy = dy0 - 1; dy <= dy0 + 1; ++dy) {
    for (int dx = dx0 - 1; dx <= dx0 + 1; ++dx) {
      long same = 0;
      for (int y = 0; y < reference.height; ++y)
        for (int x = 0; x < reference.width; ++x) same += black(x + dx, y + dy) == reference.rows[y][x];
      best = std::max(best, same);
    }
  }
  return static_cast<double>(best) / (static_cast<double>(reference.width) * reference.height);
}

class PdfInputTest : public ::testing::TestWithParam<TFaxResolution> {
 protected:
  void SetUp() override {
    if (!Shell("gs --version")) GTEST_SKIP() << "Ghostscript is not installed";
    test::WriteAll(dir.File("report.ps"), kReport);
    ASSERT_TRUE(Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile=" + dir.File("report.pdf") +
                    " " + dir.File("report.ps")));
  }
  test::TempDir dir;
};

TEST_P(PdfInputTest, PagesAgreeWithGhostscriptsOneBitRendering) {
  const bool high = GetParam() == frHigh;
  const std::string input = dir.File("report.pdf");
  EXPECT_EQ(FileImageKind(input), ImageKind::Pdf);
  EXPECT_TRUE(NeedsBmp8Preparation(input));
  ASSERT_TRUE(Shell(std::string("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pbmraw -r204x") + (high ? "196" : "98") +
                  " -sOutputFile=" + dir.File("gs-%d.pbm") + " " + input));
  TApdFaxConverter cvt;
  cvt.Resolution = GetParam();
  ASSERT_EQ(ConvertPreparedImage(cvt, input, dir.File("prep.Bmp"), dir.File("out.apf")), 0);
  const std::vector<test::RasterPage> pages = test::ReadApfPages(dir.File("out.apf"));
  ASSERT_EQ(pages.size(), 3u);
  for (size_t p = 0; p < pages.size(); ++p) {
    const Pbm reference = ReadPbm(dir.File("gs-" + std::to_string(p + 1) + ".pbm"));
    ASSERT_GT(reference.width, 1600);
    EXPECT_EQ(static_cast<int>(pages[p].size()), reference.height);
    const double agreement = Agreement(pages[p], reference);
    std::cout << "page " << p + 1 << (high ? " high" : " standard") << ": " << agreement * 100
              << " % of the pixels agree with Ghostscript's\n";
    EXPECT_GE(agreement, 0.97) << "page " << p + 1;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("prep.Bmp")));
}

INSTANTIATE_TEST_SUITE_P(Resolutions, PdfInputTest, ::testing::Values(frNormal, frHigh));

TEST(PdfInput, WidePagesAreFittedToTheLine) {
  if (!Shell("gs --version")) GTEST_SKIP() << "Ghostscript is not installed";
  test::TempDir dir;
  // An A3 page (842 points across) is wider than 1728 pixels at 204 per inch.
  test::WriteAll(dir.File("a3.ps"), "%!PS\n<< /PageSize [842 1191] >> setpagedevice\n"
                                    "0 0 moveto 842 0 lineto 842 1191 lineto 0 1191 lineto closepath fill showpage\n");
  ASSERT_TRUE(Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile=" + dir.File("a3.pdf") + " " +
                  dir.File("a3.ps")));
  for (const TFaxWidth width : {fwNormal, fwWide}) {
    TApdFaxConverter cvt;
    cvt.Width = width;
    cvt.SetOptions(0);
    cvt.LeftMargin = 0;
    ASSERT_EQ(ConvertPreparedImage(cvt, dir.File("a3.pdf"), dir.File("prep.Bmp"), dir.File("a3.apf")), 0);
    const std::vector<test::RasterPage> pages = test::ReadApfPages(dir.File("a3.apf"));
    ASSERT_EQ(pages.size(), 1u);
    // Black from edge to edge of the line: the page fills it, scaled down.
    const int lineWidth = LineWidthOf(width);
    ASSERT_EQ(static_cast<int>(pages[0][10].size()) * 8, lineWidth);
    EXPECT_GE(test::BlackPixels(pages[0][10]), lineWidth - 2);
    // Height in the same proportion: 1191 / 842 of the width, at 98 / 204.
    EXPECT_NEAR(static_cast<double>(pages[0].size()), lineWidth * 1191.0 / 842.0 * 98.0 / 204.0, 2.0);
  }
}

TEST(PdfInput, UnreadableDocumentsFailWithoutOutput) {
  test::TempDir dir;
  const bool gs = Shell("gs --version");
  if (gs) {
    test::WriteAll(dir.File("one.ps"), "%!PS\n/Times-Roman findfont 20 scalefont setfont 72 700 moveto (x) show showpage\n");
    ASSERT_TRUE(Shell("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOwnerPassword=owner -sUserPassword=user "
                    "-sOutputFile=" + dir.File("locked.pdf") + " " + dir.File("one.ps")));
  }
  test::WriteAll(dir.File("empty.pdf"), "");
  test::WriteAll(dir.File("garbage.pdf"), "%PDF-1.4\nthis is no document at all\n");
  test::WriteAll(dir.File("noname"), "%PDF-1.7\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n");
  for (const char* name : {"locked.pdf", "empty.pdf", "garbage.pdf", "noname"}) {
    if (!gs && std::string(name) == "locked.pdf") continue;
    SCOPED_TRACE(name);
    EXPECT_TRUE(NeedsBmp8Preparation(dir.File(name)));
    TApdFaxConverter cvt;
    EXPECT_EQ(ConvertPreparedImage(cvt, dir.File(name), dir.File("prep.Bmp"), dir.File("out.apf")),
              ecBadGraphicsFormat);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.apf")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("prep.Bmp")));
  }
}

}  // namespace
}  // namespace telvane
