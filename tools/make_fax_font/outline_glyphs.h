// The standard fax font (10 x 16 square pixels, 20 x 16 fax pixels), rendered
// from a monospaced outline font without antialiasing, with full hinting.
#pragma once

#include <QFont>
#include <QString>
#include <string>

#include "tools/make_fax_font/glyph.h"

namespace faxfont {

// Placement of rendered glyphs in the 10 x 16 cell. Column 9 and row 15 stay
// blank as spacing, so ink must lie in columns 0-8 and rows 0-14.
inline constexpr int kStandardPixelSize = 15;
inline constexpr int kStandardBaseline = 12;  // first row below the baseline
inline constexpr int kStandardInkRight = 8;
inline constexpr int kStandardInkBottom = 14;

struct RenderedGlyph {
  Glyph glyph;
  int pixelSize = 0;  // the size it was rendered at
  int shiftX = 0;     // columns moved to fit the cell
  int shiftY = 0;     // rows moved to fit the cell
};

class OutlineRenderer {
 public:
  // Loads the font file; throws when it cannot be loaded.
  explicit OutlineRenderer(const QString& fontFile);

  const QString& family() const { return family_; }
  bool covers(char32_t ch) const;

  // Renders `ch` with its baseline at kStandardBaseline. A glyph that does not
  // fit the ink area at the standard size is rendered smaller (keeping the
  // baseline) or, as a last resort, moved; throws when nothing fits.
  RenderedGlyph renderFitted(char32_t ch) const;

  // The glyph at one pixel size, placed without any fitting; ink outside the
  // cell is reported through `clipped`.
  Glyph render(char32_t ch, int pixelSize, int shiftX, int shiftY, bool* clipped) const;

 private:
  QFont font(int pixelSize) const;
  QString family_;
};

}  // namespace faxfont
