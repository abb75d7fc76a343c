// TIFF writer: 8-byte header, a directory of 9 entries, the strip at 122.
#include "faxdoc/tiff_writer.h"

#include <array>
#include <limits>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/packbits.h"
#include "faxdoc/tiff_format.h"

namespace telvane {
namespace {

constexpr uint16_t kEntryCount = 9;
// Header, entry count, entries and the next-directory offset (0).
constexpr uint32_t kStripOffset = kTiffHeaderSize + 2 + kEntryCount * kTiffEntrySize + 4;  // 122
static_assert(kStripOffset == 122);

using HeaderBytes = std::array<uint8_t, kStripOffset>;

// A SHORT field while the value fits one, LONG beyond.
TiffEntry SizeEntry(uint16_t tag, uint32_t value, TiffByteOrder order) {
  return TiffEntry::Make(tag, value <= 0xFFFF ? kTiffTypeShort : kTiffTypeLong, value, order);
}

HeaderBytes TiffHeader(uint32_t width, uint32_t lines, uint32_t stripBytes) {
  constexpr auto le = TiffByteOrder::LittleEndian;
  HeaderBytes b{};
  b[0] = b[1] = kTiffLittleEndianMark;
  TiffPut16(&b[2], kTiffVersion, le);
  TiffPut32(&b[4], kTiffHeaderSize, le);
  TiffPut16(&b[8], kEntryCount, le);
  // Entries in ascending tag order, as readers expect them.
  const TiffEntry entries[kEntryCount] = {
      TiffEntry::Make(kTiffTagSubfileType, kTiffTypeShort, 1, le),  // full-resolution image
      SizeEntry(kTiffTagImageWidth, width, le),
      SizeEntry(kTiffTagImageLength, lines, le),
      TiffEntry::Make(kTiffTagBitsPerSample, kTiffTypeShort, 1, le),
      TiffEntry::Make(kTiffTagCompression, kTiffTypeShort, kTiffCompressionPackBits, le),
      TiffEntry::Make(kTiffTagPhotometric, kTiffTypeShort, kTiffPhotometricWhiteIsZero, le),
      TiffEntry::Make(kTiffTagStripOffsets, kTiffTypeLong, kStripOffset, le),
      TiffEntry::Make(kTiffTagRowsPerStrip, kTiffTypeLong, lines, le),
      TiffEntry::Make(kTiffTagStripByteCounts, kTiffTypeLong, stripBytes, le),
  };
  for (uint16_t i = 0; i < kEntryCount; ++i) entries[i].Pack(&b[10 + i * kTiffEntrySize], le);
  // The next-directory offset after the entries stays 0: one image.
  return b;
}

}  // namespace

int WriteTiffImage(OutputFile& file, const LineSource& image) {
  const size_t lines = image.LineCount();
  const size_t bytes = image.BytesPerLine();
  if (lines == 0 || bytes == 0 || lines > std::numeric_limits<uint32_t>::max() ||
      bytes * 8 > std::numeric_limits<uint32_t>::max())
    return ecBadArgument;
  const uint64_t start = file.Size();
  const auto width = static_cast<uint32_t>(bytes * 8);
  const auto height = static_cast<uint32_t>(lines);
  const HeaderBytes placeholder = TiffHeader(width, height, 0);
  if (const int rc = file.Write(placeholder.data(), placeholder.size()); rc != ecOK) return rc;

  // Every row is coded on its own, as PackBits in TIFF requires.
  std::vector<uint8_t> coded;
  coded.reserve(16384 + PackBitsBound(bytes));
  uint64_t total = 0;
  for (size_t y = 0; y < lines; ++y) {
    const size_t at = coded.size();
    coded.resize(at + PackBitsBound(bytes));
    coded.resize(at + PackBitsEncode(image.Line(y), bytes, coded.data() + at));
    if (coded.size() >= 16384 || y + 1 == lines) {
      total += coded.size();
      if (total + kStripOffset > std::numeric_limits<uint32_t>::max()) return ecBadArgument;
      if (const int rc = file.Write(coded.data(), coded.size()); rc != ecOK) return rc;
      coded.clear();
    }
  }
  const HeaderBytes header = TiffHeader(width, height, static_cast<uint32_t>(total));
  return file.WriteAt(start, header.data(), header.size());
}

}  // namespace telvane
