// Preparation of JPEG and 2-colour BMP files into 8-bit BMP files, and their
// conversion afterwards.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

#include "faxdoc/bmp_file.h"
#include "base/error_codes.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/image_preparation.h"
#include "tests/faxdoc/image_test_util.h"
#include "faxdoc/jpeg_decoder.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class ImagePreparationTest : public ::testing::Test {
 protected:
  test::TempDir dir;
};

// Left third black, middle third mid-grey, right third white; a red square.
RgbColor Picture(int x, int y) {
  if (x >= 40 && x < 56 && y >= 8 && y < 24) return RgbColor{200, 30, 30};
  if (x < 32) return RgbColor{0, 0, 0};
  if (x < 64) return RgbColor{128, 128, 128};
  return RgbColor{255, 255, 255};
}

TEST_F(ImagePreparationTest, WhichFilesNeedIt) {
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("a.jpg")));  // by name alone
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("a.JPEG")));
  EXPECT_FALSE(NeedsBmp8Preparation(dir.File("a.tif")));
  EXPECT_FALSE(NeedsBmp8Preparation(dir.File("missing.bmp")));
  const Bitmap mono = test::MonoBitmap(9, 3, [](int x, int) { return x & 1; });
  ASSERT_EQ(SaveBmpFile(dir.File("two.BMP"), mono), 0);
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("two.BMP")));
  ASSERT_EQ(SaveBmp8File(dir.File("eight.bmp"), mono), 0);
  EXPECT_FALSE(NeedsBmp8Preparation(dir.File("eight.bmp")));
  // The headers decide, whatever the name: a BMP is known by its first bytes.
  ASSERT_EQ(SaveBmpFile(dir.File("two.scan"), mono), 0);
  EXPECT_TRUE(IsTwoColourBmp(dir.File("two.scan")));
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("two.scan")));
  EXPECT_FALSE(IsTwoColourBmp(dir.File("eight.bmp")));
  EXPECT_FALSE(IsTwoColourBmp(dir.File("missing.bmp")));

  EXPECT_EQ(PreparedBmpName("/tmp/a.b/scan.BMP"), "/tmp/a.b/scan.Bmp");
  EXPECT_EQ(PreparedBmpName("/tmp/a.b/photo.1.jpeg"), "/tmp/a.b/photo.1.Bmp");
}

TEST_F(ImagePreparationTest, JpegBecomesGreyLevelsCloseToQtsDecoding) {
  if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  test::WritePpm(dir.File("p.ppm"), 96, 32, Picture);
  for (const char* options : {"-quality 95", "-quality 95 -colorspace Gray", "-quality 95 -interlace JPEG",
                              "-quality 95 -colorspace CMYK"}) {
    SCOPED_TRACE(options);
    ASSERT_TRUE(test::MagickConvert(dir.File("p.ppm") + " " + options + " " + dir.File("p.jpg")));
    ASSERT_EQ(PrepareBmp8(dir.File("p.jpg"), dir.File("p.Bmp")), 0);
    BmpInfo info;
    ASSERT_EQ(ReadBmpInfo(dir.File("p.Bmp"), info), 0);
    EXPECT_EQ(info.BitsPerPixel, 8);
    Bitmap grey;
    ASSERT_EQ(LoadBmpFile(dir.File("p.Bmp"), grey), 0);
    const QImage qt(QString::fromStdString(dir.File("p.jpg")));
    if (qt.isNull()) GTEST_SKIP() << "Qt has no JPEG reader here";
    int far = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 96; ++x) {
        const RgbColor c = grey.Pixel(x, y);
        EXPECT_TRUE(c.red == c.green && c.green == c.blue);
        const QRgb q = qt.pixel(x, y);
        const int mean = (qRed(q) + qGreen(q) + qBlue(q) + 1) / 3;
        if (std::abs(mean - c.red) > 6) ++far;
      }
    }
    EXPECT_EQ(far, 0);
  }
}

