// The built-in fax font: a bitmap font in two sizes covering the 256 byte
// codes (code page 437 pictures, letters, box drawing and symbols), used to
// turn plain text into fax pages.
//
// The font is one block of 16384 bytes: first the small font, 256 glyphs of
// 16 bytes (8 rows of 2 bytes, 12 pixels wide), then the standard font, 256
// glyphs of 48 bytes (16 rows of 3 bytes, 20 pixels wide). Glyph n lies at
// n x glyph bytes; rows run top to bottom; in each row the leftmost pixel is
// the most significant bit of the first byte, set means black, and bits
// beyond the pixel width are zero. Glyphs carry their own spacing (blank
// columns on the right, a blank row at the bottom), so characters and text
// lines are placed edge to edge; only shades, box drawing and blocks run to
// the cell edges so that they join. Codes 0, 32 and 255 are blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace telvane {

inline constexpr size_t kFaxFontResourceSize = 16384;

// The whole 16384-byte font block.
const uint8_t* FaxFontResource();

enum class FaxFontType { ffStandard, ffSmall };

struct FaxFontMetrics {
  int glyphBytes;  // bytes per glyph
  int pixelWidth;  // pixels per glyph row
  int byteWidth;   // bytes per glyph row
  int height;      // rows per glyph
};

// Bytes a glyph store needs for any font size and resolution (256 glyphs of
// up to 96 bytes).
inline constexpr size_t kFaxFontStoreSize = 24576;

// Loads one size of the built-in font into `store` (resized to at least
// kFaxFontStoreSize bytes) and fills `metrics`. ffStandard takes the 12288
// bytes after the first 4096 of the block, ffSmall the first 4096. At high
// resolution every glyph row is written twice, so glyph bytes and height
// double. Returns 0, or ecFontFileNotFound when the block is missing or has
// the wrong size.
int LoadFaxFont(FaxFontType type, bool highRes, std::vector<uint8_t>& store, FaxFontMetrics& metrics);

// The same from a given font block.
int LoadFaxFont(std::span<const uint8_t> block, FaxFontType type, bool highRes, std::vector<uint8_t>& store,
                FaxFontMetrics& metrics);

}  // namespace telvane
