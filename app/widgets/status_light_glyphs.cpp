// Round lamps drawn pixel by pixel: no antialiasing, so that no pixel mixes
// the lamp with the transparent key colour and leaves a coloured fringe.
#include "app/widgets/status_light_glyphs.h"

#include <QImage>

namespace telvane {
namespace {

constexpr QRgb kKey = 0xFFFF00FF;   // magenta: transparent
constexpr QRgb kRim = 0xFF404040;

struct LampColours {
  QRgb lit, unlit;
};

LampColours ColoursOf(TLightSet::Slot slot) {
  switch (slot) {
    case TLightSet::kTXD:
    case TLightSet::kRXD:
      return {0xFFFFC000, 0xFF5A4000};
    case TLightSet::kError:
    case TLightSet::kBreak:
      return {0xFFFF2020, 0xFF501010};
    default:
      return {0xFF20E020, 0xFF104010};
  }
}

// One 16 x 16 lamp at column x0 of the glyph.
void DrawLamp(QImage& image, int x0, QRgb body, bool lit) {
  const int n = kLampGlyphSize;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      // Distance of the pixel's centre from the lamp's centre, doubled to stay in integers.
      int dx = 2 * x + 1 - n, dy = 2 * y + 1 - n;
      int d2 = dx * dx + dy * dy;
      QRgb c = kKey;
      if (d2 <= 4 * 7 * 7) c = kRim;
      if (d2 <= 4 * 6 * 6) c = body;
      // A small reflection up and to the left, bright only when lit.
      int hx = 2 * x + 1 - 10, hy = 2 * y + 1 - 10;
      if (hx * hx + hy * hy <= 4 * 2 * 2) c = lit ? 0xFFFFFFFF : 0xFF808080;
      image.setPixel(x0 + x, y, c);
    }
  }
}

}  // namespace

const char* StatusLightCaption(TLightSet::Slot slot) {
  static const char* const kCaptions[TLightSet::kSlotCount] = {"CTS", "DSR", "DCD", "RI",
                                                               "TXD", "RXD", "ERR", "BRK"};
  return slot < TLightSet::kSlotCount ? kCaptions[slot] : "";
}

QPixmap StatusLightGlyph(TLightSet::Slot slot) {
  QImage image(2 * kLampGlyphSize, kLampGlyphSize, QImage::Format_ARGB32);
  image.fill(kKey);
  LampColours colours = ColoursOf(slot);
  DrawLamp(image, 0, colours.lit, true);
  DrawLamp(image, kLampGlyphSize, colours.unlit, false);
  return QPixmap::fromImage(image);
}

}  // namespace telvane
