// The small fax font (6 x 8 square pixels, 12 x 8 fax pixels), drawn by hand:
// at this size a rendered outline font is not legible on a fax.
#pragma once

#include "tools/make_fax_font/glyph.h"

namespace faxfont {

// The glyph for `code`, in a 6 x 8 cell: a 5 x 7 character matrix with the
// spacing column on the right and the spacing row at the bottom. Accented
// letters are built from a letter and an accent. Throws for codes that the
// hand-drawn set does not cover (box drawing and blocks are drawn elsewhere).
Glyph SmallGlyph(int code);

}  // namespace faxfont
