// BMP files: ImageMagick's files of every depth read against Qt's BMP
// reader, hand-made variants (top-down, reversed palette, RLE4), files we
// save read back by Qt, and malformed files.
#include <gtest/gtest.h>

#include <QImage>

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "faxdoc/bmp_file.h"
#include "base/error_codes.h"
#include "faxdoc/fax_converter.h"
#include "tests/faxdoc/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

RgbColor QtPixel(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return RgbColor{static_cast<uint8_t>(qRed(p)), static_cast<uint8_t>(qGreen(p)), static_cast<uint8_t>(qBlue(p))};
}

// Number of pixels where our bitmap and Qt's image of the same file differ.
int DifferencesFromQt(const Bitmap& ours, const std::string& file) {
  QImage qt(QString::fromStdString(file));
  EXPECT_FALSE(qt.isNull()) << "Qt cannot read " << file;
  if (qt.isNull()) return -1;
  EXPECT_EQ(ours.Width(), qt.width());
  EXPECT_EQ(ours.Height(), qt.height());
  int wrong = 0;
  for (int y = 0; y < std::min(ours.Height(), qt.height()); ++y)
    for (int x = 0; x < std::min(ours.Width(), qt.width()); ++x)
      if (!(ours.Pixel(x, y) == QtPixel(qt, x, y)) && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
  return wrong;
}

RgbColor Colour(int x, int y, int colours) {
  const int i = (x / 3 + y * 7) % colours;
  return RgbColor{static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 5 % 256)};
}

class BmpFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(BmpFileTest, ReadsImageMagickFilesOfEveryDepth) {
  if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const int w = 37, h = 13;  // odd sizes: row padding at every depth
  test::WritePbm(dir.File("mono.pbm"), w, h, [](int x, int y) { return test::Pattern(x, y, 37, 13); });
  test::WritePpm(dir.File("c12.ppm"), w, h, [](int x, int y) { return Colour(x, y, 12); });
  test::WritePpm(dir.File("c40.ppm"), w, h, [](int x, int y) { return Colour(x, y, 40); });
  test::WritePpm(dir.File("rgb.ppm"), w, h, [](int x, int y) {
    return RgbColor{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 19), static_cast<uint8_t>(x * y)};
  });
  struct Case {
    const char* args;
    int bpp;
    uint32_t compression;
  };
  const Case cases[] = {
      {"mono.pbm -type bilevel BMP3:", 1, 0},
      {"c12.ppm -type palette BMP3:", 4, 0},
      {"c40.ppm -type palette -compress none BMP3:", 8, 0},
      {"c40.ppm -type palette -compress RLE BMP3:", 8, 1},
      {"rgb.ppm -type truecolor BMP3:", 24, 0},
      {"rgb.ppm -alpha on BMP:", 32, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string args = c.args;
    const std::string out = dir.File("out.bmp");
    const size_t space = args.find(' ');
    ASSERT_TRUE(test::MagickConvert(dir.File(args.substr(0, space)) + args.substr(space) + out));
    BmpInfo info;
    ASSERT_EQ(ReadBmpInfo(out, info), 0);
    EXPECT_EQ(info.BitsPerPixel, c.bpp);
    EXPECT_EQ(info.Compression, c.compression);
    Bitmap b;
    ASSERT_EQ(LoadBmpFile(out, b), 0);
    EXPECT_EQ(b.IsMono(), c.bpp == 1);
    EXPECT_EQ(DifferencesFromQt(b, out), 0);
  }
}

