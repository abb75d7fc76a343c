// Glyphs of the standard fax font that are drawn rather than rendered.
#pragma once

#include <optional>

#include "tools/make_fax_font/glyph.h"

namespace faxfont {

// A hand-drawn 10 x 16 glyph for `code`, or nothing when the code is rendered
// from the outline font.
std::optional<Glyph> StandardDrawnGlyph(int code);

}  // namespace faxfont
