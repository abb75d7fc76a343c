// BMP files of image field pictures, over the fax document BMP reader.
#include "designer/picture_bmp.h"

#include <QPainter>
#include <QtEndian>
#include <cstring>

#include "faxdoc/bitmap.h"
#include "faxdoc/bmp_file.h"
#include "base/error_codes.h"

namespace telvane {

QImage NormalizePicture(const QImage& picture) {
  if (picture.isNull()) return QImage();
  if (picture.depth() == 1) {
    QImage mono = picture.convertToFormat(QImage::Format_Mono);
    const QList<QRgb> table = mono.colorTable();
    const bool invert = table.size() >= 2 && qGray(table[0]) > qGray(table[1]);
    if (invert) mono.invertPixels();
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return mono;
  }
  if (picture.hasAlphaChannel()) {
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, picture);
    return out;
  }
  return picture.convertToFormat(QImage::Format_RGB32);
}

namespace {

void Put16(QByteArray& b, int at, uint16_t v) { qToLittleEndian<quint16>(v, b.data() + at); }
void Put32(QByteArray& b, int at, uint32_t v) { qToLittleEndian<quint32>(v, b.data() + at); }

}  // namespace

QByteArray EncodeBmpPicture(const QImage& source) {
  const QImage picture = NormalizePicture(source);
  if (picture.isNull()) return QByteArray();
  const bool mono = picture.depth() == 1;
  const int w = picture.width();
  const int h = picture.height();
  const int bits = mono ? 1 : 24;
  const int stride = ((w * bits + 31) / 32) * 4;
  const int paletteBytes = mono ? 8 : 0;
  const int offset = 14 + 40 + paletteBytes;
  const qsizetype total = offset + static_cast<qsizetype>(stride) * h;
  QByteArray b(total, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(total));
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<uint32_t>(w));
  Put32(b, 22, static_cast<uint32_t>(h));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<uint16_t>(bits));
  Put32(b, 34, static_cast<uint32_t>(static_cast<qsizetype>(stride) * h));
  if (mono) {
    // Palette entries are blue, green, red, reserved: black, then white.
    std::memset(b.data() + 58, 0xFF, 3);
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* row = reinterpret_cast<uint8_t*>(b.data()) + offset + static_cast<qsizetype>(h - 1 - y) * stride;
    const uchar* src = picture.constScanLine(y);
    if (mono) {
      const int bytes = (w + 7) / 8;
      std::memcpy(row, src, bytes);
      if (w % 8) row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
    } else {
      const QRgb* px = reinterpret_cast<const QRgb*>(src);
      for (int x = 0; x < w; ++x) {
        row[3 * x] = static_cast<uint8_t>(qBlue(px[x]));
        row[3 * x + 1] = static_cast<uint8_t>(qGreen(px[x]));
        row[3 * x + 2] = static_cast<uint8_t>(qRed(px[x]));
      }
    }
  }
  return b;
}

int DecodeBmpPicture(const QByteArray& bmp, QImage& picture) {
  Bitmap bitmap;
  const int rc = DecodeBmp(reinterpret_cast<const uint8_t*>(bmp.constData()), static_cast<size_t>(bmp.size()), bitmap);
  if (rc) return rc;
  if (bitmap.IsNull()) return ecBadGraphicsFormat;
  return PictureFromBitmap(bitmap, picture);
}

int PictureFromBitmap(const Bitmap& bitmap, QImage& picture) {
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  QImage out;
  if (bitmap.IsMono()) {
    out = QImage(w, h, QImage::Format_Mono);
    if (out.isNull()) return ecOutOfMemory;
    // The bitmap's set bits are white: index 1 of the table.
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const size_t bytes = std::min<size_t>(bitmap.BytesPerRow(), static_cast<size_t>(out.bytesPerLine()));
    for (int y = 0; y < h; ++y) {
      std::memset(out.scanLine(y), 0, out.bytesPerLine());
      std::memcpy(out.scanLine(y), bitmap.Row(y), bytes);
    }
  } else {
    out = QImage(w, h, QImage::Format_RGB32);
    if (out.isNull()) return ecOutOfMemory;
    // The top byte of a bitmap's 0x00RRGGBB words is not to be relied on;
    // QImage wants it set for an opaque pixel.
    for (int y = 0; y < h; ++y) {
      const uint32_t* src = reinterpret_cast<const uint32_t*>(bitmap.Row(y));
      QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
      for (int x = 0; x < w; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  }
  picture = out;
  return 0;
}

}  // namespace telvane
