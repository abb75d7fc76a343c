// Painting and sizing of the status lamp.
#include "app/widgets/status_light.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QThread>

namespace telvane {
namespace {

// One half of a glyph with every pixel of the key colour made transparent.
QPixmap CutOut(const QImage& glyph, int x, int width, QRgb key) {
  QImage half = glyph.copy(x, 0, width, glyph.height()).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < half.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(half.scanLine(y));
    for (int i = 0; i < half.width(); ++i)
      if (row[i] == key) row[i] = qRgba(0, 0, 0, 0);
  }
  return QPixmap::fromImage(half);
}

}  // namespace

TApdStatusLight::TApdStatusLight(QWidget* parent) : QWidget(parent) {
  resize(kDefaultSize, kDefaultSize);
}

TApdStatusLight::~TApdStatusLight() = default;

void TApdStatusLight::SetLit(bool lit) {
  if (lit_.exchange(lit) == lit) return;
  if (QThread::currentThread() == thread())
    update();
  else  // dropped by Qt if the lamp is destroyed before it runs
    QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

void TApdStatusLight::SetLitColor(const QColor& color) {
  if (color == litColor_) return;
  litColor_ = color;
  update();
}

void TApdStatusLight::SetNotLitColor(const QColor& color) {
  if (color == notLitColor_) return;
  notLitColor_ = color;
  update();
}

void TApdStatusLight::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  if (glyph_.isNull()) {
    litPicture_ = QPixmap();
    notLitPicture_ = QPixmap();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(kDefaultSize, kDefaultSize);
  } else {
    QImage image = glyph_.toImage().convertToFormat(QImage::Format_ARGB32);
    int half = image.width() / 2;
    QRgb key = image.pixel(0, 0);
    litPicture_ = CutOut(image, 0, half, key);
    notLitPicture_ = CutOut(image, half, half, key);
    // Fixed: later resizes are held to the glyph's size.
    setFixedSize(half, image.height());
  }
  updateGeometry();
  update();
}

QSize TApdStatusLight::sizeHint() const {
  if (glyph_.isNull()) return {kDefaultSize, kDefaultSize};
  return {glyph_.width() / 2, glyph_.height()};
}

void TApdStatusLight::paintEvent(QPaintEvent*) {
  QPainter p(this);
  bool lit = Lit();
  if (!glyph_.isNull()) {
    // Nothing else is painted, so the parent's background shows through
    // where the glyph is transparent.
    p.drawPixmap(0, 0, lit ? litPicture_ : notLitPicture_);
    return;
  }
  int w = width(), h = height();
  p.fillRect(rect(), lit ? litColor_ : notLitColor_);
  if (w < 4 || h < 4) return;
  // A raised edge one pixel inside the border: light falls from the top left.
  const QColor white(255, 255, 255), grey(0x80, 0x80, 0x80);
  p.fillRect(1, 1, w - 3, 1, white);      // top, up to the right edge
  p.fillRect(1, 1, 1, h - 3, white);      // left, down to the bottom edge
  p.fillRect(w - 2, 1, 1, h - 2, grey);   // right, corner to corner
  p.fillRect(1, h - 2, w - 2, 1, grey);   // bottom, corner to corner
}

}  // namespace telvane
