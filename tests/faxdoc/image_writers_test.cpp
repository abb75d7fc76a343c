// The PCX line coder, and PackBits rows as libtiff decodes them.
#include <gtest/gtest.h>

#include "tests/faxdoc/image_references.h"
#include "faxdoc/output_file.h"
#include "faxdoc/memory_image.h"
#include "faxdoc/packbits.h"
#include "faxdoc/pcx_writer.h"
#include "tests/support/temp_dir.h"
#include "faxdoc/tiff_writer.h"

namespace telvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pcx(const Bytes& line) {
  Bytes out;
  PcxEncodeLine(line.data(), line.size(), out);
  return out;
}

TEST(PcxLineTest, LinesAreInvertedAndRunLengthCoded) {
  // Fax 0x3A is PCX 0xC5: a lone byte that looks like a count gets one.
  EXPECT_EQ(Pcx({0x3A}), (Bytes{0xC1, 0xC5}));
  EXPECT_EQ(Pcx({0xFF, 0x40}), (Bytes{0x00, 0xBF}));
  EXPECT_EQ(Pcx({0x00, 0x00, 0x3A, 0x3A}), (Bytes{0xC2, 0xFF, 0xC2, 0xC5}));
  // Runs stop at 63: 70 white bytes are 63 and 7.
  EXPECT_EQ(Pcx(Bytes(70, 0x00)), (Bytes{0xFF, 0xFF, 0xC7, 0xFF}));
  EXPECT_EQ(Pcx(Bytes(64, 0xF0)), (Bytes{0xFF, 0x0F, 0x0F}));
}

// Rows whose runs fall on and around the 128-byte limits of PackBits.
std::vector<Bytes> TrickyRows() {
  std::vector<Bytes> rows;
  unsigned seed = 3;
  const auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFF; };
  for (size_t length : {2u, 4u, 126u, 128u, 130u, 256u, 300u}) {
    for (int kind = 0; kind < 6; ++kind) {
      Bytes r(length);
      for (size_t i = 0; i < length; ++i) {
        switch (kind) {
          case 0: r[i] = static_cast<uint8_t>(next()); break;                  // literal
          case 1: r[i] = 0xAA; break;                                          // one long run
          case 2: r[i] = static_cast<uint8_t>(i / 2); break;                   // pairs
          case 3: r[i] = static_cast<uint8_t>(i < 129 ? 0 : next()); break;   // run then literal
          case 4: r[i] = static_cast<uint8_t>(i % 131 < 3 ? 0x55 : next()); break;
          default: r[i] = static_cast<uint8_t>(next() < 40 ? 0xFF : 0); break;
        }
      }
      rows.push_back(std::move(r));
    }
  }
  return rows;
}

TEST(PackBitsTest, CodedRowsDecodeWithLibtiff) {
  test::TempDir dir;
  for (const Bytes& row : TrickyRows()) {
    const size_t stride = (row.size() + 1) & ~size_t{1};
    RasterBuffer image(3, stride, 0);
    for (size_t y = 0; y < 3; ++y) std::copy(row.begin(), row.end(), image.MutableLine(y));
    image.MutableLine(1)[0] ^= 0x81;  // rows differ
    OutputFile file;
    ASSERT_EQ(file.Create(dir.File("p.tif")), 0);
    ASSERT_EQ(WriteTiffImage(file, image), 0);
    ASSERT_EQ(file.Commit(), 0);
    const test::MonoImage back = test::ReadTiffWithLibtiff(dir.File("p.tif"));
    ASSERT_EQ(back.error, "") << row.size();
    ASSERT_EQ(back.height, 3);
    for (size_t y = 0; y < 3; ++y)
      ASSERT_EQ(back.rows[y], Bytes(image.Line(y), image.Line(y) + stride)) << "length " << row.size() << " row " << y;
  }
}

TEST(PackBitsTest, OutputStaysWithinTheBound) {
  for (const Bytes& row : TrickyRows()) {
    Bytes out(PackBitsBound(row.size()) + 16, 0xEE);
    const size_t n = PackBitsEncode(row.data(), row.size(), out.data());
    EXPECT_LE(n, PackBitsBound(row.size()));
    EXPECT_EQ(out[PackBitsBound(row.size())], 0xEE);
  }
}

TEST(OutputFileTest, HeadersPatchInTheBufferAndInTheFile) {
  test::TempDir dir;
  OutputFile file;
  ASSERT_EQ(file.Create(dir.File("o.bin")), 0);
  const Bytes big(100000, 'b');
  ASSERT_EQ(file.Write("head", 4), 0);
  ASSERT_EQ(file.Write(big.data(), big.size()), 0);  // flushes the head to the file
  ASSERT_EQ(file.Write("tail", 4), 0);               // stays in the buffer
  ASSERT_EQ(file.WriteAt(0, "HEAD", 4), 0);
  ASSERT_EQ(file.WriteAt(100002, "xxTA", 4), 0);      // across file and buffer
  EXPECT_NE(file.WriteAt(100006, "toolong", 7), 0);  // beyond what was written
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.bin")));  // built aside until committed
  ASSERT_EQ(file.Commit(), 0);
  const std::string s = test::ReadAll(dir.File("o.bin"));
  ASSERT_EQ(s.size(), 100008u);
  EXPECT_EQ(s.substr(0, 4), "HEAD");
  EXPECT_EQ(s.substr(100002), "xxTAil");
}

}  // namespace
}  // namespace telvane
