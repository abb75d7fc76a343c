// Images the converter does not read itself (PNG, GIF, netpbm, WebP, TIFF of
// grey levels or colour, PCX of more than 2 colours), prepared into 8-bit
// BMPs: the same fax page as the picture saved as a 1-bit BMP, the expected
// share of black for grey and colour, every TIFF page, and clean failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/image_kind.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"
#include "tests/faxdoc/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 120;

bool Picture(int x, int y) { return test::Pattern(x, y, kWidth, kHeight) || (x / 7 + y / 5) % 9 == 0; }
bool Negative(int x, int y) { return !Picture(x, y); }

class ImageInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    cvt.SetOptions(0);  // no doubling or centring: image column x at fax pixel 50 + x
    test::WritePbm(dir.File("ref.pbm"), kWidth, kHeight, Picture);
  }

  // The pages the converter makes from `input` through the preparation.
  std::vector<test::RasterPage> Prepared(const std::string& input, int expectRc = 0) {
    const std::string out = dir.File("out.apf");
    std::remove(out.c_str());
    EXPECT_EQ(ConvertPreparedImage(cvt, input, dir.File("prep.Bmp"), out), expectRc) << input;
    if (expectRc != 0) return {};
    return test::ReadApfPages(out);
  }

  // The page made straight from the picture as a 1-bit BMP.
  test::RasterPage Reference(const test::PixelFn& black) {
    EXPECT_EQ(SaveBmpFile(dir.File("ref.bmp"), test::MonoBitmap(kWidth, kHeight, black)), 0);
    EXPECT_EQ(test::ConvertFile(cvt, idBmp, dir.File("ref.bmp"), dir.File("ref.apf")), 0);
    return test::ReadApfPages(dir.File("ref.apf")).at(0);
  }

  test::TempDir dir;
  TApdFaxConverter cvt;
};

struct OneBitCase {
  const char* file;
  const char* magickOptions;  // how ImageMagick writes the picture
  ImageKind kind;
};

class OneBitSources : public ImageInputsTest, public ::testing::WithParamInterface<OneBitCase> {};

TEST_P(OneBitSources, GiveTheSamePageAsAOneBitBmp) {
  const OneBitCase& c = GetParam();
  const std::string file = dir.File(c.file);
  ASSERT_TRUE(test::MagickConvert(dir.File("ref.pbm") + " " + c.magickOptions + " " + file));
  EXPECT_EQ(FileImageKind(file), c.kind);
  EXPECT_TRUE(NeedsBmp8Preparation(file));
  // Recognised by content, whatever the name.
  std::filesystem::copy_file(file, dir.File("renamed.dat"));
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("renamed.dat")));

  const test::RasterPage reference = Reference(Picture);
  const std::vector<test::RasterPage> pages = Prepared(dir.File("renamed.dat"));
  ASSERT_EQ(pages.size(), 1u);
  int black = 0, referenceBlack = 0;
  for (const auto& line : pages[0]) black += test::BlackPixels(line);
  for (const auto& line : reference) referenceBlack += test::BlackPixels(line);
  EXPECT_GT(referenceBlack, kWidth * kHeight / 20);
  EXPECT_EQ(black, referenceBlack);
  EXPECT_EQ(test::CountWrongPixels(pages[0], kWidth, kHeight, Picture, test::Placement{}), 0);
  // The prepared copies are gone; the source is untouched.
  EXPECT_FALSE(std::filesystem::exists(dir.File("prep.Bmp")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("renamed.dat")));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OneBitSources,
    ::testing::Values(OneBitCase{"p.png", "", ImageKind::Png}, OneBitCase{"g.png", "-type Grayscale -depth 8", ImageKind::Png},
                      OneBitCase{"c.png", "-type TrueColorAlpha", ImageKind::Png},
                      // white made transparent: laid on white again
                      OneBitCase{"t.png", "-transparent white", ImageKind::Png}, OneBitCase{"p.gif", "", ImageKind::Gif},
                      OneBitCase{"p.pgm", "", ImageKind::Netpbm}, OneBitCase{"p.ppm", "", ImageKind::Netpbm},
                      OneBitCase{"p.webp", "-define webp:lossless=true", ImageKind::WebP},
                      OneBitCase{"g.tif", "-type Grayscale -depth 8", ImageKind::Tiff},
                      OneBitCase{"c.tif", "-type TrueColor -depth 8 -compress lzw", ImageKind::Tiff},
                      OneBitCase{"c.pcx", "-type TrueColor", ImageKind::Pcx},
                      OneBitCase{"p.pcx", "-type Palette -colors 4", ImageKind::Pcx}),
    [](const auto& info) {
      std::string name = info.param.file;
      for (char& ch : name)
        if (ch == '.') ch = '_';
      return name;
    });

// Uniform areas of grey or colour, in PNG, TIFF and PCX: the same share of
// black as the converter gives for the colour in a 24-bit BMP, which it reads
// itself (the 8-bit copy keeps the sum of red, green and blue to within 2),
// and within the range the ordered dither gives for that colour.
struct ShadeCase {
  int red, green, blue;
  double minShare, maxShare;
};

double BlackShare(const std::vector<test::RasterPage>& pages) {
  if (pages.size() != 1) return -1;
  int black = 0;
  for (const auto& line : pages[0]) black += test::BlackPixels(line);
  return static_cast<double>(black) / (kWidth * kHeight);
}

class Shades : public ImageInputsTest, public ::testing::WithParamInterface<ShadeCase> {};

