// Shades, box drawing and block elements (codes 176-223). Unlike text glyphs
// they run to the edges of the cell, so that frames and bars drawn with them
// join up across characters and lines.
#pragma once

#include "tools/make_fax_font/glyph.h"

namespace faxfont {

bool IsCellFilling(int code);
// Draws `code` (176-223) into a cell of the given square-pixel size.
Glyph DrawCellFilling(int code, int width, int height);

}  // namespace faxfont
