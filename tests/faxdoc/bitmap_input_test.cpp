// Bitmap objects to fax pages: placement decisions (double width, half
// height, centring), the monochrome copy-out and the colour threshold rule.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/apf_pages.h"
#include "faxdoc/bitmap_input.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "tests/faxdoc/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::CountWrongPixels;
using test::Placement;

class BitmapInputTest : public ::testing::Test {
 protected:
  // Converts a bitmap with `cvt`'s settings and reads back the only page.
  test::RasterPage Convert(const Bitmap& bitmap) {
    const std::string out = dir.File("out.apf");
    EXPECT_EQ(test::ConvertBitmapTo(cvt, bitmap, out), 0);
    auto pages = test::ReadApfPages(out);
    EXPECT_EQ(pages.size(), 1u);
    return pages.empty() ? test::RasterPage{} : pages[0];
  }

  test::TempDir dir;
  TApdFaxConverter cvt;
};

auto Stripes(int x, int y) { return ((x / 3) + y) % 4 == 0; }

TEST_F(BitmapInputTest, DoubleWidthWhenTwiceTheImageFitsRightOfTheMargin) {
  cvt.SetOptions(coDoubleWidth);
  // 2 x 800 = 1600 <= 1728 - 50: doubled.
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(800, 6, Stripes)), 800, 6, Stripes,
                             Placement{.doubled = true}),
            0);
  // 2 x 900 = 1800 > 1678: not doubled (and cut at the line's end).
  const auto page = Convert(test::MonoBitmap(900, 6, Stripes));
  EXPECT_EQ(CountWrongPixels(page, 900, 6, Stripes, Placement{}), 0);
  // 2 x 839 = 1678 is the widest image still doubled.
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(839, 2, Stripes)), 839, 2, Stripes,
                             Placement{.doubled = true}),
            0);
}

TEST_F(BitmapInputTest, HighResolutionNeverDoublesNorHalves) {
  cvt.SetOptions(coDoubleWidth | coHalfHeight);
  cvt.Resolution = frHigh;
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(800, 9, Stripes)), 800, 9, Stripes, Placement{}), 0);
}

TEST_F(BitmapInputTest, HalfHeightCodesOddRowsUnlessDoubled) {
  cvt.SetOptions(coHalfHeight);
  const Bitmap tall = test::MonoBitmap(1000, 1000, Stripes);
  const auto half = Convert(tall);
  EXPECT_EQ(half.size(), 500u);
  EXPECT_EQ(CountWrongPixels(half, 1000, 1000, Stripes, Placement{}, 2), 0);

  // A doubled image keeps every row.
  cvt.SetOptions(coHalfHeight | coDoubleWidth);
  const Bitmap narrow = test::MonoBitmap(800, 1000, Stripes);
  EXPECT_EQ(Convert(narrow).size(), 1000u);
}

TEST_F(BitmapInputTest, CentreOffset) {
  cvt.SetOptions(coCenterImage);
  // (1728 - 1000) / 16 = 45 bytes, 360 pixels, after the margin.
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(1000, 4, Stripes)), 1000, 4, Stripes,
                             Placement{.centreBytes = 45}),
            0);
  // Doubled: (1728 - 2 x 600) / 32 = 16 bytes, then doubled with the image.
  cvt.SetOptions(coCenterImage | coDoubleWidth);
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(600, 4, Stripes)), 600, 4, Stripes,
                             Placement{.centreBytes = 16, .doubled = true}),
            0);
  // Less than 16 pixels to spare: not centred.
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(1713, 2, Stripes)), 1713, 2, Stripes, Placement{}), 0);
  // Wide lines: (2048 - 1000) / 16 = 65 bytes.
  cvt.Width = fwWide;
  cvt.SetOptions(coCenterImage);
  EXPECT_EQ(CountWrongPixels(Convert(test::MonoBitmap(1000, 2, Stripes)), 1000, 2, Stripes,
                             Placement{.centreBytes = 65, .lineWidth = 2048}),
            0);
}

TEST_F(BitmapInputTest, TenByTenBitmapGivesTenLinesWhiteRightOfTheImage) {
  cvt.SetOptions(0);
  // All black, so that any bit of the row padding that leaked would show.
  const auto all = [](int, int) { return true; };
  const auto page = Convert(test::MonoBitmap(10, 10, all));
  EXPECT_EQ(page.size(), 10u);
  EXPECT_EQ(CountWrongPixels(page, 10, 10, all, Placement{}), 0);
  for (const auto& line : page) EXPECT_EQ(test::BlackPixels(line), 10);
}

TEST_F(BitmapInputTest, MonochromePaddingBitsAreWhiteWhateverTheBitmapHolds) {
  cvt.SetOptions(0);
  Bitmap b = test::MonoBitmap(12, 3, Stripes);
  for (int y = 0; y < 3; ++y) b.Row(y)[1] &= 0xF0;  // clear (black) the 4 bits right of the image
  EXPECT_EQ(CountWrongPixels(Convert(b), 12, 3, Stripes, Placement{}), 0);
}

