// Enhanced text: the header line and text covers drawn with a system font
// instead of the built-in fax font, through the page-line sources the send
// engine uses.
#include <gtest/gtest.h>

#include <cstring>

#include "apf_pages.h"
#include "bar_renderer.h"
#include "error_codes.h"
#include "page_lines.h"
#include "t4_decoder.h"
#include "temp_dir.h"

namespace telvane {
namespace {

using Lines = std::vector<std::vector<std::uint8_t>>;

// Decodes coded lines (each ending where the next EOL starts) into rasters.
test::RasterPage Decode(const Lines& lines) {
  Lines all = lines;
  Lines white;
  EXPECT_EQ(RenderHeaderLines("", false, false, white), 0);  // a white line closes the last one
  all.push_back(white.front());
  MhDecoder decoder;
  test::RasterPage out;
  for (const auto& l : all)
    decoder.Feed(l.data(), l.size(), [&](const uint8_t* p, size_t n) { out.emplace_back(p, p + n); });
  return out;
}

int Black(const test::RasterPage& page) {
  int n = 0;
  for (const auto& line : page) n += test::BlackPixels(line);
  return n;
}

TEST(EnhancedHeaderLine, UsesTheHeaderFontAndDiffersFromTheFaxFont) {
  FaxFontSpec header{"Header Face", -9};
  FaxFontSpec used;
  Lines plain, enhanced;
  ASSERT_EQ(RenderHeaderLines("PAGE 1", false, false, plain), 0);
  ASSERT_EQ(RenderEnhancedHeaderLines("PAGE 1", false, false, header, test::Bars(&used), enhanced), 0);
  EXPECT_EQ(used, header);
  const auto plainRaster = Decode(plain), enhancedRaster = Decode(enhanced);
  ASSERT_EQ(enhancedRaster.size(), 9u) << "one scan line per row of the font";
  EXPECT_NE(plainRaster, enhancedRaster);
  // Six bars, each 6 pixels doubled across at standard resolution, on every row.
  for (const auto& line : enhancedRaster) EXPECT_EQ(test::BlackPixels(line), 6 * 12);
}

TEST(EnhancedHeaderLine, FineResolutionDoublesTheFontInstead) {
  Lines enhanced;
  ASSERT_EQ(RenderEnhancedHeaderLines("AB", true, true, FaxFontSpec{"F", -9}, test::Bars(), enhanced), 0);
  const auto raster = Decode(enhanced);
  ASSERT_EQ(raster.size(), 18u);
  EXPECT_EQ(raster[0].size(), 256u) << "a wide page";
  EXPECT_EQ(test::BlackPixels(raster[5]), 12);
}

TEST(EnhancedHeaderLine, RendererFailuresAreReported) {
  Lines lines;
  EXPECT_EQ(RenderEnhancedHeaderLines("X", false, false, FaxFontSpec{"F", -9}, [] { return nullptr; }, lines),
            ecBadArgument);
}

TEST(EnhancedTextCover, DrawsTheCoverWithTheCoverFont) {
  test::TempDir dir;
  test::WriteAll(dir.File("cover.txt"), "TO: SOMEONE\r\nFROM: ME\r\n");
  FaxFontSpec used;
  TextInputOptions options;
  options.Enhanced = true;
  options.EnhFont = FaxFontSpec{"Cover Face", -15};
  options.RendererFactory = test::Bars(&used);
  TextCoverLines enhanced(false, false, options), plain(false, false);
  ASSERT_EQ(enhanced.Open(dir.File("cover.txt")), 0);
  ASSERT_EQ(plain.Open(dir.File("cover.txt")), 0);
  auto drain = [](PageLines& src) {
    Lines out;
    std::vector<std::uint8_t> line;
    while (src.Next(line) == 1) out.push_back(line);
    return out;
  };
  const auto e = Decode(drain(enhanced)), p = Decode(drain(plain));
  EXPECT_EQ(used, options.EnhFont);
  EXPECT_GT(Black(e), 0);
  EXPECT_GT(Black(p), 0);
  EXPECT_NE(e, p);
}

// The real system-font renderer (offscreen Qt): a line of text is drawn.
TEST(EnhancedHeaderLine, SystemFontDrawsTheText) {
  Lines system, plain;
  const int rc = RenderEnhancedHeaderLines("TELVANE 0123", true, false, FaxFontSpec{"Sans Serif", -12}, {}, system);
  if (rc == ecBadArgument || rc == -1002) GTEST_SKIP() << "no system fonts";
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(RenderHeaderLines("TELVANE 0123", true, false, plain), 0);
  const auto raster = Decode(system);
  EXPECT_GT(Black(raster), 50);
  EXPECT_NE(raster, Decode(plain));
}

}  // namespace
}  // namespace telvane
