// Glyph rows of the fax font and system-font rows fitted to the resolution.
#include "faxdoc/text_rows.h"

#include <algorithm>
#include <cstring>

namespace telvane {

std::size_t DrawFaxFontRow(const std::string& text, const std::uint8_t* glyphs, const FaxFontMetrics& m, int row,
                           std::uint8_t* raster) {
  std::size_t bit = 0;
  for (unsigned char c : text) {
    const std::uint8_t* src =
        glyphs + static_cast<std::size_t>(c) * m.glyphBytes + static_cast<std::size_t>(row) * m.byteWidth;
    for (int x = 0; x < m.pixelWidth; ++x, ++bit)
      if (src[x >> 3] & (0x80 >> (x & 7))) raster[bit >> 3] |= static_cast<std::uint8_t>(0x80 >> (bit & 7));
  }
  return bit;
}

void FitRendererRow(const std::uint8_t* src, std::size_t rowBytes, bool fine, std::uint8_t* raster,
                    std::size_t rasterBytes) {
  if (fine) {
    std::memcpy(raster, src, std::min(rowBytes, rasterBytes));
    return;
  }
  for (std::size_t i = 0; i < rowBytes / 2 && 2 * i + 1 < rasterBytes; ++i) {
    std::uint16_t doubled = 0;
    for (int b = 0; b < 8; ++b)
      if (src[i] & (0x80 >> b)) doubled |= static_cast<std::uint16_t>(0xC000 >> (2 * b));
    raster[2 * i] = static_cast<std::uint8_t>(doubled >> 8);
    raster[2 * i + 1] = static_cast<std::uint8_t>(doubled);
  }
}

}  // namespace telvane
