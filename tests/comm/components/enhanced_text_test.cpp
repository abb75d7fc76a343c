// Enhanced text: the header line drawn with a system font instead of the
// built-in fax font (text covers and the whole path through a session are
// checked in send_fax_test.cpp).
#include <gtest/gtest.h>

#include "tests/support/apf_pages.h"
#include "tests/comm/components/bar_renderer.h"
#include "base/error_codes.h"
#include "faxdoc/header_line.h"
#include "faxdoc/page_lines.h"
#include "faxdoc/t4_decoder.h"

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
