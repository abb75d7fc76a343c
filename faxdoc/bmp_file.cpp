// Reading and writing BMP files (Windows bitmap, file header + info header).
#include "faxdoc/bmp_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;  // the old OS/2 header: 16-bit sizes, 3-byte palette entries
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kLargestInfoHeader = 124;  // BITMAPV5HEADER
constexpr uint64_t kMaxFileSize = uint64_t{512} << 20;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kBiAlphaBitFields = 6;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// One colour channel given by a bit mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    max = m >> shift;
  }
  uint8_t Of(uint32_t pixel) const {
    if (!max) return 0;
    return static_cast<uint8_t>((uint64_t{(pixel & mask) >> shift} * 255 + max / 2) / max);
  }
};

struct Layout {
  BmpInfo info;
  uint64_t pixelOffset = 0;
  std::vector<RgbColor> palette;
  Channel red, green, blue;
};

// Parses the file header, info header, bit masks and palette of `data`.
// `size` bytes of the file are in `data`; the whole file has `fileSize`.
int ParseHeaders(const uint8_t* data, size_t size, uint64_t fileSize, Layout& out, bool withPalette) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return ecBadGraphicsFormat;
  const uint32_t headerSize = Get32(data + kFileHeaderSize);
  const uint8_t* h = data + kFileHeaderSize;
  BmpInfo& info = out.info;
  uint32_t colorsUsed = 0;
  size_t paletteEntrySize = 4;
  if (headerSize == kCoreHeaderSize) {
    if (size < kFileHeaderSize + kCoreHeaderSize) return ecBadGraphicsFormat;
    info.Width = Get16(h + 4);
    info.Height = Get16(h + 6);
    info.BitsPerPixel = Get16(h + 10);
    paletteEntrySize = 3;
  } else if (headerSize == kInfoHeaderSize || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
             headerSize == 108 || headerSize == kLargestInfoHeader) {
    // 40: BITMAPINFOHEADER; 52, 56: with RGB(A) masks; 64: OS/2 2.x; 108, 124: V4, V5.
    if (size < kFileHeaderSize + headerSize) return ecBadGraphicsFormat;
    const auto width = static_cast<int32_t>(Get32(h + 4));
    const auto height = static_cast<int32_t>(Get32(h + 8));
    if (width <= 0 || height == 0 || height == INT32_MIN) return ecBadGraphicsFormat;
    info.Width = width;
    info.TopDown = height < 0;
    info.Height = height < 0 ? -height : height;
    info.BitsPerPixel = Get16(h + 14);
    info.Compression = Get32(h + 16);
    colorsUsed = Get32(h + 32);
  } else {
    return ecBadGraphicsFormat;
  }
  const int bpp = info.BitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return ecBadGraphicsFormat;
  if (info.Width <= 0 || info.Height <= 0) return ecBadGraphicsFormat;
  if (uint64_t(info.Width) * uint64_t(info.Height) > kBmpMaxPixels) return ecBadGraphicsFormat;

  size_t pos = kFileHeaderSize + headerSize;
  switch (info.Compression) {
    case kBiRgb:
      if (bpp == 16) {
        out.red = Channel(0x7C00), out.green = Channel(0x03E0), out.blue = Channel(0x001F);
      } else if (bpp == 32) {
        out.red = Channel(0xFF0000), out.green = Channel(0xFF00), out.blue = Channel(0xFF);
      }
      break;
    case kBiRle8:
    case kBiRle4:
      // Run-length images are stored bottom-up only, 8 or 4 bits as named.
      if (bpp != (info.Compression == kBiRle8 ? 8 : 4) || info.TopDown) return ecBadGraphicsFormat;
      break;
    case kBiBitFields:
    case kBiAlphaBitFields: {
      if (bpp != 16 && bpp != 32) return ecBadGraphicsFormat;
      // Masks sit in the larger headers, or follow the 40-byte header.
      const uint8_t* m = h + kInfoHeaderSize;
      if (headerSize == kInfoHeaderSize) {
        const size_t masks = info.Compression == kBiAlphaBitFields ? 16 : 12;
        if (size < pos + masks) return ecBadGraphicsFormat;
        pos += masks;
      } else if (headerSize < kInfoHeaderSize + 12) {
        return ecBadGraphicsFormat;
      }
      out.red = Channel(Get32(m)), out.green = Channel(Get32(m + 4)), out.blue = Channel(Get32(m + 8));
      break;
    }
    default:
      return ecBadGraphicsFormat;  // JPEG or PNG inside a BMP, and unknown methods
  }

  out.pixelOffset = Get32(data + 10);
  if (bpp <= 8 && withPalette) {
    const size_t full = size_t{1} << bpp;
    const size_t count = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    // Entries the file does not hold are black.
    out.palette.assign(full, RgbColor{});
    const size_t end = out.pixelOffset > pos ? static_cast<size_t>(std::min<uint64_t>(out.pixelOffset, size)) : size;
    for (size_t i = 0; i < count && pos + paletteEntrySize <= end; ++i, pos += paletteEntrySize)
      out.palette[i] = RgbColor{data[pos + 2], data[pos + 1], data[pos]};
  }
  if (out.pixelOffset == 0) out.pixelOffset = pos;  // some writers leave it out
  if (out.pixelOffset >= fileSize) return ecBadGraphicsFormat;
  return 0;
}