// A 1-bit file saved by us, its palette swapped and its bits inverted: the
// same picture, which must load as the same bitmap.
TEST_F(BmpFileTest, MonoBitmapsHaveSetBitsWhiteWhateverThePaletteOrder) {
  const Bitmap original = test::MonoBitmap(21, 5, [](int x, int y) { return (x + y) % 3 == 0; });
  ASSERT_EQ(SaveBmpFile(dir.File("m.bmp"), original), 0);
  std::string f = test::ReadAll(dir.File("m.bmp"));
  const size_t palette = 14 + 40, pixels = palette + 8;
  for (int i = 0; i < 3; ++i) std::swap(f[palette + i], f[palette + 4 + i]);
  for (size_t i = pixels; i < f.size(); ++i) f[i] = static_cast<char>(~f[i]);
  test::WriteAll(dir.File("swapped.bmp"), f);
  for (const char* name : {"m.bmp", "swapped.bmp"}) {
    SCOPED_TRACE(name);
    Bitmap b;
    ASSERT_EQ(LoadBmpFile(dir.File(name), b), 0);
    ASSERT_TRUE(b.IsMono());
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 21; ++x) EXPECT_EQ(b.Pixel(x, y), original.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(DifferencesFromQt(b, dir.File(name)), 0);
  }
}

TEST_F(BmpFileTest, TopDownRowsAndRle4) {
  // Our 24-bit file turned top-down: negative height, rows reversed.
  Bitmap colour(Bitmap::Format::Rgb32, 5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) colour.SetPixel(x, y, Colour(x, y, 9));
  ASSERT_EQ(SaveBmpFile(dir.File("c.bmp"), colour), 0);
  std::string f = test::ReadAll(dir.File("c.bmp"));
  const int32_t negative = -4;
  std::memcpy(&f[22], &negative, 4);
  const size_t stride = 16, start = 54;
  std::string flipped = f.substr(0, start);
  for (int r = 3; r >= 0; --r) flipped += f.substr(start + static_cast<size_t>(r) * stride, stride);
  test::WriteAll(dir.File("topdown.bmp"), flipped);
  Bitmap b;
  ASSERT_EQ(LoadBmpFile(dir.File("topdown.bmp"), b), 0);
  EXPECT_EQ(DifferencesFromQt(b, dir.File("topdown.bmp")), 0);
  EXPECT_EQ(b.Pixel(4, 0), colour.Pixel(4, 0));

  // RLE4, 6 x 2, bottom row first: a run of 5 alternating 1,2 then end of
  // line; an absolute run of 3 (3,4,5), a delta of 1, a run of 1 of 6, end.
  std::string rle("BM", 2);
  rle.append(12, '\0');
  std::string info(40, '\0');
  const int32_t fields[] = {40, 6, 2};
  std::memcpy(&info[0], fields, sizeof fields);
  info[12] = 1;
  info[14] = 4;
  info[16] = 2;  // BI_RLE4
  info[32] = 16;
  rle += info;
  for (int i = 0; i < 16; ++i) rle += std::string{static_cast<char>(i * 16), static_cast<char>(i * 16), static_cast<char>(i * 16), 0};
  const uint32_t offset = static_cast<uint32_t>(rle.size());
  std::memcpy(&rle[10], &offset, 4);
  const uint8_t data[] = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 0, 1, 0x66, 0, 1};
  rle.append(reinterpret_cast<const char*>(data), sizeof data);
  test::WriteAll(dir.File("rle4.bmp"), rle);
  ASSERT_EQ(LoadBmpFile(dir.File("rle4.bmp"), b), 0);
  const int expected[2][6] = {{3, 4, 5, 0, 6, 0}, {1, 2, 1, 2, 1, 0}};  // top row first
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.Pixel(x, y).red, expected[y][x] * 16) << x << "," << y;
}

