// The built-in fax font: the layout of its block, loading each size, and
// whether its glyphs are fit to set text with.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "base/error_codes.h"
#include "faxdoc/fax_font.h"

namespace telvane {
namespace {

struct FontSize {
  FaxFontType type;
  int glyphBytes, pixelWidth, byteWidth, height;
  size_t offset;  // where the size starts in the block
  const char* name;
};
constexpr FontSize kSmall{FaxFontType::ffSmall, 16, 12, 2, 8, 0, "small"};
constexpr FontSize kStandard{FaxFontType::ffStandard, 48, 20, 3, 16, 4096, "standard"};
constexpr FontSize kSizes[] = {kSmall, kStandard};

const uint8_t* GlyphBytes(const FontSize& s, int code) {
  return FaxFontResource() + s.offset + size_t(code) * s.glyphBytes;
}

bool Ink(const FontSize& s, int code, int x, int y) {
  return GlyphBytes(s, code)[y * s.byteWidth + x / 8] & (0x80 >> (x % 8));
}

int InkCount(const FontSize& s, int code) {
  int n = 0;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.pixelWidth; ++x) n += Ink(s, code, x, y);
  return n;
}

std::string Describe(int code) {
  if (code > 32 && code < 127) return std::to_string(code) + " '" + char(code) + "'";
  return std::to_string(code);
}

// Shades, box drawing and blocks run to the cell edges so that they join;
// every other glyph leaves its spacing blank.
bool JoinsNeighbours(int code) { return code >= 176 && code <= 223; }

// ---- Loading -----------------------------------------------------------

TEST(FaxFontTest, LoadsEachSizeFromItsPartOfTheBlock) {
  ASSERT_NE(FaxFontResource(), nullptr);
  for (const FontSize& s : kSizes) {
    SCOPED_TRACE(s.name);
    std::vector<uint8_t> store;
    FaxFontMetrics m{};
    ASSERT_EQ(LoadFaxFont(s.type, false, store, m), 0);
    EXPECT_EQ(m.glyphBytes, s.glyphBytes);
    EXPECT_EQ(m.pixelWidth, s.pixelWidth);
    EXPECT_EQ(m.byteWidth, s.byteWidth);
    EXPECT_EQ(m.height, s.height);
    ASSERT_GE(store.size(), kFaxFontStoreSize);
    EXPECT_TRUE(std::equal(store.begin(), store.begin() + 256 * s.glyphBytes, FaxFontResource() + s.offset));
  }
  // The two sizes fill the block exactly.
  EXPECT_EQ(256 * kSmall.glyphBytes + 256 * kStandard.glyphBytes, int(kFaxFontResourceSize));
}

TEST(FaxFontTest, HighResolutionWritesEveryRowTwice) {
  for (const FontSize& s : kSizes) {
    SCOPED_TRACE(s.name);
    // A store left dirty by an earlier load must not matter.
    std::vector<uint8_t> store(kFaxFontStoreSize, 0xA5);
    FaxFontMetrics m{};
    ASSERT_EQ(LoadFaxFont(s.type, true, store, m), 0);
    EXPECT_EQ(m.glyphBytes, 2 * s.glyphBytes);
    EXPECT_EQ(m.height, 2 * s.height);
    EXPECT_EQ(m.pixelWidth, s.pixelWidth);
    EXPECT_EQ(m.byteWidth, s.byteWidth);
    for (int code = 0; code < 256; ++code)
      for (int row = 0; row < m.height; ++row) {
        const uint8_t* got = store.data() + size_t(code) * m.glyphBytes + size_t(row) * m.byteWidth;
        const uint8_t* want = GlyphBytes(s, code) + size_t(row / 2) * s.byteWidth;
        ASSERT_TRUE(std::equal(got, got + s.byteWidth, want)) << "code " << code << ", row " << row;
      }
  }
}

TEST(FaxFontTest, RejectsAMissingOrWrongSizedBlock) {
  std::vector<uint8_t> store;
  FaxFontMetrics m{};
  const std::vector<uint8_t> shortBlock(kFaxFontResourceSize - 1, 0);
  const std::vector<uint8_t> longBlock(kFaxFontResourceSize + 1, 0);
  EXPECT_EQ(LoadFaxFont({}, FaxFontType::ffStandard, false, store, m), ecFontFileNotFound);
  EXPECT_EQ(LoadFaxFont(shortBlock, FaxFontType::ffStandard, false, store, m), ecFontFileNotFound);
  EXPECT_EQ(LoadFaxFont(longBlock, FaxFontType::ffSmall, true, store, m), ecFontFileNotFound);
  // A block of the right size is taken as it is.
  std::vector<uint8_t> block(kFaxFontResourceSize, 0);
  block[4096] = 0xF0;
  ASSERT_EQ(LoadFaxFont(block, FaxFontType::ffStandard, true, store, m), 0);
  EXPECT_EQ(store[0], 0xF0);
  EXPECT_EQ(store[3], 0xF0);
}

// ---- Shape of the block ----------------------------------------------------

TEST(FaxFontTest, OnlyCodes0And32And255AreBlank) {
  for (const FontSize& s : kSizes)
    for (int code = 0; code < 256; ++code) {
      const bool blank = code == 0 || code == 32 || code == 255;
      if (blank)
        EXPECT_EQ(InkCount(s, code), 0) << s.name << " " << Describe(code);
      else
        EXPECT_GT(InkCount(s, code), 0) << s.name << " " << Describe(code);
    }
}

TEST(FaxFontTest, BitsBeyondThePixelWidthAreZero) {
  for (const FontSize& s : kSizes)
    for (int code = 0; code < 256; ++code)
      for (int y = 0; y < s.height; ++y)
        for (int x = s.pixelWidth; x < 8 * s.byteWidth; ++x)
          ASSERT_FALSE(Ink(s, code, x, y)) << s.name << " " << Describe(code) << " row " << y;
}

// Fax pixels at standard resolution are twice as tall as wide; the glyphs are
// drawn on a square grid and stored with every column doubled, so that they
// print with the proportions they were drawn with.
TEST(FaxFontTest, ColumnsComeInPairs) {
  for (const FontSize& s : kSizes)
    for (int code = 0; code < 256; ++code)
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.pixelWidth; x += 2)
          ASSERT_EQ(Ink(s, code, x, y), Ink(s, code, x + 1, y)) << s.name << " " << Describe(code) << " row " << y;
}

