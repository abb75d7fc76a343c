#include "tools/make_fax_font/box_drawing.h"

#include <stdexcept>
#include <string>

namespace faxfont {
namespace {

// Line weight of each arm: 0 none, 1 single, 2 double.
struct Arms {
  int up, down, left, right;
};

// Codes 179-218, in order.
constexpr Arms kBoxArms[] = {
    {1, 1, 0, 0},  // 179 │
    {1, 1, 1, 0},  // 180 ┤
    {1, 1, 2, 0},  // 181 ╡
    {2, 2, 1, 0},  // 182 ╢
    {0, 2, 1, 0},  // 183 ╖
    {0, 1, 2, 0},  // 184 ╕
    {2, 2, 2, 0},  // 185 ╣
    {2, 2, 0, 0},  // 186 ║
    {0, 2, 2, 0},  // 187 ╗
    {2, 0, 2, 0},  // 188 ╝
    {2, 0, 1, 0},  // 189 ╜
    {1, 0, 2, 0},  // 190 ╛
    {0, 1, 1, 0},  // 191 ┐
    {1, 0, 0, 1},  // 192 └
    {1, 0, 1, 1},  // 193 ┴
    {0, 1, 1, 1},  // 194 ┬
    {1, 1, 0, 1},  // 195 ├
    {0, 0, 1, 1},  // 196 ─
    {1, 1, 1, 1},  // 197 ┼
    {1, 1, 0, 2},  // 198 ╞
    {2, 2, 0, 1},  // 199 ╟
    {2, 0, 0, 2},  // 200 ╚
    {0, 2, 0, 2},  // 201 ╔
    {2, 0, 2, 2},  // 202 ╩
    {0, 2, 2, 2},  // 203 ╦
    {2, 2, 0, 2},  // 204 ╠
    {0, 0, 2, 2},  // 205 ═
    {2, 2, 2, 2},  // 206 ╬
    {1, 0, 2, 2},  // 207 ╧
    {2, 0, 1, 1},  // 208 ╨
    {0, 1, 2, 2},  // 209 ╤
    {0, 2, 1, 1},  // 210 ╥
    {2, 0, 0, 1},  // 211 ╙
    {1, 0, 0, 2},  // 212 ╘
    {0, 1, 0, 2},  // 213 ╒
    {0, 2, 0, 1},  // 214 ╓
    {2, 2, 1, 1},  // 215 ╫
    {1, 1, 2, 2},  // 216 ╪
    {1, 0, 1, 0},  // 217 ┘
    {0, 1, 0, 1},  // 218 ┌
};

// How far an arm reaches past the centre line, as an offset from the centre
// (-1, 0 or +1, measured away from the arm's own edge). `side` is the weight
// of the crossing arm on this strand's side, `other` on the far side, and
// `through` tells whether the arm continues on the opposite edge.
int DoubleStrandReach(int side, int other, bool through) {
  if (side == 2) return -1;        // inner corner: meet the crossing double's near strand
  if (through) return 0;           // straight on into the opposite arm
  if (side == 1 || other == 1) return 0;  // meet a single crossing line
  if (other == 2) return 1;        // outer corner: meet the crossing double's far strand
  return 0;
}

int SingleReach(int crossLeft, int crossRight, bool through) {
  if (through) return 0;
  const int cross = crossLeft > crossRight ? crossLeft : crossRight;
  if (cross < 2) return 0;
  // A single line meeting a double one stops at its near strand when the
  // double passes straight across, and at its far strand at a corner.
  return (crossLeft && crossRight) ? -1 : 1;
}

void DrawBox(Glyph& g, const Arms& a) {
  const int w = g.width(), h = g.height();
  const int cx = (w - 1) / 2, cy = (h - 1) / 2;

  // Vertical arms: the up arm runs from row 0 to cy + reach, the down arm
  // from cy - reach to the last row.
  if (a.up == 1) g.vline(cx, 0, cy + SingleReach(a.left, a.right, a.down > 0));
  if (a.down == 1) g.vline(cx, cy - SingleReach(a.left, a.right, a.up > 0), h - 1);
  if (a.up == 2) {
    g.vline(cx - 1, 0, cy + DoubleStrandReach(a.left, a.right, a.down > 0));
    g.vline(cx + 1, 0, cy + DoubleStrandReach(a.right, a.left, a.down > 0));
  }
  if (a.down == 2) {
    g.vline(cx - 1, cy - DoubleStrandReach(a.left, a.right, a.up > 0), h - 1);
    g.vline(cx + 1, cy - DoubleStrandReach(a.right, a.left, a.up > 0), h - 1);
  }
  // Horizontal arms likewise, with the up and down arms as the crossing ones.
  if (a.left == 1) g.hline(0, cx + SingleReach(a.up, a.down, a.right > 0), cy);
  if (a.right == 1) g.hline(cx - SingleReach(a.up, a.down, a.left > 0), w - 1, cy);
  if (a.left == 2) {
    g.hline(0, cx + DoubleStrandReach(a.up, a.down, a.right > 0), cy - 1);
    g.hline(0, cx + DoubleStrandReach(a.down, a.up, a.right > 0), cy + 1);
  }
  if (a.right == 2) {
    g.hline(cx - DoubleStrandReach(a.up, a.down, a.left > 0), w - 1, cy - 1);
    g.hline(cx - DoubleStrandReach(a.down, a.up, a.left > 0), w - 1, cy + 1);
  }
}

// Shades: 1/4, 1/2 and 3/4 of the pixels, in patterns that tile across
// cells (cell sizes are even, and multiples of 4 high).
bool LightShade(int x, int y) { return y % 2 == 0 && (x + y / 2) % 2 == 0; }

}  // namespace

bool IsCellFilling(int code) { return code >= 176 && code <= 223; }

Glyph DrawCellFilling(int code, int width, int height) {
  if (!IsCellFilling(code)) throw std::invalid_argument("not a box or block code: " + std::to_string(code));
  Glyph g(width, height);
  if (code >= 179 && code <= 218) {
    DrawBox(g, kBoxArms[code - 179]);
    return g;
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool on = false;
      switch (code) {
        case 176: on = LightShade(x, y); break;
        case 177: on = (x + y) % 2 == 0; break;
        case 178: on = !LightShade(x, y + 1); break;
        case 219: on = true; break;
        case 220: on = y >= height / 2; break;
        case 221: on = x < width / 2; break;
        case 222: on = x >= width / 2; break;
        case 223: on = y < height / 2; break;
      }
      g.set(x, y, on);
    }
  return g;
}

}  // namespace faxfont