TEST_F(ImagePreparationTest, PreparedJpegConvertsThroughTheThresholds) {
  if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  test::WritePpm(dir.File("p.ppm"), 96, 32, Picture);
  ASSERT_TRUE(test::MagickConvert(dir.File("p.ppm") + " -quality 100 " + dir.File("p.jpg")));
  ASSERT_EQ(PrepareBmp8(dir.File("p.jpg"), PreparedBmpName(dir.File("p.jpg"))), 0);
  TApdFaxConverter cvt;
  cvt.SetOptions(0);
  ASSERT_EQ(test::ConvertFile(cvt, idBmp, dir.File("p.Bmp"), dir.File("p.apf")), 0);
  const auto pages = test::ReadApfPages(dir.File("p.apf"));
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), 32u);
  // Black stays black, mid-grey and white stay white (away from the edges
  // JPEG blurs); in the red square (sum about 260) the thresholds above 260,
  // about a third of the table, make black pixels.
  int squareBlack = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 28; ++x) EXPECT_TRUE(test::Pixel(pages[0][y], 50 + x)) << x << "," << y;
    for (int x = 36; x < 96; ++x) {
      const bool square = x >= 38 && x < 58 && y >= 6 && y < 26;
      if (!square) {
        EXPECT_FALSE(test::Pixel(pages[0][y], 50 + x)) << x << "," << y;
      }
      if (x >= 42 && x < 54 && y >= 10 && y < 22) squareBlack += test::Pixel(pages[0][y], 50 + x);
    }
  }
  EXPECT_GT(squareBlack, 12 * 12 / 4);
  EXPECT_LT(squareBlack, 12 * 12 / 2);
}

TEST_F(ImagePreparationTest, TwoColourBmpKeepsItsPictureAndConvertsAsBefore) {
  const auto black = [](int x, int y) { return x < 40 || (x + y) % 5 == 0; };
  const Bitmap mono = test::MonoBitmap(70, 40, black);
  ASSERT_EQ(SaveBmpFile(dir.File("m.bmp"), mono), 0);
  const std::string prepared = PreparedBmpName(dir.File("m.bmp"));
  ASSERT_EQ(PrepareBmp8(dir.File("m.bmp"), prepared), 0);
  BmpInfo info;
  ASSERT_EQ(ReadBmpInfo(prepared, info), 0);
  EXPECT_EQ(info.BitsPerPixel, 8);
  // Through the colour rule every black pixel stays black: the result is the
  // same page as the 1-bit file gives.
  TApdFaxConverter cvt;
  cvt.SetOptions(0);
  ASSERT_EQ(test::ConvertFile(cvt, idBmp, prepared, dir.File("p.apf")), 0);
  EXPECT_EQ(test::CountWrongPixels(test::ReadApfPages(dir.File("p.apf")).at(0), 70, 40, black, test::Placement{}), 0);
  ASSERT_EQ(test::ConvertFile(cvt, idBmp, dir.File("m.bmp"), dir.File("m.apf")), 0);
  EXPECT_EQ(test::CountWrongPixels(test::ReadApfPages(dir.File("m.apf")).at(0), 70, 40, black, test::Placement{}), 0);

  // Prepared over itself.
  ASSERT_EQ(SaveBmpFile(dir.File("same.Bmp"), mono), 0);
  ASSERT_EQ(PrepareBmp8(dir.File("same.Bmp"), dir.File("same.Bmp")), 0);
  ASSERT_EQ(ReadBmpInfo(dir.File("same.Bmp"), info), 0);
  EXPECT_EQ(info.BitsPerPixel, 8);
}

TEST_F(ImagePreparationTest, BadSourcesFailAndWriteNothing) {
  if (test::MagickAvailable()) {
    test::WritePpm(dir.File("p.ppm"), 64, 64, Picture);
    ASSERT_TRUE(test::MagickConvert(dir.File("p.ppm") + " " + dir.File("full.jpg")));
    const std::string jpeg = test::ReadAll(dir.File("full.jpg"));
    test::WriteAll(dir.File("cut.jpg"), jpeg.substr(0, jpeg.size() / 2));
    EXPECT_EQ(PrepareBmp8(dir.File("cut.jpg"), dir.File("cut.Bmp")), ecBadGraphicsFormat);
    std::string huge = jpeg;
    // The frame header's height and width (SOF0: FF C0, length, precision, then sizes).
    const size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, "\xFF\xFF\xFF\xFF");
    test::WriteAll(dir.File("huge.jpg"), huge);
    EXPECT_EQ(PrepareBmp8(dir.File("huge.jpg"), dir.File("huge.Bmp")), ecBadGraphicsFormat);
  }
  test::WriteAll(dir.File("text.jpg"), "not a picture at all");
  EXPECT_EQ(PrepareBmp8(dir.File("text.jpg"), dir.File("text.Bmp")), ecBadGraphicsFormat);
  test::WriteAll(dir.File("soi.jpg"), std::string("\xFF\xD8\xFF\xE0", 4));
  EXPECT_EQ(PrepareBmp8(dir.File("soi.jpg"), dir.File("soi.Bmp")), ecBadGraphicsFormat);
  EXPECT_EQ(PrepareBmp8(dir.File("missing.jpg"), dir.File("missing.Bmp")), ecFileNotFound);
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().extension(), ".Bmp") << entry.path();
}

}  // namespace
}  // namespace telvane
