// PCX and DCX inputs: files written by ImageMagick, and hand-made files for
// the header checks, runs across line ends, padding and malformed DCX tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/fax_converter.h"
#include "tests/faxdoc/image_test_util.h"
#include "faxdoc/pcx_format.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::CountWrongPixels;
using test::Placement;

class PcxInputTest : public ::testing::Test {
 protected:
  void SetUp() override { cvt.SetOptions(0); }
  int Convert(FaxInputDocumentType type, const std::string& in) {
    return test::ConvertFile(cvt, type, in, dir.File("out.apf"));
  }
  std::vector<test::RasterPage> Pages() { return test::ReadApfPages(dir.File("out.apf")); }

  // A monochrome image file made by ImageMagick from a PBM, through GIF so
  // that it is written as a 1-bit palette image.
  std::string MagickImage(const std::string& name, int w, int h, const test::PixelFn& black) {
    const std::string pbm = dir.File(name + ".pbm"), gif = dir.File(name + ".gif");
    test::WritePbm(pbm, w, h, black);
    EXPECT_TRUE(test::MagickConvert(pbm + " " + gif));
    return gif;
  }

  test::TempDir dir;
  TApdFaxConverter cvt;
};

test::PixelFn PatternOf(int w, int h) {
  return [w, h](int x, int y) { return test::Pattern(x, y, w, h); };
}

// ImageMagick 6 writes a monochrome PCX with a set bit for each dark pixel
// and a header palette of black, white, so that by the palette and by the
// PCX convention (a set bit is white) the picture is stored inverted; it
// reads its own files back the other way round. This reader keeps to the
// convention, so ImageMagick's PCX images come out as the negative of what
// it was given: every pixel, the frame and padding included, tells whether
// lines, runs and line lengths were decoded right.
test::PixelFn NegativeOf(int w, int h) {
  return [w, h](int x, int y) { return !test::Pattern(x, y, w, h); };
}

TEST_F(PcxInputTest, ReadsPcxWrittenByImageMagick) {
  if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  for (int w : {101, 1700}) {
    SCOPED_TRACE(w);
    const std::string gif = MagickImage("p", w, 40, PatternOf(w, 40));
    ASSERT_TRUE(test::MagickConvert(gif + " " + dir.File("p.pcx")));
    ASSERT_EQ(Convert(idPcx, dir.File("p.pcx")), 0);
    const auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(CountWrongPixels(pages[0], w, 40, NegativeOf(w, 40), Placement{}), 0);
  }
}

