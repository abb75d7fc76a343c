#include "app/widgets/session_animation.h"

#include <QPainter>

namespace telvane {

SessionAnimation::SessionAnimation(QWidget* parent) : QWidget(parent) {
  setFixedSize(sizeHint());
  timer_.setInterval(120);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % kFrames;
    update();
  });
}

void SessionAnimation::Start() {
  if (!timer_.isActive()) timer_.start();
}

void SessionAnimation::Stop() {
  timer_.stop();
  frame_ = 0;
  update();
}

void SessionAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int w = width(), h = height();
  // The machine: a body with a slot on top.
  const QRectF body(4, h * 0.45, w - 8, h * 0.5);
  p.setPen(QPen(QColor(70, 70, 70), 1));
  p.setBrush(QColor(200, 205, 215));
  p.drawRoundedRect(body, 3, 3);
  p.setBrush(QColor(60, 60, 60));
  p.drawRect(QRectF(10, h * 0.45 - 1, w - 20, 2));
  // The sheet: slides down into the slot, one step per frame.
  if (timer_.isActive()) {
    const double travel = h * 0.42;
    const double top = 2 + travel * frame_ / (kFrames - 1);
    const double bottom = h * 0.45;
    if (top < bottom) {
      p.setBrush(Qt::white);
      p.setPen(QPen(QColor(90, 90, 90), 1));
      const QRectF sheet(14, top, w - 28, bottom - top);
      p.drawRect(sheet);
      p.setPen(QPen(QColor(120, 120, 120), 1));
      for (double y = top + 3; y < bottom - 1; y += 3) p.drawLine(QPointF(17, y), QPointF(w - 17, y));
    }
  }
  // A lamp: green while a session runs.
  p.setPen(Qt::NoPen);
  p.setBrush(timer_.isActive() ? QColor(40, 200, 60) : QColor(90, 110, 90));
  p.drawEllipse(QPointF(w - 10, h * 0.72), 2.5, 2.5);
}

}  // namespace telvane
