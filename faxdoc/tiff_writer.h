// Writes an unpacked fax image as a little-endian TIFF: one directory, one
// strip, PackBits rows, white is zero (a set bit is black, as in fax lines).
#pragma once

#include "faxdoc/output_file.h"
#include "faxdoc/memory_image.h"

namespace telvane {

// Writes the header and directory, then the rows of `image`, then patches
// the strip's byte count. Image width and length are SHORT fields up to
// 65535 and LONG fields above, so that a tall stacked image keeps every row.
// -1002 for an empty image or a strip past the 4 GB a TIFF can address.
int WriteTiffImage(OutputFile& file, const LineSource& image);

}  // namespace telvane