TEST(FaxFontTest, TextGlyphsLeaveTheirSpacingBlank) {
  for (const FontSize& s : kSizes)
    for (int code = 0; code < 256; ++code) {
      if (JoinsNeighbours(code)) continue;
      for (int y = 0; y < s.height; ++y)
        for (int x = s.pixelWidth - 2; x < s.pixelWidth; ++x)
          EXPECT_FALSE(Ink(s, code, x, y)) << s.name << " " << Describe(code) << " spacing column, row " << y;
      // The top half of the integral sign runs on into the bottom half (245)
      // on the next text line.
      if (code == 244) continue;
      for (int x = 0; x < s.pixelWidth; ++x)
        EXPECT_FALSE(Ink(s, code, x, s.height - 1)) << s.name << " " << Describe(code) << " spacing row";
    }
}

// ---- Box drawing, blocks and shades -----------------------------------------

// Arms of each box-drawing character (codes 179-218): up, down, left, right;
// 0 none, 1 single line, 2 double line.
struct BoxArms {
  int code;
  int up, down, left, right;
};
constexpr BoxArms kBoxArms[] = {
    {179, 1, 1, 0, 0}, {180, 1, 1, 1, 0}, {181, 1, 1, 2, 0}, {182, 2, 2, 1, 0}, {183, 0, 2, 1, 0},
    {184, 0, 1, 2, 0}, {185, 2, 2, 2, 0}, {186, 2, 2, 0, 0}, {187, 0, 2, 2, 0}, {188, 2, 0, 2, 0},
    {189, 2, 0, 1, 0}, {190, 1, 0, 2, 0}, {191, 0, 1, 1, 0}, {192, 1, 0, 0, 1}, {193, 1, 0, 1, 1},
    {194, 0, 1, 1, 1}, {195, 1, 1, 0, 1}, {196, 0, 0, 1, 1}, {197, 1, 1, 1, 1}, {198, 1, 1, 0, 2},
    {199, 2, 2, 0, 1}, {200, 2, 0, 0, 2}, {201, 0, 2, 0, 2}, {202, 2, 0, 2, 2}, {203, 0, 2, 2, 2},
    {204, 2, 2, 0, 2}, {205, 0, 0, 2, 2}, {206, 2, 2, 2, 2}, {207, 1, 0, 2, 2}, {208, 2, 0, 1, 1},
    {209, 0, 1, 2, 2}, {210, 0, 2, 1, 1}, {211, 2, 0, 0, 1}, {212, 1, 0, 0, 2}, {213, 0, 1, 0, 2},
    {214, 0, 2, 0, 1}, {215, 2, 2, 1, 1}, {216, 1, 1, 2, 2}, {217, 1, 0, 1, 0}, {218, 0, 1, 0, 1},
};

