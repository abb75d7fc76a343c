// Rendering the pages of a PDF document for the fax: each page at the fax's
// resolution (204 dots per inch across, 98 or 196 lines per inch), made
// smaller where needed to fit the fax line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "faxdoc/bitmap.h"

namespace telvane {

// Where the pages go: the line width in pixels (1728, or 2048 for wide
// faxes) and the lines per inch (98 standard, 196 high).
struct FaxPageGeometry {
  int lineWidth = 1728;
  int linesPerInch = 98;
};

inline constexpr double kFaxDotsPerInch = 204.0;

// Renders every page of the PDF document held in `data` and hands each to
// `onPage` as an Rgb32 bitmap: text and line art without antialiasing, so
// that black stays black and the converter's dither only touches shades and
// photos. A page wider than the line is scaled down to fit it, its height in
// the same proportion. Stops at the first non-zero result of `onPage`.
// Returns 0, -8002 for a document that cannot be read (damaged, or locked
// with a password) or has no pages, -8 when a page cannot be had.
int RenderPdfPages(const uint8_t* data, size_t size, const FaxPageGeometry& geometry,
                   const std::function<int(const Bitmap&)>& onPage);

}  // namespace telvane
