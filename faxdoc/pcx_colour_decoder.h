// Reading PCX images of more than two colours into a colour bitmap: 16
// colours (4 planes of 1 bit, header palette), 256 colours (8 bits, palette
// at the end of the file) and 24-bit colour (3 planes of 8 bits). Two-colour
// PCX files are read by the converter itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faxdoc/bitmap.h"

namespace telvane {

// True when the file's PCX header says more than one bit per pixel.
bool IsColourPcx(const std::string& fileName);

// Decodes a PCX image held in memory into an Rgb32 bitmap. Returns 0, -8002
// for a layout this reader does not know, a file cut short or an image over
// kBmpMaxPixels pixels, or -8 when the pixels cannot be had.
int DecodeColourPcx(const uint8_t* data, size_t size, Bitmap& bitmap);

}  // namespace telvane
