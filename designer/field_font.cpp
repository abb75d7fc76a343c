// Point sizes and pixel heights of field fonts.
#include "designer/field_font.h"

#include "faxdoc/text_renderer.h"  // MulDiv

namespace telvane {

int FieldFont::Size() const { return -MulDiv(Height, 72, kScreenPixelsPerInch); }

void FieldFont::SetSize(int points) {
  // A design file may hold any number; beyond these no font is drawable and
  // the pixel height would not fit.
  if (points > 100000) points = 100000;
  if (points < -100000) points = -100000;
  Height = -MulDiv(points, kScreenPixelsPerInch, 72);
}

}  // namespace telvane
