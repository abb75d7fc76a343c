// Ruler marks and their drawing.
#include "designer/ui/ruler.h"

#include <QPainter>
#include <algorithm>

#include "designer/fcp_units.h"

namespace telvane {

double RulerScale::PixelsPerInch() const { return LengthInches != 0 ? LengthPixels / LengthInches : 0; }

double RulerScale::PixelsPerCentimetre() const {
  const double cm = InchesToMillimetres(LengthInches) / 10.0;
  return cm != 0 ? LengthPixels / cm : 0;
}

std::vector<RulerTick> RulerTicks(const RulerScale& s) {
  std::vector<RulerTick> ticks;
  const bool mm = s.Unit == 1;
  // Inches: tenths, numbered every 10; centimetres: quarters, numbered every 4.
  const int per = mm ? 4 : 10;
  const double step = mm ? s.PixelsPerCentimetre() / 4.0 : s.PixelsPerInch() / 10.0;
  const double length = mm ? InchesToMillimetres(s.LengthInches) / 10.0 : s.LengthInches;
  const int count = static_cast<int>(std::min(length * per, 100000.0));
  for (int i = 1; i <= count; ++i) {
    const int p = RoundToNearestEven(i * step) - s.Offset;
    if (p <= 0) continue;
    if (i % per == 0)
      ticks.push_back({RulerTick::Kind::Number, p, QString::number(i / per)});
    else if (i % (per / 2) == 0)
      ticks.push_back({RulerTick::Kind::Plus, p, QStringLiteral("+")});
    else
      ticks.push_back({RulerTick::Kind::Dot, p, QString()});
  }
  return ticks;
}

TRuler::TRuler(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation) {
  if (orientation == Qt::Vertical) scale_.LengthPixels = 900, scale_.LengthInches = 11.0;
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  if (orientation == Qt::Horizontal)
    setFixedHeight(kThickness);
  else
    setFixedWidth(kThickness);
}

QSize TRuler::sizeHint() const {
  return orientation_ == Qt::Horizontal ? QSize(scale_.LengthPixels, kThickness) : QSize(kThickness, scale_.LengthPixels);
}

void TRuler::SetLengthPixels(int pixels) {
  scale_.LengthPixels = pixels;
  updateGeometry();
  update();
}

void TRuler::SetLengthInches(double inches) {
  if (inches == 0 || inches == scale_.LengthInches) return;
  scale_.LengthInches = inches;
  update();
}

void TRuler::SetUnit(uint8_t unit) {
  scale_.Unit = unit;
  update();
}

void TRuler::SetOffset(int offset) {
  scale_.Offset = offset;
  update();
}

void TRuler::SetMarks(int start, int end) {
  markStart_ = std::max(start, -1);
  markEnd_ = std::max(end, -1);
  update();
}

void TRuler::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QFont font = painter.font();
  font.setPixelSize(9);
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::WindowText));
  const bool horizontal = orientation_ == Qt::Horizontal;
  const bool mm = scale_.Unit == 1;
  const QFontMetrics metrics(font);
  for (const RulerTick& t : RulerTicks(scale_)) {
    if (t.What == RulerTick::Kind::Dot) {
      painter.drawPoint(horizontal ? QPoint(t.Position, 8) : QPoint(7, t.Position));
      continue;
    }
    QPoint at;  // top-left of the text
    if (t.What == RulerTick::Kind::Number) {
      const bool oneDigit = t.Text.size() == 1;
      at = horizontal ? QPoint(t.Position - (oneDigit ? (mm ? 2 : 3) : (mm ? 5 : 7)), 1)
                      : QPoint(oneDigit ? 4 : 1, t.Position - 6);
    } else {
      at = horizontal ? QPoint(t.Position - (mm ? 2 : 3), 1) : QPoint(4, t.Position - 7);
    }
    painter.drawText(at + QPoint(0, metrics.ascent()), t.Text);
  }
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  for (int mark : {markStart_, markEnd_}) {
    if (mark < 0) continue;
    const int p = mark - scale_.Offset;
    if (horizontal)
      painter.drawLine(p, 0, p, height());
    else
      painter.drawLine(0, p, width(), p);
  }
}

}  // namespace telvane
