// The two ways text becomes raster rows, shared by text documents, text
// covers and the header line: glyph rows of the built-in fax font, and rows
// of a system-font bitmap fitted to the fax resolution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faxdoc/fax_font.h"

namespace telvane {

// ORs glyph row `row` of every character of `text` into `raster`, left to
// right from bit 0; returns the number of pixels drawn.
std::size_t DrawFaxFontRow(const std::string& text, const std::uint8_t* glyphs, const FaxFontMetrics& m, int row,
                           std::uint8_t* raster);

// Copies one row of a system-font bitmap drawn for high resolution into a
// raster of `rasterBytes`. Standard resolution has half the lines per inch but
// the same pixels across: there the left half of the row goes in with each
// pixel doubled, which keeps the text at the same size on paper.
void FitRendererRow(const std::uint8_t* src, std::size_t rowBytes, bool fine, std::uint8_t* raster,
                    std::size_t rasterBytes);

}  // namespace telvane
