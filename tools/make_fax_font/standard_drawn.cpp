#include "standard_drawn.h"

#include <string>
#include <vector>

namespace faxfont {
namespace {

struct Drawn {
  int code;
  std::vector<std::string> rows;  // 10 wide; missing rows are blank
};

const std::vector<Drawn>& DrawnGlyphs() {
  static const std::vector<Drawn> glyphs = {
      // Integral halves are stacked in two text lines: the top half runs
      // down through the spacing row to meet the bottom half.
      {244, {".....##...", "....#..#..", "....#.....", "....#.....", "....#.....", "....#.....",
             "....#.....", "....#.....", "....#.....", "....#.....", "....#.....", "....#.....",
             "....#.....", "....#.....", "....#.....", "....#....."}},
      {245, {"....#.....", "....#.....", "....#.....", "....#.....", "....#.....", "....#.....",
             "....#.....", "....#.....", "....#.....", "....#.....", "....#.....", "....#.....",
             ".#..#.....", "..##......"}},
  };
  return glyphs;
}

}  // namespace

std::optional<Glyph> StandardDrawnGlyph(int code) {
  for (const Drawn& d : DrawnGlyphs()) {
    if (d.code != code) continue;
    Glyph g(kStandardWidth, kStandardHeight);
    g.drawPattern(d.rows);
    return g;
  }
  return std::nullopt;
}

}  // namespace faxfont
