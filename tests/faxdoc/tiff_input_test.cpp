// TIFF input: files written by libtiff (both byte orders, uncompressed and
// PackBits, one or many strips) and hand-made files for what libtiff does
// not write (SHORT strip lists, PackBits no-ops) and for malformed files.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/fax_converter.h"
#include "tests/faxdoc/image_test_util.h"
#include "tests/support/temp_dir.h"
#include "faxdoc/tiff_format.h"

namespace telvane {
namespace {

using test::CountWrongPixels;
using test::Placement;

struct TiffSpec {
  int width = 100;
  int height = 30;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  int rowsPerStrip = 0;  // 0: one strip
  bool bigEndian = false;
};

// Writes the pattern with libtiff.
void WriteTiff(const std::string& name, const TiffSpec& s, const test::PixelFn& black) {
  TIFF* tif = TIFFOpen(name.c_str(), s.bigEndian ? "wb" : "wl");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip ? s.rowsPerStrip : s.height);
  std::vector<uint8_t> row(static_cast<size_t>((s.width + 7) / 8));
  const bool blackIsOne = s.photometric == PHOTOMETRIC_MINISWHITE;
  for (int y = 0; y < s.height; ++y) {
    // Padding bits get the value that means black, to show they are ignored.
    std::fill(row.begin(), row.end(), uint8_t{0});
    for (int x = 0; x < static_cast<int>(row.size()) * 8; ++x) {
      const bool b = x < s.width ? black(x, y) : true;
      if (b == blackIsOne) row[static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
}

class TiffInputTest : public ::testing::Test {
 protected:
  void SetUp() override { cvt.SetOptions(0); }

  int Convert(const std::string& in) { return test::ConvertFile(cvt, idTiff, in, dir.File("out.apf")); }
  test::RasterPage Page() {
    auto pages = test::ReadApfPages(dir.File("out.apf"));
    EXPECT_EQ(pages.size(), 1u);
    return pages.empty() ? test::RasterPage{} : pages[0];
  }
  void ExpectPattern(const TiffSpec& s) {
    const std::string in = dir.File("in.tif");
    WriteTiff(in, s, pattern(s));
    ASSERT_EQ(Convert(in), 0);
    EXPECT_EQ(CountWrongPixels(Page(), s.width, s.height, pattern(s), Placement{}), 0);
  }
  static test::PixelFn pattern(const TiffSpec& s) {
    return [w = s.width, h = s.height](int x, int y) { return test::Pattern(x, y, w, h); };
  }

  test::TempDir dir;
  TApdFaxConverter cvt;
};

TEST_F(TiffInputTest, ReadsLibtiffFilesInEveryLayout) {
  for (uint16_t compression : {uint16_t{COMPRESSION_NONE}, uint16_t{COMPRESSION_PACKBITS}}) {
    for (bool big : {false, true}) {
      for (int rps : {0, 1, 7}) {
        SCOPED_TRACE(::testing::Message() << "compression " << compression << " big " << big << " rps " << rps);
        ExpectPattern(TiffSpec{.width = 101, .height = 30, .compression = compression, .rowsPerStrip = rps,
                               .bigEndian = big});
      }
    }
  }
}

TEST_F(TiffInputTest, BlackIsZeroWith1700PixelsEndsRowsWhite) {
  // 1700 = 212 bytes + 4 bits: the last 4 bits of every row are white.
  const auto all = [](int, int) { return true; };
  TiffSpec s{.width = 1700, .height = 4, .photometric = PHOTOMETRIC_MINISBLACK};
  WriteTiff(dir.File("in.tif"), s, all);
  ASSERT_EQ(Convert(dir.File("in.tif")), 0);
  const auto page = Page();
  EXPECT_EQ(CountWrongPixels(page, 1700, 4, all, Placement{}), 0);
  // Also with PackBits and the image right at the line's end.
  s.compression = COMPRESSION_PACKBITS;
  ExpectPattern(s);
}

TEST_F(TiffInputTest, PlacementAndProgress) {
  cvt.SetOptions(coCenterImage | coDoubleWidth);
  const TiffSpec s{.width = 800, .height = 10, .compression = COMPRESSION_PACKBITS, .rowsPerStrip = 3};
  WriteTiff(dir.File("in.tif"), s, pattern(s));
  uint64_t done = 0, total = 0;
  cvt.OnStatus = [&](TApdFaxConverter&, bool, bool, unsigned, unsigned, uint64_t d, uint64_t t, bool&) {
    done = d;
    total = t;
  };
  ASSERT_EQ(Convert(dir.File("in.tif")), 0);
  // (1728 - 1600) / 32 = 4 bytes before the doubled image.
  EXPECT_EQ(CountWrongPixels(Page(), 800, 10, pattern(s), Placement{.centreBytes = 4, .doubled = true}), 0);
  EXPECT_EQ(total, 100u * 10);
  EXPECT_EQ(done, total);
}

// A hand-made little- or big-endian TIFF: header, one directory, strip data.
class TiffBuilder {
 public:
  explicit TiffBuilder(TiffByteOrder order) : order_(order) {
    bytes_.resize(kTiffHeaderSize);
    bytes_[0] = bytes_[1] = order == TiffByteOrder::LittleEndian ? 'I' : 'M';
    TiffPut16(&bytes_[2], kTiffVersion, order);
  }
  uint32_t Append(const std::vector<uint8_t>& data) {
    const auto at = static_cast<uint32_t>(bytes_.size());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    if (bytes_.size() & 1) bytes_.push_back(0);
    return at;
  }
  std::vector<uint8_t> Shorts(std::initializer_list<uint16_t> v) const {
    std::vector<uint8_t> out(v.size() * 2);
    size_t i = 0;
    for (uint16_t x : v) TiffPut16(&out[2 * i++], x, order_);
    return out;
  }
  void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    entries_.push_back(TiffEntry::Make(tag, type, value, order_, count));
  }
  // An entry whose values are in place, as given (file byte order).
  void RawEntry(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& inPlace) {
    TiffEntry e;
    e.Tag = tag;
    e.Type = type;
    e.Count = count;
    std::memcpy(e.Value, inPlace.data(), std::min<size_t>(4, inPlace.size()));
    entries_.push_back(e);
  }
  std::string Finish() {
    const auto dirAt = static_cast<uint32_t>(bytes_.size());
    TiffPut32(&bytes_[4], dirAt, order_);
    std::vector<uint8_t> d(2 + entries_.size() * kTiffEntrySize + 4, 0);
    TiffPut16(d.data(), static_cast<uint16_t>(entries_.size()), order_);
    for (size_t i = 0; i < entries_.size(); ++i) entries_[i].Pack(&d[2 + i * kTiffEntrySize], order_);
    bytes_.insert(bytes_.end(), d.begin(), d.end());
    return std::string(bytes_.begin(), bytes_.end());
  }

 private:
  TiffByteOrder order_;
  std::vector<uint8_t> bytes_;
  std::vector<TiffEntry> entries_;
};

// 16 x 4 image, 2 rows per strip: rows FF00, 00FF, F0F0, 0F0F (set = black).
void BasicFields(TiffBuilder& b, uint32_t rowsPerStrip = 2) {
  b.Entry(kTiffTagImageWidth, kTiffTypeShort, 1, 16);
  b.Entry(kTiffTagImageLength, kTiffTypeLong, 1, 4);
  b.Entry(kTiffTagBitsPerSample, kTiffTypeShort, 1, 1);
  b.Entry(kTiffTagCompression, kTiffTypeShort, 1, kTiffCompressionNone);
  b.Entry(kTiffTagPhotometric, kTiffTypeShort, 1, kTiffPhotometricWhiteIsZero);
  b.Entry(kTiffTagRowsPerStrip, kTiffTypeShort, 1, rowsPerStrip);
}

const uint8_t kRows[4][2] = {{0xFF, 0x00}, {0x00, 0xFF}, {0xF0, 0xF0}, {0x0F, 0x0F}};
bool RowsPixel(int x, int y) { return (kRows[y][x >> 3] >> (7 - (x & 7))) & 1; }

TEST_F(TiffInputTest, StripListsStoredAsShortsAreReadAsShorts) {
  for (auto order : {TiffByteOrder::LittleEndian, TiffByteOrder::BigEndian}) {
    // Two strips: SHORT offsets and byte counts held in place in the entry.
    TiffBuilder b(order);
    const uint32_t s1 = b.Append({kRows[0][0], kRows[0][1], kRows[1][0], kRows[1][1]});
    const uint32_t s2 = b.Append({kRows[2][0], kRows[2][1], kRows[3][0], kRows[3][1]});
    BasicFields(b);
    b.RawEntry(kTiffTagStripOffsets, kTiffTypeShort, 2, b.Shorts({uint16_t(s1), uint16_t(s2)}));
    b.RawEntry(kTiffTagStripByteCounts, kTiffTypeShort, 2, b.Shorts({4, 4}));
    test::WriteAll(dir.File("short2.tif"), b.Finish());
    ASSERT_EQ(Convert(dir.File("short2.tif")), 0);
    EXPECT_EQ(CountWrongPixels(Page(), 16, 4, RowsPixel, Placement{}), 0);

    // Four strips of one row: the SHORT lists are at a value offset.
    TiffBuilder d(order);
    std::vector<uint16_t> offsets;
    for (const auto& r : kRows) offsets.push_back(static_cast<uint16_t>(d.Append({r[0], r[1]})));
    const uint32_t list = d.Append(d.Shorts({offsets[0], offsets[1], offsets[2], offsets[3]}));
    const uint32_t counts = d.Append(d.Shorts({2, 2, 2, 2}));
    BasicFields(d, 1);
    std::vector<uint8_t> at(4);
    TiffPut32(at.data(), list, order);
    d.RawEntry(kTiffTagStripOffsets, kTiffTypeShort, 4, at);
    TiffPut32(at.data(), counts, order);
    d.RawEntry(kTiffTagStripByteCounts, kTiffTypeShort, 4, at);
    test::WriteAll(dir.File("short4.tif"), d.Finish());
    ASSERT_EQ(Convert(dir.File("short4.tif")), 0);
    EXPECT_EQ(CountWrongPixels(Page(), 16, 4, RowsPixel, Placement{}), 0);
  }
}

TEST_F(TiffInputTest, PackBitsRunsAndNoOps) {
  // Control bytes: n < 128 copies n + 1 bytes, n > 128 repeats the next
  // byte 257 - n times, 128 does nothing; a run that passes the row's end
  // is cut there.
  TiffBuilder b(TiffByteOrder::LittleEndian);
  const uint32_t strip = b.Append({0x00, 0xFF, 0x00, 0x00,  // row 0: literal FF, then literal 00
                                   0x01, 0x00, 0xFF,        // row 1: literal 00 FF
                                   0x80, 0xFF, 0xF0,        // row 2: no-op, F0 twice
                                   0x02, 0x0F, 0x0F, 0xAA}); // row 3: three bytes, AA dropped
  BasicFields(b, 4);
  b.Entry(kTiffTagCompression, kTiffTypeShort, 1, kTiffCompressionPackBits);
  b.Entry(kTiffTagStripOffsets, kTiffTypeLong, 1, strip);
  test::WriteAll(dir.File("pb.tif"), b.Finish());
  ASSERT_EQ(Convert(dir.File("pb.tif")), 0);
  EXPECT_EQ(CountWrongPixels(Page(), 16, 4, RowsPixel, Placement{}), 0);
}

TEST_F(TiffInputTest, MalformedFilesFailWithUnsupportedFormatAndLeaveNoApf) {
  const auto valid = [](TiffBuilder& b, uint32_t strip) {
    BasicFields(b, 4);
    b.Entry(kTiffTagStripOffsets, kTiffTypeLong, 1, strip);
  };
  const std::vector<uint8_t> data(8, 0x55);
  struct Case {
    const char* what;
    std::function<std::string()> make;
  };
  const std::vector<Case> cases = {
      {"no byte order mark", [] { return std::string("XX*\0\10\0\0\0", 8); }},
      {"empty file", [] { return std::string(); }},
      {"8 bits per sample",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         const uint32_t s = b.Append(data);
         valid(b, s);
         b.Entry(kTiffTagBitsPerSample, kTiffTypeShort, 1, 8);
         return b.Finish();
       }},
      {"Group 3 compression",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         const uint32_t s = b.Append(data);
         valid(b, s);
         b.Entry(kTiffTagCompression, kTiffTypeShort, 1, 3);
         return b.Finish();
       }},
      {"no width",
       [&] {
         TiffBuilder b(TiffByteOrder::BigEndian);
         const uint32_t s = b.Append(data);
         b.Entry(kTiffTagImageLength, kTiffTypeShort, 1, 4);
         b.Entry(kTiffTagStripOffsets, kTiffTypeLong, 1, s);
         return b.Finish();
       }},
      {"no strip offsets",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         b.Append(data);
         BasicFields(b);
         return b.Finish();
       }},
      {"strip beyond the end of the file",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         valid(b, 100000);
         return b.Finish();
       }},
      {"strip cut short",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         valid(b, 0);
         std::string f = b.Finish();
         // Strip at the last 4 bytes of the file: 8 are needed.
         const uint32_t at = static_cast<uint32_t>(f.size() - 4);
         TiffBuilder c(TiffByteOrder::LittleEndian);
         valid(c, at);
         return c.Finish();
       }},
      {"PackBits literal passing the strip's byte count",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         // Rows 0-2 take 10 bytes; row 3's literal of two bytes ends one
         // byte after the 12 the strip is said to hold.
         const uint32_t s = b.Append({0x00, 0xFF, 0x00, 0x00, 0x01, 0x00, 0xFF, 0x80, 0xFF, 0xF0, 0x01, 0x0F, 0x0F});
         valid(b, s);
         b.Entry(kTiffTagCompression, kTiffTypeShort, 1, kTiffCompressionPackBits);
         b.Entry(kTiffTagStripByteCounts, kTiffTypeLong, 1, 12);
         return b.Finish();
       }},
      {"strip list longer than the file",
       [&] {
         TiffBuilder b(TiffByteOrder::LittleEndian);
         b.Append(data);
         BasicFields(b);
         b.Entry(kTiffTagStripOffsets, kTiffTypeLong, 0x40000000, 8);
         return b.Finish();
       }},
      {"directory beyond the end of the file", [] { return std::string("II*\0\xff\xff\0\0", 8); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteAll(dir.File("bad.tif"), c.make());
    EXPECT_EQ(Convert(dir.File("bad.tif")), ecBadGraphicsFormat);
    EXPECT_TRUE(test::NoApfIn(dir));
  }
  EXPECT_EQ(Convert(dir.File("missing.tif")), ecFileNotFound);
  EXPECT_TRUE(test::NoApfIn(dir));
}

}  // namespace
}  // namespace telvane