int Brightness(RgbColor c) { return c.red + c.green + c.blue; }

void StoreRgb(Bitmap& bitmap, int x, int y, RgbColor c) {
  const uint32_t word = 0xFF000000u | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
  std::memcpy(bitmap.Row(y) + static_cast<size_t>(x) * 4, &word, 4);
}

// 1-bit images: the brighter palette colour becomes the set (white) bit.
void DecodeMono(const Layout& l, const uint8_t* pixels, size_t stride, Bitmap& bitmap) {
  const int b0 = Brightness(l.palette[0]);
  const int b1 = Brightness(l.palette[1]);
  const size_t rowBytes = (static_cast<size_t>(l.info.Width) + 7) / 8;
  const int spare = static_cast<int>(rowBytes * 8) - l.info.Width;
  const uint8_t padMask = static_cast<uint8_t>((1u << spare) - 1);  // bits right of the image
  for (int y = 0; y < l.info.Height; ++y) {
    const int fileRow = l.info.TopDown ? y : l.info.Height - 1 - y;
    const uint8_t* src = pixels + static_cast<size_t>(fileRow) * stride;
    uint8_t* dst = bitmap.Row(y);
    if (b0 == b1) {
      // One colour only: white or black as it looks.
      std::memset(dst, b0 * 2 > 765 ? 0xFF : 0x00, rowBytes);
    } else if (b1 > b0) {
      std::memcpy(dst, src, rowBytes);
    } else {
      for (size_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
    }
    dst[rowBytes - 1] |= padMask;
  }
}

uint8_t IndexAt(const uint8_t* row, int x, int bpp) {
  if (bpp == 8) return row[x];
  if (bpp == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

void DecodeRgb(const Layout& l, const uint8_t* pixels, size_t stride, Bitmap& bitmap) {
  const int bpp = l.info.BitsPerPixel;
  for (int y = 0; y < l.info.Height; ++y) {
    const int fileRow = l.info.TopDown ? y : l.info.Height - 1 - y;
    const uint8_t* src = pixels + static_cast<size_t>(fileRow) * stride;
    for (int x = 0; x < l.info.Width; ++x) {
      RgbColor c;
      if (bpp <= 8) {
        c = l.palette[IndexAt(src, x, bpp)];
      } else if (bpp == 24) {
        const uint8_t* p = src + static_cast<size_t>(x) * 3;
        c = RgbColor{p[2], p[1], p[0]};
      } else {
        const uint32_t v = bpp == 16 ? Get16(src + static_cast<size_t>(x) * 2) : Get32(src + static_cast<size_t>(x) * 4);
        c = RgbColor{l.red.Of(v), l.green.Of(v), l.blue.Of(v)};
      }
      StoreRgb(bitmap, x, y, c);
    }
  }
}

// Run-length images (RLE8, RLE4) into palette indexes, rows bottom-up.
// Pixels the runs do not reach keep index 0. Runs that pass the edge of the
// image are cut there.
int DecodeRle(const Layout& l, const uint8_t* data, size_t size, std::vector<uint8_t>& indexes) {
  const int w = l.info.Width, h = l.info.Height;
  const bool four = l.info.Compression == kBiRle4;
  indexes.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  size_t pos = static_cast<size_t>(l.pixelOffset);
  int x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](uint8_t index) {
    if (x < w && y < h) indexes[static_cast<size_t>(h - 1 - y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = index;
    ++x;
  };
  while (y < h) {
    if (pos + 2 > size) return 0;  // data ends early: the rest stays as it is
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (pos + 2 > size) return 0;
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit word
      const size_t bytes = four ? (value + 1u) / 2 : value;
      if (pos + bytes > size) return 0;
      for (int i = 0; i < value; ++i) {
        const uint8_t b = data[pos + (four ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i))];
        if (x < w) put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
  }
  return 0;
}

// File header, 40-byte info header and palette of an image we write.
std::vector<uint8_t> StartFile(int width, int height, int bpp, const std::vector<RgbColor>& palette, size_t stride) {
  const size_t paletteBytes = palette.size() * 4;
  const size_t offset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
  const size_t imageBytes = stride * static_cast<size_t>(height);
  std::vector<uint8_t> file(offset + imageBytes, 0);
  uint8_t* p = file.data();
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, static_cast<uint32_t>(file.size()));
  Put32(p + 10, static_cast<uint32_t>(offset));
  uint8_t* h = p + kFileHeaderSize;
  Put32(h, kInfoHeaderSize);
  Put32(h + 4, static_cast<uint32_t>(width));
  Put32(h + 8, static_cast<uint32_t>(height));  // positive: bottom-up
  Put16(h + 12, 1);
  Put16(h + 14, static_cast<uint16_t>(bpp));
  Put32(h + 16, kBiRgb);
  Put32(h + 20, static_cast<uint32_t>(imageBytes));
  Put32(h + 32, static_cast<uint32_t>(palette.size()));
  uint8_t* e = h + kInfoHeaderSize;
  for (const RgbColor& c : palette) {
    e[0] = c.blue;
    e[1] = c.green;
    e[2] = c.red;
    e += 4;
  }
  return file;
}

size_t Stride(int width, int bpp) { return (static_cast<size_t>(width) * static_cast<size_t>(bpp) + 31) / 32 * 4; }

uint8_t* FileRow(std::vector<uint8_t>& file, size_t offset, size_t stride, int height, int y) {
  return file.data() + offset + static_cast<size_t>(height - 1 - y) * stride;
}

bool TooLargeToSave(const Bitmap& b) {
  return uint64_t(b.Width()) * uint64_t(b.Height()) * 4 > uint64_t{0xFFFFFFFF} - 2048;
}

}  // namespace

int DecodeBmp(const uint8_t* data, size_t size, Bitmap& bitmap) {
  Layout l;
  if (int rc = ParseHeaders(data, size, size, l, true)) return rc;
  const BmpInfo& info = l.info;
  const size_t stride = Stride(info.Width, info.BitsPerPixel);
  const bool rle = info.Compression == kBiRle8 || info.Compression == kBiRle4;
  if (!rle && (size - l.pixelOffset) / stride < static_cast<size_t>(info.Height)) return ecBadGraphicsFormat;
  try {
    Bitmap out(info.BitsPerPixel == 1 ? Bitmap::Format::Mono : Bitmap::Format::Rgb32, info.Width, info.Height);
    const uint8_t* pixels = data + l.pixelOffset;
    if (rle) {
      std::vector<uint8_t> indexes;
      DecodeRle(l, data, size, indexes);
      for (int y = 0; y < info.Height; ++y)
        for (int x = 0; x < info.Width; ++x)
          StoreRgb(out, x, y, l.palette[indexes[static_cast<size_t>(y) * static_cast<size_t>(info.Width) + static_cast<size_t>(x)]]);
    } else if (info.BitsPerPixel == 1) {
      DecodeMono(l, pixels, stride, out);
    } else {
      DecodeRgb(l, pixels, stride, out);
    }
    bitmap = std::move(out);
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
  return 0;
}

int LoadBmpFile(const std::string& fileName, Bitmap& bitmap) {
  std::vector<uint8_t> data;
  if (int rc = ReadWholeFile(fileName, data, kMaxFileSize)) return rc;
  return DecodeBmp(data.data(), data.size(), bitmap);
}

int ReadBmpInfo(const std::string& fileName, BmpInfo& info) {
  ImageFileReader reader;
  if (int rc = reader.Open(fileName)) return rc;
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(reader.Size(), kFileHeaderSize + kLargestInfoHeader + 16)));
  if (int rc = reader.Read(head.data(), head.size())) return rc;
  Layout l;
  if (int rc = ParseHeaders(head.data(), head.size(), reader.Size(), l, false)) return rc;
  info = l.info;
  return 0;
}

int SaveBmpFile(const std::string& fileName, const Bitmap& bitmap) {
  if (bitmap.IsNull()) return ecBadArgument;
  if (TooLargeToSave(bitmap)) return ecBadArgument;
  try {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.IsMono()) {
      const size_t stride = Stride(w, 1);
      const std::vector<RgbColor> palette{{0, 0, 0}, {255, 255, 255}};
      std::vector<uint8_t> file = StartFile(w, h, 1, palette, stride);
      const size_t offset = kFileHeaderSize + kInfoHeaderSize + 8;
      const size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
      for (int y = 0; y < h; ++y) std::memcpy(FileRow(file, offset, stride, h, y), bitmap.Row(y), rowBytes);
      return WriteWholeFile(fileName, file.data(), file.size());
    }
    const size_t stride = Stride(w, 24);
    std::vector<uint8_t> file = StartFile(w, h, 24, {}, stride);
    const size_t offset = kFileHeaderSize + kInfoHeaderSize;
    for (int y = 0; y < h; ++y) {
      uint8_t* dst = FileRow(file, offset, stride, h, y);
      for (int x = 0; x < w; ++x, dst += 3) {
        const RgbColor c = bitmap.Pixel(x, y);
        dst[0] = c.blue;
        dst[1] = c.green;
        dst[2] = c.red;
      }
    }
    return WriteWholeFile(fileName, file.data(), file.size());
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
}

int SaveBmp8File(const std::string& fileName, const Bitmap& bitmap) {
  if (bitmap.IsNull()) return ecBadArgument;
  if (TooLargeToSave(bitmap)) return ecBadArgument;
  try {
    const int w = bitmap.Width(), h = bitmap.Height();
    std::vector<RgbColor> palette;
    if (bitmap.IsMono()) {
      palette = {{0, 0, 0}, {255, 255, 255}};
    } else {
      for (int i = 0; i < 256; ++i) palette.push_back(RgbColor{uint8_t(i), uint8_t(i), uint8_t(i)});
    }
    const size_t stride = Stride(w, 8);
    std::vector<uint8_t> file = StartFile(w, h, 8, palette, stride);
    const size_t offset = kFileHeaderSize + kInfoHeaderSize + palette.size() * 4;
    for (int y = 0; y < h; ++y) {
      uint8_t* dst = FileRow(file, offset, stride, h, y);
      const uint8_t* row = bitmap.Row(y);
      for (int x = 0; x < w; ++x) {
        if (bitmap.IsMono()) {
          dst[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        } else {
          const RgbColor c = bitmap.Pixel(x, y);
          dst[x] = static_cast<uint8_t>((c.red + c.green + c.blue + 1) / 3);
        }
      }
    }
    return WriteWholeFile(fileName, file.data(), file.size());
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
}

}  // namespace telvane