enum Edge { kTop, kBottom, kLeft, kRight };

std::vector<bool> EdgeProfile(const FontSize& s, int code, Edge e) {
  std::vector<bool> p;
  if (e == kTop || e == kBottom)
    for (int x = 0; x < s.pixelWidth; ++x) p.push_back(Ink(s, code, x, e == kTop ? 0 : s.height - 1));
  else
    for (int y = 0; y < s.height; ++y) p.push_back(Ink(s, code, e == kLeft ? 0 : s.pixelWidth - 1, y));
  return p;
}

int Runs(const std::vector<bool>& p) {
  int n = 0;
  for (size_t i = 0; i < p.size(); ++i) n += p[i] && (i == 0 || !p[i - 1]);
  return n;
}

// Every arm meets the cell edge exactly where the straight line of the same
// weight does, with one stroke per line; so any two box characters placed
// side by side or one above the other join without a gap or a step.
TEST(FaxFontTest, BoxDrawingArmsMeetTheEdgesWhereTheirNeighboursDo) {
  for (const FontSize& s : kSizes) {
    SCOPED_TRACE(s.name);
    const std::vector<bool> none(size_t(s.pixelWidth), false);
    const std::vector<bool> noneV(size_t(s.height), false);
    // Straight lines: single and double, vertical and horizontal.
    const std::vector<bool> vertical[3] = {none, EdgeProfile(s, 179, kTop), EdgeProfile(s, 186, kTop)};
    const std::vector<bool> horizontal[3] = {noneV, EdgeProfile(s, 196, kLeft), EdgeProfile(s, 205, kLeft)};
    ASSERT_EQ(Runs(vertical[1]), 1);
    ASSERT_EQ(Runs(vertical[2]), 2);
    ASSERT_EQ(Runs(horizontal[1]), 1);
    ASSERT_EQ(Runs(horizontal[2]), 2);
    for (const BoxArms& b : kBoxArms) {
      EXPECT_EQ(EdgeProfile(s, b.code, kTop), vertical[b.up]) << "code " << b.code << " top";
      EXPECT_EQ(EdgeProfile(s, b.code, kBottom), vertical[b.down]) << "code " << b.code << " bottom";
      EXPECT_EQ(EdgeProfile(s, b.code, kLeft), horizontal[b.left]) << "code " << b.code << " left";
      EXPECT_EQ(EdgeProfile(s, b.code, kRight), horizontal[b.right]) << "code " << b.code << " right";
    }
  }
}

// The strands of a double line do not touch each other inside the cell except
// where the character's own shape joins them: a double line crossed by
// nothing (║ ═) stays two separate strokes all along.
TEST(FaxFontTest, DoubleLinesStayApart) {
  for (const FontSize& s : kSizes) {
    for (int y = 0; y < s.height; ++y) {
      std::vector<bool> row;
      for (int x = 0; x < s.pixelWidth; ++x) row.push_back(Ink(s, 186, x, y));
      EXPECT_EQ(Runs(row), 2) << s.name << " row " << y;
    }
    for (int x = 0; x < s.pixelWidth; ++x) {
      std::vector<bool> col;
      for (int y = 0; y < s.height; ++y) col.push_back(Ink(s, 205, x, y));
      EXPECT_EQ(Runs(col), 2) << s.name << " column " << x;
    }
  }
}

