#include "faxdoc/pcx_colour_decoder.h"

#include <fstream>
#include <new>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/pcx_format.h"

namespace telvane {
namespace {

constexpr size_t kPaletteTrailerSize = 1 + 768;  // 0x0C, then 256 RGB triples
constexpr uint8_t kPaletteTrailerMark = 0x0C;

enum class PcxLayout { Unsupported, Mono, Ega16, Palette256, Rgb24 };

PcxLayout LayoutOf(const PcxHeader& h) {
  if (h.Manufacturer != kPcxManufacturer || h.Encoding != kPcxEncodingRle) return PcxLayout::Unsupported;
  if (h.BitsPerPixel == 1 && h.Planes == 1) return PcxLayout::Mono;
  if (h.BitsPerPixel == 1 && h.Planes == 4) return PcxLayout::Ega16;
  if (h.BitsPerPixel == 8 && h.Planes == 1) return PcxLayout::Palette256;
  if (h.BitsPerPixel == 8 && h.Planes == 3) return PcxLayout::Rgb24;
  return PcxLayout::Unsupported;
}

// Run-length decoding of one scan line (all planes) into `line`; runs may
// cross line ends, so `pos` carries over from line to line.
bool DecodeLine(const uint8_t* data, size_t end, size_t& pos, std::vector<uint8_t>& line) {
  size_t filled = 0;
  while (filled < line.size()) {
    if (pos >= end) return false;
    uint8_t byte = data[pos++];
    size_t count = 1;
    if ((byte & kPcxRunFlag) == kPcxRunFlag) {
      count = byte & 0x3F;
      if (pos >= end) return false;
      byte = data[pos++];
    }
    for (; count > 0 && filled < line.size(); --count) line[filled++] = byte;
  }
  return true;
}

void PutPixel(Bitmap& bitmap, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  uint32_t* row = reinterpret_cast<uint32_t*>(bitmap.Row(y));
  row[x] = uint32_t{r} << 16 | uint32_t{g} << 8 | b;
}

}  // namespace

bool IsColourPcx(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  uint8_t head[kPcxHeaderSize];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  const PcxLayout layout = LayoutOf(PcxHeader::Unpack(head));
  return layout == PcxLayout::Ega16 || layout == PcxLayout::Palette256 || layout == PcxLayout::Rgb24;
}

int DecodeColourPcx(const uint8_t* data, size_t size, Bitmap& bitmap) {
  if (size < kPcxHeaderSize) return ecBadGraphicsFormat;
  const PcxHeader h = PcxHeader::Unpack(data);
  const PcxLayout layout = LayoutOf(h);
  const unsigned width = h.Width(), height = h.Height();
  if (layout == PcxLayout::Unsupported || width == 0 || height == 0) return ecBadGraphicsFormat;
  if (uint64_t{width} * height > kBmpMaxPixels) return ecBadGraphicsFormat;
  const size_t bitsPerPlaneLine = size_t{h.BytesPerLine} * 8;
  if (bitsPerPlaneLine < size_t{width} * h.BitsPerPixel) return ecBadGraphicsFormat;

  size_t end = size;
  const uint8_t* palette256 = nullptr;
  if (layout == PcxLayout::Palette256) {
    if (size < kPcxHeaderSize + kPaletteTrailerSize || data[size - kPaletteTrailerSize] != kPaletteTrailerMark)
      return ecBadGraphicsFormat;
    palette256 = data + size - 768;
    end = size - kPaletteTrailerSize;
  }
  try {
    bitmap = Bitmap(Bitmap::Format::Rgb32, static_cast<int>(width), static_cast<int>(height));
    std::vector<uint8_t> line(size_t{h.BytesPerLine} * h.Planes);
    size_t pos = kPcxHeaderSize;
    for (unsigned y = 0; y < height; ++y) {
      if (!DecodeLine(data, end, pos, line)) return bitmap = Bitmap(), ecBadGraphicsFormat;
      const int row = static_cast<int>(y);
      for (unsigned x = 0; x < width; ++x) {
        const int col = static_cast<int>(x);
        switch (layout) {
          case PcxLayout::Mono: {
            const uint8_t v = (line[x / 8] >> (7 - x % 8) & 1) ? 255 : 0;
            PutPixel(bitmap, col, row, v, v, v);
            break;
          }
          case PcxLayout::Ega16: {
            unsigned index = 0;
            for (unsigned p = 0; p < 4; ++p)
              index |= unsigned{line[p * h.BytesPerLine + x / 8] >> (7 - x % 8) & 1u} << p;
            PutPixel(bitmap, col, row, h.Palette[index * 3], h.Palette[index * 3 + 1], h.Palette[index * 3 + 2]);
            break;
          }
          case PcxLayout::Palette256: {
            const uint8_t* c = palette256 + size_t{line[x]} * 3;
            PutPixel(bitmap, col, row, c[0], c[1], c[2]);
            break;
          }
          case PcxLayout::Rgb24:
            PutPixel(bitmap, col, row, line[x], line[h.BytesPerLine + x], line[2 * size_t{h.BytesPerLine} + x]);
            break;
          case PcxLayout::Unsupported: break;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    bitmap = Bitmap();
    return ecOutOfMemory;
  }
  return 0;
}

}  // namespace telvane