TEST_F(PcxInputTest, ThreeImageDcxGivesThreePagesEachPlacedForItself) {
  if (!test::MagickAvailable()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  cvt.SetOptions(coDoubleWidth | coCenterImage);
  const int widths[3] = {300, 1000, 64};
  std::string inputs;
  for (int i = 0; i < 3; ++i) inputs += MagickImage("d" + std::to_string(i), widths[i], 20 + i, PatternOf(widths[i], 20 + i)) + " ";
  ASSERT_TRUE(test::MagickConvert(inputs + dir.File("three.dcx")));
  ASSERT_EQ(Convert(idDcx, dir.File("three.dcx")), 0);
  const auto pages = Pages();
  ASSERT_EQ(pages.size(), 3u);
  // 300 and 64 pixels are doubled and centred; 1000 is only centred.
  EXPECT_EQ(CountWrongPixels(pages[0], 300, 20, NegativeOf(300, 20),
                             Placement{.centreBytes = (1728 - 600) / 32, .doubled = true}), 0);
  EXPECT_EQ(CountWrongPixels(pages[1], 1000, 21, NegativeOf(1000, 21), Placement{.centreBytes = 45}), 0);
  EXPECT_EQ(CountWrongPixels(pages[2], 64, 22, NegativeOf(64, 22),
                             Placement{.centreBytes = (1728 - 128) / 32, .doubled = true}), 0);
}

// Hand-made PCX: a header and already encoded data.
std::string PcxFile(const PcxHeader& h, const std::vector<uint8_t>& data) {
  const auto head = h.Pack();
  std::string f(head.begin(), head.end());
  f.append(data.begin(), data.end());
  return f;
}

PcxHeader Header(int width, int height, int bytesPerLine, uint8_t version = 5) {
  PcxHeader h;
  h.Version = version;
  h.XMax = static_cast<uint16_t>(width - 1);
  h.YMax = static_cast<uint16_t>(height - 1);
  h.BytesPerLine = static_cast<uint16_t>(bytesPerLine);
  return h;
}

TEST_F(PcxInputTest, RunsPastTheImageWidthGoOnFromVersion4AndAreSkippedBefore) {
  // 12 pixels (2 bytes), 4 bytes a line, all black; in PCX a set bit is
  // white. The run C3 00 covers the padding of line 0 and the first byte of
  // line 1, C2 00 the second byte of line 1 and its padding. Padding bytes
  // of 00 would be black if they were not masked.
  const std::vector<uint8_t> data = {0x00, 0x0F, 0xC3, 0x00, 0x0F, 0xC2, 0x00};
  test::WriteAll(dir.File("v5.pcx"), PcxFile(Header(12, 2, 4, 5), data));
  ASSERT_EQ(Convert(idPcx, dir.File("v5.pcx")), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWrongPixels(pages[0], 12, 2, [](int, int) { return true; }, Placement{}), 0);

  // Version 2: both runs would pass the width, so both are skipped. Line 1
  // starts with the byte after C3 00 (0F: four black pixels), and its
  // second byte, where C2 00 stood, stays white.
  test::WriteAll(dir.File("v2.pcx"), PcxFile(Header(12, 2, 4, 2), data));
  ASSERT_EQ(Convert(idPcx, dir.File("v2.pcx")), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWrongPixels(pages[0], 12, 2, [](int x, int y) { return y == 0 || x < 4; }, Placement{}), 0);
}

TEST_F(PcxInputTest, LinesStopAtTheImageHeightOrWhereTheDataEnds) {
  // Three lines of data (one all black) after a header that says two.
  test::WriteAll(dir.File("h.pcx"), PcxFile(Header(16, 2, 2), {0xC2, 0x00, 0xC2, 0xFF, 0xC2, 0x00}));
  ASSERT_EQ(Convert(idPcx, dir.File("h.pcx")), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWrongPixels(pages[0], 16, 2, [](int, int y) { return y == 0; }, Placement{}), 0);

  // A header that says 10 lines over data for one and a half.
  test::WriteAll(dir.File("s.pcx"), PcxFile(Header(16, 10, 2), {0xC2, 0x00, 0x00}));
  ASSERT_EQ(Convert(idPcx, dir.File("s.pcx")), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(CountWrongPixels(pages[0], 16, 2, [](int x, int y) { return y == 0 || x < 8; }, Placement{}), 0);
}

TEST_F(PcxInputTest, HeaderChecks) {
  const std::vector<uint8_t> line(2, 0xFF);
  struct Case {
    const char* what;
    PcxHeader h;
    int rc;
  };
  std::vector<Case> cases;
  PcxHeader h = Header(16, 1, 2);
  h.XMin = 100;
  h.XMax = 1900;  // x max - x min = 1800 > 1728
  cases.push_back({"1801 pixels wide", h, ecBadGraphicsFormat});
  h.XMax = 1828;  // x max - x min = 1728: still accepted
  h.BytesPerLine = 2;
  cases.push_back({"1729 pixels wide", h, 0});
  h = Header(16, 1, 2);
  h.Manufacturer = 11;
  cases.push_back({"manufacturer", h, ecBadGraphicsFormat});
  h = Header(16, 1, 2);
  h.Encoding = 0;
  cases.push_back({"encoding", h, ecBadGraphicsFormat});
  h = Header(16, 1, 2);
  h.BitsPerPixel = 8;
  cases.push_back({"8 bits per pixel", h, ecBadGraphicsFormat});
  h = Header(16, 1, 2);
  h.Planes = 4;
  cases.push_back({"four planes of 1 bit (16 colours)", h, ecBadGraphicsFormat});
  h = Header(16, 1, 0);
  cases.push_back({"no bytes per line", h, ecBadGraphicsFormat});
  h = Header(16, 1, 2);
  h.XMin = 20;
  cases.push_back({"x max left of x min", h, ecBadGraphicsFormat});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir.File("out.apf"));
    test::WriteAll(dir.File("c.pcx"), PcxFile(c.h, line));
    EXPECT_EQ(Convert(idPcx, dir.File("c.pcx")), c.rc);
    if (c.rc != 0) {
      EXPECT_TRUE(test::NoApfIn(dir));
    }
  }
  std::filesystem::remove(dir.File("out.apf"));
  test::WriteAll(dir.File("short.pcx"), std::string(100, '\x0a'));
  EXPECT_EQ(Convert(idPcx, dir.File("short.pcx")), ecBadGraphicsFormat);
  EXPECT_TRUE(test::NoApfIn(dir));
}