// Inside the cell every stroke leads from one edge to another (straight on or
// round a corner): no arm stops short of the others, and nothing is drawn
// that does not belong to a stroke.
TEST(FaxFontTest, BoxDrawingStrokesLeadFromEdgeToEdge) {
  for (const FontSize& s : kSizes)
    for (const BoxArms& b : kBoxArms) {
      // Label the pieces of ink (4-connected, on the fax grid).
      const int w = s.pixelWidth, h = s.height;
      std::vector<int> piece(size_t(w * h), -1);
      int pieces = 0;
      for (int start = 0; start < w * h; ++start) {
        if (piece[start] >= 0 || !Ink(s, b.code, start % w, start / w)) continue;
        std::vector<int> stack = {start};
        piece[start] = pieces;
        while (!stack.empty()) {
          const int i = stack.back();
          stack.pop_back();
          const int x = i % w, y = i / w;
          const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
          for (const auto& n : next)
            if (n[0] >= 0 && n[0] < w && n[1] >= 0 && n[1] < h && piece[n[1] * w + n[0]] < 0 &&
                Ink(s, b.code, n[0], n[1])) {
              piece[n[1] * w + n[0]] = pieces;
              stack.push_back(n[1] * w + n[0]);
            }
        }
        ++pieces;
      }
      // Count, for each piece, the strokes at the cell edges it takes part in.
      // Where only double lines meet, the two strands of a line never merge,
      // so no piece reaches one edge twice.
      const bool allDouble = b.up != 1 && b.down != 1 && b.left != 1 && b.right != 1;
      std::vector<int> strokes(size_t(pieces), 0);
      auto countEdge = [&](int x0, int y0, int dx, int dy, int n) {
        int last = -1;
        std::vector<bool> seen(size_t(pieces), false);
        for (int k = 0; k < n; ++k) {
          const int p = piece[(y0 + k * dy) * w + x0 + k * dx];
          if (p >= 0 && p != last) {
            ++strokes[p];
            if (allDouble) {
              EXPECT_FALSE(seen[p]) << s.name << " code " << b.code << ": strands of a double line merge";
            }
            seen[p] = true;
          }
          last = p;
        }
      };
      countEdge(0, 0, 1, 0, w);
      countEdge(0, h - 1, 1, 0, w);
      countEdge(0, 0, 0, 1, h);
      countEdge(w - 1, 0, 0, 1, h);
      for (int p = 0; p < pieces; ++p)
        EXPECT_GE(strokes[p], 2) << s.name << " code " << b.code << ": a stroke that leads nowhere";
    }
}

TEST(FaxFontTest, BlocksAndShadesCoverTheirShareOfTheCell) {
  for (const FontSize& s : kSizes) {
    SCOPED_TRACE(s.name);
    const int cell = s.pixelWidth * s.height;
    EXPECT_EQ(InkCount(s, 176) * 4, cell);  // ░
    EXPECT_EQ(InkCount(s, 177) * 2, cell);  // ▒
    EXPECT_EQ(InkCount(s, 178) * 4, cell * 3);  // ▓
    EXPECT_EQ(InkCount(s, 219), cell);      // █
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.pixelWidth; ++x) {
        const bool lower = y >= s.height / 2, left = x < s.pixelWidth / 2;
        ASSERT_EQ(Ink(s, 220, x, y), lower) << x << "," << y;   // ▄
        ASSERT_EQ(Ink(s, 223, x, y), !lower) << x << "," << y;  // ▀
        ASSERT_EQ(Ink(s, 221, x, y), left) << x << "," << y;    // ▌
        ASSERT_EQ(Ink(s, 222, x, y), !left) << x << "," << y;   // ▐
      }
  }
}

// ---- Fit for text ----------------------------------------------------------

TEST(FaxFontTest, PrintableAsciiGlyphsAreAllDifferent) {
  for (const FontSize& s : kSizes)
    for (int a = 33; a < 127; ++a)
      for (int b = a + 1; b < 127; ++b)
        EXPECT_FALSE(std::equal(GlyphBytes(s, a), GlyphBytes(s, a) + s.glyphBytes, GlyphBytes(s, b)))
            << s.name << ": " << Describe(a) << " and " << Describe(b) << " look the same";
}

struct InkBox {
  int top = 0, bottom = 0;
};

