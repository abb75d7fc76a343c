// Image kinds told by their first bytes, and texts that only look like them.
#include <gtest/gtest.h>

#include <string>

#include "faxdoc/image_kind.h"

namespace telvane {
namespace {

struct KindCase {
  std::string head;
  ImageKind kind;
};

class ImageKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(ImageKindTest, FirstBytesTell) {
  const std::string& head = GetParam().head;
  EXPECT_EQ(ImageKindOf(reinterpret_cast<const uint8_t*>(head.data()), head.size()), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ImageKindTest,
    ::testing::Values(
        KindCase{"%PDF-1.7\n", ImageKind::Pdf}, KindCase{std::string("\x89PNG\r\n\x1a\n\0\0", 10), ImageKind::Png},
        KindCase{"GIF89a\x01", ImageKind::Gif}, KindCase{"GIF87a", ImageKind::Gif},
        KindCase{std::string("RIFF\x10\0\0\0WEBPVP8L", 16), ImageKind::WebP},
        KindCase{std::string("RIFF\x10\0\0\0WAVE", 12), ImageKind::Unknown},
        KindCase{std::string("II*\0\x08\0\0\0", 8), ImageKind::Tiff}, KindCase{std::string("MM\0*", 4), ImageKind::Tiff},
        KindCase{"\xFF\xD8\xFF\xE0", ImageKind::Jpeg},
        KindCase{std::string("BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18), ImageKind::Bmp},
        KindCase{"BMW report for the board", ImageKind::Unknown},
        KindCase{"P4\n40 20\n", ImageKind::Netpbm}, KindCase{"P6 # made by hand\n", ImageKind::Netpbm},
        KindCase{"P1 is the first priority", ImageKind::Unknown}, KindCase{"P7\n", ImageKind::Unknown},
        KindCase{std::string("\x0A\x05\x01\x08\0\0", 6), ImageKind::Pcx},
        KindCase{std::string("\x0A\x05\x02\x08", 4), ImageKind::Unknown},
        KindCase{std::string("\xB1\x68\xDE\x3A", 4), ImageKind::Dcx}, KindCase{"", ImageKind::Unknown},
        KindCase{"Dear reader,\n", ImageKind::Unknown}));

TEST(ImageKindNames, ExtensionsAndNames) {
  EXPECT_TRUE(IsImageExtension(".webp"));
  EXPECT_TRUE(IsImageExtension(".pnm"));
  EXPECT_FALSE(IsImageExtension(".tif"));  // TIFF may be the converter's own fax TIFF
  EXPECT_FALSE(IsImageExtension(".txt"));
  EXPECT_STREQ(ImageKindName(ImageKind::Png), "a PNG image");
  EXPECT_STREQ(ImageKindName(ImageKind::Unknown), "a file");
  EXPECT_TRUE(IsQtReadKind(ImageKind::Tiff));
  EXPECT_FALSE(IsQtReadKind(ImageKind::Pcx));
}

}  // namespace
}  // namespace telvane
