#include "faxdoc/bitmap.h"

#include <gtest/gtest.h>

namespace telvane {
namespace {

TEST(Bitmap, MonoRowsArePaddedToWordsAndStartWhite) {
  Bitmap b(Bitmap::Format::Mono, 17, 3);
  EXPECT_EQ(b.BytesPerRow(), 4u);
  EXPECT_EQ(b.Bits().size(), 12u);
  EXPECT_EQ(b.Pixel(16, 2), (RgbColor{255, 255, 255}));
  b.SetPixel(9, 1, RgbColor{0, 0, 0});
  EXPECT_EQ(b.Row(1)[1], 0xBF);
  EXPECT_EQ(b.Pixel(9, 1), (RgbColor{0, 0, 0}));
  b.SetPixel(9, 1, RgbColor{1, 0, 0});
  EXPECT_EQ(b.Row(1)[1], 0xFF);
}

TEST(Bitmap, ColourPixelsKeepTheirChannels) {
  Bitmap b(Bitmap::Format::Rgb32, 3, 2);
  EXPECT_EQ(b.BytesPerRow(), 12u);
  b.SetPixel(2, 1, RgbColor{10, 20, 30});
  EXPECT_EQ(b.Pixel(2, 1), (RgbColor{10, 20, 30}));
  EXPECT_EQ(b.Pixel(1, 1), (RgbColor{255, 255, 255}));
}

TEST(Bitmap, DefaultIsNullAndNegativeSizeIsRefused) {
  EXPECT_TRUE(Bitmap().IsNull());
  EXPECT_TRUE(Bitmap(Bitmap::Format::Mono, 0, 5).IsNull());
  EXPECT_THROW(Bitmap(Bitmap::Format::Mono, -1, 5), std::invalid_argument);
}

}  // namespace
}  // namespace telvane