InkBox VerticalExtent(const FontSize& s, int code) {
  InkBox b{s.height, -1};
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.pixelWidth; ++x)
      if (Ink(s, code, x, y)) {
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

// Letters of a line stand on one baseline, capitals and figures share a
// height, lower case shares an x-height; in the standard font descenders
// reach below the baseline.
TEST(FaxFontTest, LettersShareBaselineAndHeights) {
  for (const FontSize& s : kSizes) {
    SCOPED_TRACE(s.name);
    const InkBox cap = VerticalExtent(s, 'H');
    const InkBox x = VerticalExtent(s, 'x');
    EXPECT_EQ(x.bottom, cap.bottom);
    EXPECT_GT(x.top, cap.top);
    for (char c : std::string("ABCDEFGHIKLMNOPRSTUVWXYZ0123456789")) {
      EXPECT_EQ(VerticalExtent(s, c).top, cap.top) << c;
      EXPECT_EQ(VerticalExtent(s, c).bottom, cap.bottom) << c;
    }
    for (char c : std::string("acemnorsuvwxz")) {
      EXPECT_EQ(VerticalExtent(s, c).top, x.top) << c;
      EXPECT_EQ(VerticalExtent(s, c).bottom, x.bottom) << c;
    }
    for (char c : std::string("bdhkl")) EXPECT_LE(VerticalExtent(s, c).top, cap.top) << c;
    if (s.type == FaxFontType::ffStandard) {
      for (char c : std::string("gjpqy")) EXPECT_GT(VerticalExtent(s, c).bottom, cap.bottom) << c;
    }
  }
}

// ---- Legibility --------------------------------------------------------------
//
// Without an OCR engine at hand, glyphs are compared with characters of a
// well-made outline font, rendered large with antialiasing and reduced to the
// glyph's square grid. A legible glyph looks more like its own character than
// like any other one; pairs that are alike in any sans-serif face at this
// size may tie.

const char* const kReferenceFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

// A glyph on its square grid (every other stored column), as ink 0 or 1.
using Grid = std::vector<std::vector<float>>;

Grid SquareGrid(const FontSize& s, int code) {
  Grid g(size_t(s.height), std::vector<float>(size_t(s.pixelWidth / 2), 0.f));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.pixelWidth / 2; ++x) g[y][x] = Ink(s, code, 2 * x, y) ? 1.f : 0.f;
  return g;
}

// Renders `ch` at `scale` times the grid and averages it down: ink coverage
// of each square pixel. The size is `em` pixels, or less for a character
// (such as an accented capital) that would not fit the cell otherwise.
Grid Reference(const QString& family, char32_t ch, int width, int height, int em, int baseline) {
  constexpr int scale = 8, pad = 4;  // rows above and below the cell, to see what spills over
  for (;; --em) {
    QImage img(width * scale, (height + 2 * pad) * scale, QImage::Format_Grayscale8);
    img.fill(255);
    {
      QPainter p(&img);
      QFont f(family);
      f.setPixelSize(em * scale);
      f.setStyleStrategy(QFont::NoFontMerging);
      p.setFont(f);
      p.setPen(Qt::black);
      p.setRenderHint(QPainter::TextAntialiasing, true);
      p.drawText(QPointF(0, (pad + baseline) * scale), QString::fromUcs4(&ch, 1));
    }
    Grid g(size_t(height + 2 * pad), std::vector<float>(size_t(width), 0.f));
    for (int y = 0; y < img.height(); ++y) {
      const uchar* line = img.constScanLine(y);
      for (int x = 0; x < img.width(); ++x) g[y / scale][x / scale] += (255 - line[x]) / 255.f / (scale * scale);
    }
    float outside = 0;
    for (int y = 0; y < height + 2 * pad; ++y)
      if (y < pad || y >= pad + height)
        for (float v : g[y]) outside += v;
    if (outside < 0.5f || em <= 8) return Grid(g.begin() + pad, g.begin() + pad + height);
  }
}

