// Point sizes and pixel heights of field fonts.
#include "field_font.h"

#include "text_renderer.h"  // MulDiv

namespace telvane {

int TFieldFont::Size() const { return -MulDiv(Height, 72, kScreenPixelsPerInch); }

void TFieldFont::SetSize(int points) {
  // A design file may hold any number; beyond these no font is drawable and
  // the pixel height would not fit.
  if (points > 100000) points = 100000;
  if (points < -100000) points = -100000;
  Height = -MulDiv(points, kScreenPixelsPerInch, 72);
}

}  // namespace telvane