// A DCX file: magic, offsets (zero-terminated, table padded to 4100 bytes)
// and the PCX images.
std::string DcxFile(const std::vector<std::string>& images, std::vector<uint32_t> offsets = {}) {
  std::string f(kDcxHeaderSize, '\0');
  auto put32 = [&f](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  put32(0, kDcxMagic);
  const bool own = offsets.empty();
  for (size_t i = 0; i < images.size(); ++i) {
    if (own) offsets.push_back(static_cast<uint32_t>(f.size()));
    f += images[i];
  }
  for (size_t i = 0; i < offsets.size(); ++i) put32(4 + 4 * i, offsets[i]);
  return f;
}

TEST_F(PcxInputTest, DcxPagesProgressAndOrder) {
  const std::string black = PcxFile(Header(16, 3, 2), {0xC6, 0x00});
  const std::string white = PcxFile(Header(8, 1, 2), {0xFF, 0xFF});
  uint64_t total = 0, done = 0;
  cvt.OnStatus = [&](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t d, uint64_t t, bool&) {
    total = t;
    done = d;
  };
  // Pages are taken in the order of the table, whatever their order in the file.
  std::string f = DcxFile({black, white});
  const uint32_t first = kDcxHeaderSize, second = first + static_cast<uint32_t>(black.size());
  f = DcxFile({black, white}, {second, first});
  test::WriteAll(dir.File("two.dcx"), f);
  ASSERT_EQ(Convert(idDcx, dir.File("two.dcx")), 0);
  const auto pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 1u);
  EXPECT_EQ(test::BlackPixels(pages[0][0]), 0);
  EXPECT_EQ(pages[1].size(), 3u);
  EXPECT_EQ(test::BlackPixels(pages[1][2]), 16);
  EXPECT_EQ(total, 2u + 2u);
  EXPECT_EQ(done, total);
}

TEST_F(PcxInputTest, MalformedDcxFailsAndLeavesNoApf) {
  const std::string page = PcxFile(Header(16, 1, 2), {0xC2, 0x00});
  std::string badPage = page;
  badPage[3] = 8;  // 8 bits per pixel
  std::string wrongMagic = DcxFile({page});
  wrongMagic[0] ^= 1;
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"wrong magic", wrongMagic},
      {"no pages", DcxFile({}, {})},
      {"tiny file", std::string("\xb1\x68\xde\x3a", 4)},
      {"offset beyond the file", DcxFile({page}, {100000})},
      {"page shorter than a header", DcxFile({page.substr(0, 100)})},
      {"bad second page", DcxFile({page, badPage})},
  };
  for (const auto& [what, file] : cases) {
    SCOPED_TRACE(what);
    test::WriteAll(dir.File("bad.dcx"), file);
    EXPECT_EQ(Convert(idDcx, dir.File("bad.dcx")), ecBadGraphicsFormat);
    EXPECT_TRUE(test::NoApfIn(dir));
  }
}

}  // namespace
}  // namespace telvane
