// Enhanced text: lines drawn with a system font, placed and scaled per resolution.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/apf_pages.h"
#include "tests/support/convert_text.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "tests/support/temp_dir.h"
#include "faxdoc/text_renderer.h"

namespace telvane {
namespace {

using test::RasterLine;
using test::RasterPage;

// Draws a recognisable pattern instead of glyphs: in row r, pixel x is black
// when (x + r) % 7 == 0 and x < 8 * text length.
class PatternRenderer : public TextBitmapRenderer {
 public:
  static inline std::vector<std::string> drawn;
  static inline bool doubled = false;

  int Setup(const FaxFontSpec&, bool doubleSize, int width) override {
    doubled = doubleSize;
    width_ = width;
    bytesPerRow_ = ((width + 15) / 16) * 2;
    bits_.assign(static_cast<size_t>(bytesPerRow_) * kHeight, 0);
    return 0;
  }
  int Height() const override { return kHeight; }
  int BytesPerRow() const override { return bytesPerRow_; }
  void RenderLine(const std::string& utf8) override {
    drawn.push_back(utf8);
    std::fill(bits_.begin(), bits_.end(), 0);
    for (int r = 0; r < kHeight; ++r)
      for (int x = 0; x < width_ && x < 8 * static_cast<int>(utf8.size()); ++x)
        if ((x + r) % 7 == 0) bits_[r * bytesPerRow_ + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
  const uint8_t* Row(int row) const override { return bits_.data() + row * bytesPerRow_; }

  static constexpr int kHeight = 5;

 private:
  int width_ = 0;
  int bytesPerRow_ = 0;
  std::vector<uint8_t> bits_;
};

class EnhancedTextTest : public ::testing::Test {
 protected:
  int Convert(const std::string& text) {
    cvt.InputDocumentType = idTextEx;
    return test::ConvertText(cvt, dir, text);
  }
  test::TempDir dir;
  TApdFaxConverter cvt;
};

TEST(FaxFontSpec, PointsAndPixels) {
  FaxFontSpec f;
  f.Height = -15;  // the main window's enhanced-text font
  EXPECT_EQ(f.Size(), 11);
  f.Height = -9;
  EXPECT_EQ(f.Size(), 7);
  f.Height = 20;  // a cell height gives a negative size
  EXPECT_EQ(f.Size(), -15);
  f.SetSize(12);
  EXPECT_EQ(f.Height, -16);
  f.SetSize(8);
  EXPECT_EQ(f.Height, -11);
}

TEST_F(EnhancedTextTest, StandardResolutionDoublesEachPixelAcross) {
  PatternRenderer::drawn.clear();
  cvt.TextRendererFactory = [] { return std::make_unique<PatternRenderer>(); };
  ASSERT_EQ(Convert("ab\r\n"), 0);
  EXPECT_FALSE(PatternRenderer::doubled);
  auto pages = test::ReadApfPages(dir.File("out.apf"));
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), static_cast<size_t>(PatternRenderer::kHeight));
  for (int r = 0; r < PatternRenderer::kHeight; ++r) {
    for (int px = 0; px < 1728; ++px) {
      // Page pixel px shows bitmap pixel (px - margin) / 2.
      const int x = (px - 50) / 2;
      const bool black = px >= 50 && x < 16 && (x + r) % 7 == 0;
      ASSERT_EQ(test::Pixel(pages[0][r], px), black) << "row " << r << " pixel " << px;
    }
  }
}

TEST_F(EnhancedTextTest, HighResolutionCopiesRowsAndDoublesTheFont) {
  cvt.TextRendererFactory = [] { return std::make_unique<PatternRenderer>(); };
  cvt.Resolution = frHigh;
  ASSERT_EQ(Convert("abc"), 0);
  EXPECT_TRUE(PatternRenderer::doubled);
  auto pages = test::ReadApfPages(dir.File("out.apf"));
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), static_cast<size_t>(PatternRenderer::kHeight));
  for (int r = 0; r < PatternRenderer::kHeight; ++r)
    for (int px = 0; px < 1728; ++px) {
      const int x = px - 50;
      ASSERT_EQ(test::Pixel(pages[0][r], px), x >= 0 && x < 24 && (x + r) % 7 == 0) << r << "," << px;
    }
}

TEST_F(EnhancedTextTest, TextReachesTheRendererAsUnicode) {
  PatternRenderer::drawn.clear();
  cvt.TextRendererFactory = [] { return std::make_unique<PatternRenderer>(); };
  // "传真" (fax) in GBK.
  ASSERT_EQ(Convert("\xB4\xAB\xD5\xE6\r\n"), 0);
  ASSERT_EQ(PatternRenderer::drawn.size(), 1u);
  EXPECT_EQ(PatternRenderer::drawn[0], "\xE4\xBC\xA0\xE7\x9C\x9F");
}

TEST_F(EnhancedTextTest, SystemFontDrawsText) {
  cvt.EnhFont.Name = "DejaVu Sans Mono";
  cvt.EnhFont.Height = -20;
  ASSERT_EQ(Convert("Fax\r\n\r\nIIII"), 0);
  auto pages = test::ReadApfPages(dir.File("out.apf"));
  ASSERT_EQ(pages.size(), 1u);
  const size_t rowsPerLine = pages[0].size() / 3;
  ASSERT_GE(rowsPerLine, 20u);
  ASSERT_EQ(pages[0].size(), 3 * rowsPerLine);
  int first = 0, empty = 0;
  for (size_t r = 0; r < rowsPerLine; ++r) {
    first += test::BlackPixels(pages[0][r]);
    empty += test::BlackPixels(pages[0][rowsPerLine + r]);
  }
  EXPECT_GT(first, 100);
  EXPECT_EQ(empty, 0);
  // Nothing is drawn in the left margin.
  for (const RasterLine& line : pages[0])
    for (int px = 0; px < 50; ++px) ASSERT_FALSE(test::Pixel(line, px));
}

TEST_F(EnhancedTextTest, FontTooLargeFailsBeforeAnyFileIsTouched) {
  cvt.EnhFont.Name = "DejaVu Sans";
  cvt.EnhFont.Height = -400;  // 400+ rows of 210 bytes is over 64 KiB
  EXPECT_EQ(Convert("x"), ecEnhFontTooBig);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.apf")));
}

}  // namespace
}  // namespace telvane