TEST_P(Shades, GiveTheExpectedShareOfBlack) {
  const ShadeCase& c = GetParam();
  Bitmap colour(Bitmap::Format::Rgb32, kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) colour.SetPixel(x, y, RgbColor{uint8_t(c.red), uint8_t(c.green), uint8_t(c.blue)});
  ASSERT_EQ(SaveBmpFile(dir.File("s24.bmp"), colour), 0);
  ASSERT_EQ(test::ConvertFile(cvt, idBmp, dir.File("s24.bmp"), dir.File("s24.apf")), 0);
  const double reference = BlackShare(test::ReadApfPages(dir.File("s24.apf")));
  EXPECT_GE(reference, c.minShare);
  EXPECT_LE(reference, c.maxShare);
  for (const char* file : {"s.png", "s.tif", "s.pcx"}) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(test::MagickConvert(dir.File("s24.bmp") + " -type TrueColor -depth 8 " + dir.File(file)));
    EXPECT_NEAR(BlackShare(Prepared(dir.File(file))), reference, 0.02);
  }
}

INSTANTIATE_TEST_SUITE_P(Colours, Shades,
                         ::testing::Values(ShadeCase{0, 0, 0, 1.0, 1.0}, ShadeCase{40, 40, 40, 0.6, 0.85},
                                           ShadeCase{80, 80, 80, 0.25, 0.5}, ShadeCase{0, 0, 160, 0.3, 0.7},
                                           ShadeCase{150, 20, 0, 0.3, 0.7}, ShadeCase{200, 200, 200, 0.0, 0.0},
                                           ShadeCase{255, 255, 0, 0.0, 0.0}));

TEST_F(ImageInputsTest, EveryPageOfAGreyTiffBecomesAFaxPage) {
  ASSERT_TRUE(test::MagickConvert(dir.File("ref.pbm") + " -negate " + dir.File("neg.pbm")));
  ASSERT_TRUE(test::MagickConvert(dir.File("ref.pbm") + " " + dir.File("neg.pbm") + " " + dir.File("ref.pbm") +
                                  " -type Grayscale -depth 8 " + dir.File("three.tif")));
  EXPECT_TRUE(NeedsBmp8Preparation(dir.File("three.tif")));
  const std::vector<test::RasterPage> pages = Prepared(dir.File("three.tif"));
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(test::CountWrongPixels(pages[0], kWidth, kHeight, Picture, test::Placement{}), 0);
  EXPECT_EQ(test::CountWrongPixels(pages[1], kWidth, kHeight, Negative, test::Placement{}), 0);
  EXPECT_EQ(test::CountWrongPixels(pages[2], kWidth, kHeight, Picture, test::Placement{}), 0);
  for (int n : {1, 2, 3}) EXPECT_FALSE(std::filesystem::exists(dir.File("out.apf.part-" + std::to_string(n))));
  EXPECT_FALSE(std::filesystem::exists(dir.File("prep-2.Bmp")));
}

TEST_F(ImageInputsTest, TwoColourTiffAndPcxStillGoStraightToTheConverter) {
  ASSERT_TRUE(test::MagickConvert(dir.File("ref.pbm") + " -compress Group4 " + dir.File("fax.tif")));
  // A 1-bit PCX header (ImageMagick writes no such file): 1 bit, 1 plane.
  std::string pcx(128, '\0');
  pcx.replace(0, 4, "\x0A\x05\x01\x01");
  pcx[65] = 1;
  test::WriteAll(dir.File("mono.pcx"), pcx);
  EXPECT_FALSE(NeedsBmp8Preparation(dir.File("fax.tif")));
  EXPECT_FALSE(NeedsBmp8Preparation(dir.File("mono.pcx")));
  EXPECT_EQ(PreparedPageName("/a.b/x.Bmp", 2), "/a.b/x-2.Bmp");
}

TEST_F(ImageInputsTest, BadImagesFailWithoutOutput) {
  ASSERT_TRUE(test::MagickConvert(dir.File("ref.pbm") + " " + dir.File("full.png")));
  const std::string png = test::ReadAll(dir.File("full.png"));
  test::WriteAll(dir.File("empty.png"), "");
  test::WriteAll(dir.File("cut.png"), png.substr(0, png.size() / 2));
  // The header says 30000 x 30000 (the IHDR width and height follow the
  // 8-byte signature, the chunk length and its type): refused before any
  // pixel is decoded.
  std::string huge = png;
  huge.replace(16, 8, std::string("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
  test::WriteAll(dir.File("huge.png"), huge);
  test::WriteAll(dir.File("cut.gif"), "GIF89a\x10\x00");
  // A 24-bit PCX of 300 x 120 pixels whose data stops after the header.
  std::string pcx(128, '\0');
  pcx.replace(0, 4, "\x0A\x05\x01\x08");
  pcx.replace(8, 4, std::string("\x2B\x01\x77\x00", 4));
  pcx[65] = 3;
  pcx.replace(66, 2, std::string("\x2C\x01", 2));
  test::WriteAll(dir.File("bad.pcx"), pcx + std::string(30, '\x11'));
  for (const char* name : {"empty.png", "cut.png", "huge.png", "cut.gif", "bad.pcx"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(NeedsBmp8Preparation(dir.File(name)));
    Prepared(dir.File(name), ecBadGraphicsFormat);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.apf")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("prep.Bmp")));
  }
}

}  // namespace
}  // namespace telvane
