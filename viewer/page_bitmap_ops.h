// Operations on monochrome page bitmaps (set bit = white) that the viewer and
// the printer need: quarter turns, stretching by integer ratios and copying
// into a QImage.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

#include "faxdoc/bitmap.h"
#include "faxdoc/mono_image.h"

namespace telvane {

// Turns a monochrome bitmap by `quarterTurns` quarter turns clockwise (0..3):
// 1 a quarter turn clockwise, 2 a half turn, 3 a quarter turn
// counter-clockwise. A quarter turn of a W × H page gives an H × W page and
// the half turn mirrors each row within the page width: the padding bits at
// the end of a row never enter the picture, so turns add up exactly (a page
// turned 1, then 2, then 1 quarter turns comes back bit for bit) and a page
// does not grow by white rows each time it is turned.
// Throws std::bad_alloc when the new bitmap cannot be had.
Bitmap TurnBitmap(const Bitmap& source, int quarterTurns);

// Ratios of displayed size to page size in each direction.
struct DisplayScale {
  uint32_t HorizMult = 1, HorizDiv = 1, VertMult = 1, VertDiv = 1;
  bool Identity() const { return HorizMult == HorizDiv && VertMult == VertDiv; }
  friend bool operator==(const DisplayScale&, const DisplayScale&) = default;
};

// Displayed size of a page: size × mult ÷ div, remainder dropped.
int ScaledLength(int length, uint32_t mult, uint32_t div);

// Fills `height` rows of `width` pixels at `dst` (`stride` bytes apart, set
// bit = white) with `source` stretched by `scale`. Each destination pixel
// covers the source pixels from its position × div ÷ mult up to the next
// one's (at least one pixel); it is black when any of them is black, so that
// thin strokes survive a reduction. Bits right of `width` are set (white).
void StretchMonoInto(const Bitmap& source, const DisplayScale& scale, int width, int height, uint8_t* dst,
                     size_t stride);


}  // namespace telvane
