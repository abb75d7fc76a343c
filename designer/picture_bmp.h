// Pictures of image fields: held as QImage bitmaps (1-bit black and white,
// or 32-bit RGB), stored in design files as complete BMP files.
#pragma once

#include <QByteArray>
#include <QImage>

#include "faxdoc/bitmap.h"

namespace telvane {

// A picture as image fields hold it: a 1-bit image with the colour table
// black (index 0), white (index 1), the brighter colour of a 2-colour image
// becoming white; anything else as RGB32 with transparency laid over white.
QImage NormalizePicture(const QImage& picture);

// A normalized picture as a BMP file: 1-bit pictures with the palette
// black, white; RGB pictures as 24-bit. Rows bottom-up, no compression.
QByteArray EncodeBmpPicture(const QImage& picture);

// Decodes a BMP file (every depth and compression the fax document reader
// handles) into a normalized picture. Returns 0 or -8002 (not a readable
// BMP), -8 (too large to hold).
int DecodeBmpPicture(const QByteArray& bmp, QImage& picture);

// The pixels of a fax document bitmap (set bits of a Mono bitmap white) as a
// 1-bit or RGB32 image. Returns 0 or -8 (the image cannot be had).
int PictureFromBitmap(const Bitmap& bitmap, QImage& picture);

}  // namespace telvane
