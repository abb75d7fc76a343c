// The glyphs and captions of the main window's eight line lamps.
#pragma once

#include <QPixmap>

#include "comm/status/light_set.h"

namespace telvane {

// Width and height of one lamp state in the main window's glyphs.
inline constexpr int kLampGlyphSize = 16;

// "CTS", "DSR", "DCD", "RI", "TXD", "RXD", "ERR" or "BRK".
const char* StatusLightCaption(TLightSet::Slot slot);

// A 32 x 16 glyph: the lamp lit on the left, unlit on the right, on a
// background of the transparent key colour. Modem lines are green, data lamps
// amber, error lamps red.
QPixmap StatusLightGlyph(TLightSet::Slot slot);

}  // namespace telvane
