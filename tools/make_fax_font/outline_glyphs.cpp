#include "tools/make_fax_font/outline_glyphs.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <stdexcept>

namespace faxfont {
namespace {

// Glyphs are drawn into a larger canvas first so that ink falling outside
// the cell can be seen; the cell's top-left corner sits at (kPad, kPad).
constexpr int kPad = 16;

}  // namespace

OutlineRenderer::OutlineRenderer(const QString& fontFile) {
  const int id = QFontDatabase::addApplicationFont(fontFile);
  if (id < 0) throw std::runtime_error("cannot load font " + fontFile.toStdString());
  family_ = QFontDatabase::applicationFontFamilies(id).value(0);
  if (family_.isEmpty()) throw std::runtime_error("no font family in " + fontFile.toStdString());
}

QFont OutlineRenderer::font(int pixelSize) const {
  QFont f(family_);
  f.setPixelSize(pixelSize);
  // No antialiasing (pixels are either ink or paper), no substitution from
  // other fonts, and the font's own hinting for crisp stems.
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setKerning(false);
  return f;
}

bool OutlineRenderer::covers(char32_t ch) const {
  return QFontMetrics(font(kStandardPixelSize)).inFontUcs4(ch);
}

Glyph OutlineRenderer::render(char32_t ch, int pixelSize, int shiftX, int shiftY, bool* clipped) const {
  const int cw = kStandardWidth + 2 * kPad, chh = kStandardHeight + 2 * kPad;
  QImage canvas(cw, chh, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font(pixelSize));
    p.setPen(Qt::black);
    p.drawText(QPointF(kPad + shiftX, kPad + kStandardBaseline + shiftY), QString::fromUcs4(&ch, 1));
  }
  Glyph g(kStandardWidth, kStandardHeight);
  bool lost = false;
  for (int y = 0; y < chh; ++y)
    for (int x = 0; x < cw; ++x) {
      if (qGray(canvas.pixel(x, y)) >= 128) continue;
      const int gx = x - kPad, gy = y - kPad;
      if (gx < 0 || gy < 0 || gx > kStandardInkRight || gy > kStandardInkBottom)
        lost = true;
      g.set(gx, gy);
    }
  if (clipped) *clipped = lost;
  return g;
}

RenderedGlyph OutlineRenderer::renderFitted(char32_t ch) const {
  if (!covers(ch)) throw std::runtime_error("the font has no glyph for U+" + QString::number(uint(ch), 16).toStdString());
  // Pass 1: keep the baseline, move sideways if needed, shrink until it fits.
  for (int size = kStandardPixelSize; size >= kStandardPixelSize - 4; --size) {
    bool clipped = false;
    Glyph g = render(ch, size, 0, 0, &clipped);
    if (!clipped) return {g, size, 0, 0};
    // Wide glyphs may still fit when moved a column or two sideways.
    for (int dx : {-1, 1, -2, 2}) {
      Glyph moved = render(ch, size, dx, 0, &clipped);
      if (!clipped) return {moved, size, dx, 0};
    }
  }
  // Pass 2: at the standard size, allow a vertical move of one row.
  for (int dy : {-1, 1}) {
    for (int dx : {0, -1, 1}) {
      bool clipped = false;
      Glyph g = render(ch, kStandardPixelSize, dx, dy, &clipped);
      if (!clipped) return {g, kStandardPixelSize, dx, dy};
    }
  }
  throw std::runtime_error("U+" + QString::number(uint(ch), 16).toStdString() + " does not fit the cell");
}

}  // namespace faxfont