Bitmap Uniform(int width, int height, RgbColor c) {
  Bitmap b(Bitmap::Format::Rgb32, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, c);
  return b;
}

TEST_F(BitmapInputTest, MidGreyIsWhiteEverywhere) {
  cvt.SetOptions(0);
  const auto page = Convert(Uniform(64, 64, RgbColor{128, 128, 128}));
  ASSERT_EQ(page.size(), 64u);
  for (const auto& line : page) EXPECT_EQ(test::BlackPixels(line), 0);
  // Just below the largest threshold (310) some pixels turn black.
  int black = 0;
  for (const auto& line : Convert(Uniform(64, 64, RgbColor{103, 103, 103}))) black += test::BlackPixels(line);
  EXPECT_GT(black, 0);
}

TEST_F(BitmapInputTest, PureBlackIsBlackEverywhere) {
  cvt.SetOptions(0);
  const auto page = Convert(Uniform(64, 40, RgbColor{0, 0, 0}));
  ASSERT_EQ(page.size(), 40u);
  for (const auto& line : page) EXPECT_EQ(test::BlackPixels(line), 64);
  // Dark but not black: the four cells whose threshold is 0 stay white in
  // every 32 x 32 block.
  int white = 0;
  for (const auto& line : Convert(Uniform(64, 64, RgbColor{1, 0, 0}))) white += 64 - test::BlackPixels(line);
  EXPECT_EQ(white, 4 * 4);
}

TEST_F(BitmapInputTest, ColourThresholdFollowsTheTable) {
  // f(1, 0) = 16, f(2, 0) = 8, f(0, 1) = 24 (worked out by hand from the rule).
  EXPECT_EQ(ColorThreshold(1, 1), 160);
  EXPECT_EQ(ColorThreshold(2, 1), 80);
  EXPECT_EQ(ColorThreshold(0, 2), 240);
  EXPECT_EQ(ColorThreshold(33, 33), 160);  // the table repeats every 32 columns and rows
  cvt.SetOptions(0);
  // Pixel (1, row 1): a sum of 159 is black, 160 white.
  Bitmap b = Uniform(2, 1, RgbColor{255, 255, 255});
  b.SetPixel(1, 0, RgbColor{53, 53, 53});
  EXPECT_TRUE(test::Pixel(Convert(b)[0], 51));
  b.SetPixel(1, 0, RgbColor{54, 53, 53});
  EXPECT_FALSE(test::Pixel(Convert(b)[0], 51));
}

TEST_F(BitmapInputTest, ColourBitmapYieldsEveryEightPixels) {
  cvt.SetOptions(coYield);
  int yields = 0;
  cvt.Yield = [&yields] { return ++yields, 0; };
  Convert(Uniform(64, 10, RgbColor{0, 0, 0}));
  // 8 per row, plus one at the end of the page.
  EXPECT_EQ(yields, 64 / 8 * 10 + 1);
  // A quit request stops the conversion and leaves no file.
  std::filesystem::remove(dir.File("out.apf"));
  cvt.Yield = [] { return ecGotQuitMsg; };
  EXPECT_EQ(test::ConvertBitmapTo(cvt, Uniform(64, 10, RgbColor{}), dir.File("quit.apf")), ecGotQuitMsg);
  EXPECT_TRUE(test::NoApfIn(dir));
}

TEST_F(BitmapInputTest, ProgressCountsBitmapRowBytes) {
  cvt.SetOptions(0);
  uint64_t lastDone = 0, total = 0;
  cvt.OnStatus = [&](TApdFaxConverter&, bool, bool ending, unsigned, unsigned, uint64_t done, uint64_t toDo, bool&) {
    if (!ending) lastDone = done;
    total = toDo;
  };
  Convert(test::MonoBitmap(20, 7, Stripes));  // rows of 4 bytes (word-padded)
  EXPECT_EQ(total, 28u);
  EXPECT_EQ(lastDone, 28u);
}

TEST_F(BitmapInputTest, ConvertBitmapNeedsABitmapAndRestoresTheInputType) {
  cvt.InputDocumentType = idTiff;
  EXPECT_EQ(test::ConvertBitmapTo(cvt, Bitmap(), dir.File("none.apf")), ecBadArgument);
  EXPECT_EQ(cvt.InputDocumentType, idTiff);
  EXPECT_TRUE(test::NoApfIn(dir));

  // Without an output name the document name gives it.
  cvt.SetDocumentFile(dir.File("cover.fcp"));
  cvt.OutFileName.clear();
  cvt.ConvertBitmap(test::MonoBitmap(8, 8, Stripes));
  EXPECT_EQ(cvt.InputDocumentType, idTiff);
  EXPECT_EQ(test::ReadApfPages(dir.File("cover.APF")).size(), 1u);

  // ConvertDocument with idBitmap has no bitmap to convert.
  cvt.InputDocumentType = idBitmap;
  EXPECT_THROW(cvt.ConvertDocument(), EBadArgument);
}

}  // namespace
}  // namespace telvane