// Both pictures are blurred a little, so that a stroke a fraction of a pixel
// away still counts, and compared by cosine similarity; the glyph may also
// sit a whole pixel off.
Grid Blur(const Grid& g) {
  const int h = int(g.size()), w = int(g[0].size());
  auto at = [&](const Grid& a, int y, int x) { return (y >= 0 && y < h && x >= 0 && x < w) ? a[y][x] : 0.f; };
  Grid across = g, out = g;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) across[y][x] = (at(g, y, x - 1) + 2 * at(g, y, x) + at(g, y, x + 1)) / 4;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out[y][x] = (at(across, y - 1, x) + 2 * at(across, y, x) + at(across, y + 1, x)) / 4;
  return out;
}

double Similarity(const Grid& glyph, const Grid& ref) {
  const Grid a = Blur(glyph), b = Blur(ref);
  const int h = int(a.size()), w = int(a[0].size());
  double best = -1;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      // Pearson correlation of the shifted glyph with the reference.
      std::vector<double> u, v;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int gy = y + dy, gx = x + dx;
          u.push_back((gy >= 0 && gy < h && gx >= 0 && gx < w) ? a[gy][gx] : 0.0);
          v.push_back(b[y][x]);
        }
      const double mu = std::accumulate(u.begin(), u.end(), 0.0) / u.size();
      const double mv = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
      double dot = 0, nu = 0, nv = 0;
      for (size_t i = 0; i < u.size(); ++i) {
        dot += (u[i] - mu) * (v[i] - mv);
        nu += (u[i] - mu) * (u[i] - mu);
        nv += (v[i] - mv) * (v[i] - mv);
      }
      if (nu > 0 && nv > 0) best = std::max(best, dot / std::sqrt(nu * nv));
    }
  return best;
}

// Code page 437 from 128 up, written out independently of the generator's
// table; box drawing and blocks (176-223) are checked above.
const char32_t kUpperLetters[] =
    U"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"  // 128-175
    U"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■";                 // 224-254

bool MayTie(char32_t a, char32_t b) {
  static const std::vector<std::u32string> kAlike = {U"Il1|", U"O0o", U"'`", U",;", U".:", U"-~",
                                                     U"()", U"8B",  U"[{|", U"]}|"};
  for (const std::u32string& set : kAlike)
    if (set.find(a) != std::u32string::npos && set.find(b) != std::u32string::npos) return true;
  return false;
}

class FaxFontLegibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kReferenceFont))
      GTEST_FAIL() << kReferenceFont << " is missing; scripts/install-deps.sh installs it";
    const int id = QFontDatabase::addApplicationFont(kReferenceFont);
    ASSERT_GE(id, 0);
    family_ = QFontDatabase::applicationFontFamilies(id).value(0);
  }
  Grid Ref(char32_t ch) const { return Reference(family_, ch, kStandard.pixelWidth / 2, kStandard.height, 15, 12); }

  QString family_;
};

TEST_F(FaxFontLegibilityTest, PrintableAsciiIsRecognised) {
  std::vector<Grid> refs;
  for (int c = 33; c < 127; ++c) refs.push_back(Ref(char32_t(c)));
  for (int c = 33; c < 127; ++c) {
    const Grid glyph = SquareGrid(kStandard, c);
    const double own = Similarity(glyph, refs[c - 33]);
    EXPECT_GE(own, 0.8) << Describe(c) << " hardly resembles its character";
    for (int other = 33; other < 127; ++other) {
      if (other == c || MayTie(char32_t(c), char32_t(other))) continue;
      const double sim = Similarity(glyph, refs[other - 33]);
      EXPECT_LT(sim, own) << Describe(c) << " looks more like " << Describe(other) << " (" << sim << " against "
                          << own << ")";
    }
  }
}

// Accented letters differ in a few pixels, too few for this comparison to
// tell apart reliably; but each glyph of the upper half must still clearly
// resemble the character its code stands for, which catches a glyph drawn
// for the wrong code or squeezed out of shape.
TEST_F(FaxFontLegibilityTest, UpperHalfResemblesItsCharacters) {
  auto check = [&](int code, char32_t ch) {
    EXPECT_GE(Similarity(SquareGrid(kStandard, code), Ref(ch)), 0.7)
        << "code " << code << " hardly resembles U+" << std::hex << uint32_t(ch);
  };
  for (int i = 0; i < 48; ++i) check(128 + i, kUpperLetters[i]);
  for (int i = 0; i < 31; ++i) check(224 + i, kUpperLetters[48 + i]);
}

}  // namespace
}  // namespace telvane
