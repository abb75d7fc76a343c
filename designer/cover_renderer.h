// The one renderer of cover page designs: fonts of text fields, their line
// height, word wrap and the drawing of lines and pictures. The design
// surface and the generated fax page both go through it, so that what the
// user sees is laid out exactly as what is sent.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

#include "designer/cover_tags.h"
#include "designer/field_font.h"

class QPainter;

namespace telvane {

class TFaxPanel;

// What drawing a design needs besides the design.
struct DrawContext {
  // Page pixels to canvas pixels (854 / page width for a fax page).
  double Scale = 1.0;
  // The clock for $D and $T; the current time when empty.
  std::function<QDateTime()> Now;
  QLocale Locale = QLocale::system();

  // Tag values of `page` with the date and time taken now.
  TagValues TagsOf(const TFaxPanel& page) const;
};

// The family a face name is drawn with: the face itself when this machine
// has it; for a face it lacks that names a Chinese font ("宋体", "SimSun"),
// has non-Latin letters, or comes with a CJK character set, an installed CJK
// family; otherwise the face (the font system substitutes).
QString ResolveFaceName(const QString& face, uint8_t charset);
// The font a field draws with, in pixels, without anti-aliasing (fax pixels
// are black or white, and the screen shows them the same way).
QFont FieldQFont(const FieldFont& font);
// Character height plus external leading.
int FieldLineHeight(const FieldFont& font);
// The text colour; desktop scheme colours as the default scheme shows them.
QColor FieldTextColor(uint32_t color);

// The lines of `text` ('\n' separated) after word wrap at `width` pixels, as
// the field's editor shows them: breaks at word boundaries, long words broken
// anywhere, every paragraph at least one line.
QStringList WrapFieldText(const QString& text, const FieldFont& font, int width);
// Draws one line of text with its top-left corner at `topLeft`, unclipped.
void DrawTextLine(QPainter& painter, QPoint topLeft, const QString& text, const QFont& font, const QColor& color);
// Stretches `picture` into `target` (nearest pixel, no smoothing).
void DrawStretchedPicture(QPainter& painter, const QRect& target, const QImage& picture);

}  // namespace telvane
