// Reading PNG, GIF, netpbm, WebP and TIFF images through Qt's image readers
// into colour bitmaps, one image at a time, with the size checked before any
// pixels are decoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "faxdoc/bitmap.h"
#include "faxdoc/image_kind.h"

namespace telvane {

// Decodes the images of a file held in memory and hands each to `onImage`
// as an Rgb32 bitmap (transparent parts laid on white). A TIFF gives every
// page in turn; other kinds give their first image only. Stops at the first
// non-zero result of `onImage` and returns it. Returns -8002 for data Qt
// cannot read, an image over kBmpMaxPixels pixels or one cut short, and -8
// when the pixels cannot be had.
int DecodeQtImages(const uint8_t* data, size_t size, ImageKind kind, const std::function<int(const Bitmap&)>& onImage);

}  // namespace telvane
