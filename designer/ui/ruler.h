// The rulers along the top and the left of the design page: inches or
// millimetres, scrolled with the page, with two marks showing where the
// selected field lies.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace telvane {

// One thing a ruler draws at `Position` (pixels along the ruler, scroll
// offset already taken off).
struct RulerTick {
  enum class Kind { Number, Plus, Dot };
  Kind What;
  int Position;
  QString Text;  // the number, or "+"
  bool operator==(const RulerTick&) const = default;
};

struct RulerScale {
  int LengthPixels = 600;
  double LengthInches = 8.5;
  uint8_t Unit = 0;  // 0 inches, 1 millimetres
  int Offset = 0;

  double PixelsPerInch() const;
  double PixelsPerCentimetre() const;
};

// Inches: a number every inch, "+" every half, a dot every tenth.
// Millimetres: a number every centimetre, "+" every half, a dot every 2.5 mm.
// Nothing at positions of 0 or less.
std::vector<RulerTick> RulerTicks(const RulerScale& scale);

class TRuler : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kThickness = 16;

  TRuler(Qt::Orientation orientation, QWidget* parent = nullptr);

  Qt::Orientation Orientation() const { return orientation_; }
  const RulerScale& Scale() const { return scale_; }
  void SetLengthPixels(int pixels);
  // 0 and the current value are ignored.
  void SetLengthInches(double inches);
  void SetUnit(uint8_t unit);
  void SetOffset(int offset);
  // -1 clears a mark; values below -1 are stored as -1.
  void SetMarks(int start, int end);
  int MarkStart() const { return markStart_; }
  int MarkEnd() const { return markEnd_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Orientation orientation_;
  RulerScale scale_;
  int markStart_ = -1;
  int markEnd_ = -1;
};

}  // namespace telvane
