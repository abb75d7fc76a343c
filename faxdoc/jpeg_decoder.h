// JPEG decoding with libjpeg into Rgb32 bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faxdoc/bitmap.h"

namespace telvane {

// Decodes a baseline or progressive JPEG (grey, YCbCr, RGB, CMYK or YCCK)
// into an Rgb32 bitmap. Returns 0, -8002 for data that is not a complete
// JPEG image or is larger than kBmpMaxPixels, -8 when the pixels cannot be
// had, or a negated file error.
int DecodeJpeg(const uint8_t* data, size_t size, Bitmap& bitmap);
int LoadJpegFile(const std::string& fileName, Bitmap& bitmap);

}  // namespace telvane
