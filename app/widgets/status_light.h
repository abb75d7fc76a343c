// TApdStatusLight: a small lamp for one signal of the serial line, lit or not,
// drawn either as a coloured square with a raised edge or from a glyph that
// holds both states side by side. The status-light controller switches it
// through IStatusLamp.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <atomic>

#include "comm/status/status_lamp.h"

namespace telvane {

class TApdStatusLight : public QWidget, public IStatusLamp {
 public:
  // Size of a lamp without a glyph.
  static constexpr int kDefaultSize = 13;

  explicit TApdStatusLight(QWidget* parent = nullptr);
  ~TApdStatusLight() override;

  // May also be called from a thread other than the lamp's while the lamp
  // lives; the repaint then happens on the lamp's own thread.
  bool Lit() const override { return lit_.load(); }
  void SetLit(bool lit) override;

  // Fill colours when no glyph is set.
  QColor LitColor() const { return litColor_; }
  void SetLitColor(const QColor& color);
  QColor NotLitColor() const { return notLitColor_; }
  void SetNotLitColor(const QColor& color);

  // The lit picture in the left half, the unlit one in the right half. The
  // colour of the top-left pixel is transparent. A glyph fixes the lamp's
  // size to half its width by its height; an empty one gives the lamp back
  // its default size.
  const QPixmap& Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::atomic<bool> lit_{false};
  QColor litColor_{255, 0, 0};
  QColor notLitColor_{0, 0x80, 0};
  QPixmap glyph_;
  // The two halves of the glyph with the transparent colour cut out.
  QPixmap litPicture_;
  QPixmap notLitPicture_;
};

}  // namespace telvane
