// BMP files: loading 1, 4, 8, 16, 24 and 32-bit images (uncompressed,
// bit fields, RLE4 and RLE8; bottom-up or top-down) into a Bitmap, and
// saving a Bitmap as a 1-bit, 8-bit or 24-bit BMP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faxdoc/bitmap.h"

namespace telvane {

// What the headers of a BMP file say, without its pixels.
struct BmpInfo {
  int Width = 0;
  int Height = 0;          // always positive; TopDown tells the row order
  int BitsPerPixel = 0;    // 1, 4, 8, 16, 24 or 32
  uint32_t Compression = 0;
  bool TopDown = false;
};

// Largest image the reader accepts, in pixels; larger ones give -8002.
inline constexpr uint64_t kBmpMaxPixels = uint64_t{1} << 26;

// Loads a BMP file. A 1-bit image becomes a Mono bitmap whose set bits are
// the brighter of the two palette colours (white), whatever order the
// palette has; every other depth becomes an Rgb32 bitmap.
// Returns 0, -8002 for a file that is not a BMP image this reader supports
// or is cut short, -8 when the pixels cannot be had, or a negated file error.
int LoadBmpFile(const std::string& fileName, Bitmap& bitmap);
// The same for a BMP file held in memory.
int DecodeBmp(const uint8_t* data, size_t size, Bitmap& bitmap);

// Reads only the headers: 0, -8002 or a negated file error.
int ReadBmpInfo(const std::string& fileName, BmpInfo& info);

// Saves a Mono bitmap as a 1-bit BMP (palette black, white; the bits are
// stored as they are, so a set bit stays white) and an Rgb32 bitmap as a
// 24-bit BMP. Rows are stored bottom-up. The file is written aside and
// renamed into place, so a failure leaves an earlier file of that name as it
// was. Returns 0, -1002 for a null bitmap, or a negated file error.
int SaveBmpFile(const std::string& fileName, const Bitmap& bitmap);

// Saves any bitmap as an 8-bit BMP: a Mono bitmap with the palette black,
// white; an Rgb32 bitmap as 256 grey levels, each pixel the mean of its red,
// green and blue (so that their sum, which the converter's threshold looks
// at, is kept to within 2). Same results and safety as SaveBmpFile.
int SaveBmp8File(const std::string& fileName, const Bitmap& bitmap);

}  // namespace telvane
