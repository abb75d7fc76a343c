#include "tools/make_fax_font/glyph.h"

#include <stdexcept>

namespace faxfont {

bool Glyph::empty() const {
  for (uint8_t p : px_)
    if (p) return false;
  return true;
}

bool Glyph::bounds(int& left, int& top, int& right, int& bottom) const {
  left = w_, top = h_, right = -1, bottom = -1;
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x)
      if (at(x, y)) {
        if (x < left) left = x;
        if (x > right) right = x;
        if (y < top) top = y;
        if (y > bottom) bottom = y;
      }
  return right >= 0;
}

void Glyph::blit(const Glyph& src, int dx, int dy) {
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      if (src.at(x, y)) set(x + dx, y + dy);
}

void Glyph::drawPattern(const std::vector<std::string>& rows, int x, int y) {
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const char ch = rows[r][c];
      if (ch == '#')
        set(x + int(c), y + int(r));
      else if (ch != '.')
        throw std::invalid_argument("glyph pattern holds '" + std::string(1, ch) + "'");
    }
}

std::vector<uint8_t> Glyph::toFaxBytes(int byteWidth) const {
  if (2 * w_ > 8 * byteWidth) throw std::invalid_argument("glyph wider than its byte width");
  std::vector<uint8_t> out(size_t(byteWidth) * h_, 0);
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x)
      if (at(x, y))
        for (int fx = 2 * x; fx <= 2 * x + 1; ++fx)
          out[size_t(y) * byteWidth + fx / 8] |= uint8_t(0x80u >> (fx % 8));
  return out;
}

}  // namespace faxfont