TEST_F(BmpFileTest, SavedFilesReadBackInQt) {
  const Bitmap mono = test::MonoBitmap(19, 7, [](int x, int y) { return test::Pattern(x, y, 19, 7); });
  ASSERT_EQ(SaveBmpFile(dir.File("m1.bmp"), mono), 0);
  EXPECT_EQ(DifferencesFromQt(mono, dir.File("m1.bmp")), 0);
  ASSERT_EQ(SaveBmp8File(dir.File("m8.bmp"), mono), 0);
  EXPECT_EQ(DifferencesFromQt(mono, dir.File("m8.bmp")), 0);
  BmpInfo info;
  ASSERT_EQ(ReadBmpInfo(dir.File("m8.bmp"), info), 0);
  EXPECT_EQ(info.BitsPerPixel, 8);

  // Colour to 8 bits: the grey of the mean of red, green and blue.
  Bitmap colour(Bitmap::Format::Rgb32, 3, 1);
  colour.SetPixel(0, 0, RgbColor{255, 0, 0});
  colour.SetPixel(1, 0, RgbColor{10, 20, 31});
  colour.SetPixel(2, 0, RgbColor{128, 128, 128});
  ASSERT_EQ(SaveBmp8File(dir.File("g8.bmp"), colour), 0);
  Bitmap grey;
  ASSERT_EQ(LoadBmpFile(dir.File("g8.bmp"), grey), 0);
  EXPECT_EQ(grey.Pixel(0, 0), (RgbColor{85, 85, 85}));
  EXPECT_EQ(grey.Pixel(1, 0), (RgbColor{20, 20, 20}));
  EXPECT_EQ(grey.Pixel(2, 0), (RgbColor{128, 128, 128}));

  EXPECT_EQ(SaveBmpFile(dir.File("null.bmp"), Bitmap()), ecBadArgument);
  // A failed save leaves the earlier file as it was and no partial file.
  EXPECT_NE(SaveBmpFile(dir.File("no-such-folder/x.bmp"), mono), 0);
  const std::string before = test::ReadAll(dir.File("m1.bmp"));
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const bool writable = ::access(dir.Path().c_str(), W_OK) == 0;  // root writes anyway
  if (!writable) {
    EXPECT_NE(SaveBmpFile(dir.File("m1.bmp"), colour), 0);
  }
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(test::ReadAll(dir.File("m1.bmp")), before);
}

TEST_F(BmpFileTest, MalformedFilesAreUnsupportedFormat) {
  const Bitmap mono = test::MonoBitmap(16, 4, [](int x, int) { return x < 8; });
  ASSERT_EQ(SaveBmpFile(dir.File("good.bmp"), mono), 0);
  const std::string good = test::ReadAll(dir.File("good.bmp"));
  auto patched = [&good](size_t at, std::initializer_list<uint8_t> bytes) {
    std::string f = good;
    for (uint8_t b : bytes) f[at++] = static_cast<char>(b);
    return f;
  };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"not BM", patched(0, {'B', 'A'})},
      {"pixels cut short", good.substr(0, good.size() - 1)},
      {"headers only", good.substr(0, 30)},
      {"7 bits per pixel", patched(28, {7})},
      {"width 0", patched(18, {0, 0, 0, 0})},
      {"height 0", patched(22, {0, 0, 0, 0})},
      {"65536 x 65536", patched(18, {0, 0, 1, 0, 0, 0, 1, 0})},
      {"negative width", patched(18, {0xFF, 0xFF, 0xFF, 0xFF})},
      {"unknown header size", patched(14, {41})},
      {"JPEG inside", patched(30, {4})},
      {"RLE8 at 1 bit", patched(30, {1})},
      {"bit fields at 1 bit", patched(30, {3})},
      {"pixels beyond the file", patched(10, {0, 0, 1, 0})},
      {"top-down RLE", [&] {
         std::string f = patched(28, {8, 0, 1});  // 8 bits, RLE8
         const int32_t up = -4;
         std::memcpy(&f[22], &up, 4);
         return f;
       }()},
  };
  for (const auto& [what, file] : cases) {
    SCOPED_TRACE(what);
    test::WriteAll(dir.File("bad.bmp"), file);
    Bitmap b;
    EXPECT_EQ(LoadBmpFile(dir.File("bad.bmp"), b), ecBadGraphicsFormat);
    TApdFaxConverter cvt;
    EXPECT_EQ(test::ConvertFile(cvt, idBmp, dir.File("bad.bmp"), dir.File("bad.apf")), ecBadGraphicsFormat);
    EXPECT_TRUE(test::NoApfIn(dir));
  }
  Bitmap b;
  EXPECT_EQ(LoadBmpFile(dir.File("missing.bmp"), b), ecFileNotFound);
}

}  // namespace
}  // namespace telvane
