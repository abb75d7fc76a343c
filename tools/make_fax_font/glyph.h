// A glyph drawn in square pixels, before its columns are doubled for the
// fax's 204 x 98 dpi grid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faxfont {

// Square-pixel cell sizes. Stored fax glyphs are twice as wide.
inline constexpr int kSmallWidth = 6, kSmallHeight = 8;
inline constexpr int kStandardWidth = 10, kStandardHeight = 16;

class Glyph {
 public:
  Glyph() = default;
  Glyph(int width, int height) : w_(width), h_(height), px_(size_t(width) * height, 0) {}

  int width() const { return w_; }
  int height() const { return h_; }
  // Out-of-range reads are blank and writes are dropped, so shapes can be
  // drawn without clipping arithmetic.
  bool at(int x, int y) const { return inside(x, y) && px_[size_t(y) * w_ + x]; }
  void set(int x, int y, bool on = true) {
    if (inside(x, y)) px_[size_t(y) * w_ + x] = on ? 1 : 0;
  }
  void hline(int x0, int x1, int y) { for (int x = x0; x <= x1; ++x) set(x, y); }
  void vline(int x, int y0, int y1) { for (int y = y0; y <= y1; ++y) set(x, y); }
  void fill(int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y) hline(x0, x1, y);
  }

  bool empty() const;
  // Ink bounds (inclusive); false when the glyph is blank.
  bool bounds(int& left, int& top, int& right, int& bottom) const;
  // Copies the ink of `src` shifted by (dx, dy); ink falling outside is lost.
  void blit(const Glyph& src, int dx, int dy);

  // Rows of '#' (ink) and '.', e.g. {"..#..", ".#.#.", ...}, placed at (x, y).
  void drawPattern(const std::vector<std::string>& rows, int x = 0, int y = 0);

  // The stored fax form: every column doubled, rows of `byteWidth` bytes,
  // leftmost pixel in the most significant bit.
  std::vector<uint8_t> toFaxBytes(int byteWidth) const;

 private:
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
  int w_ = 0, h_ = 0;
  std::vector<uint8_t> px_;
};

}  // namespace faxfont
