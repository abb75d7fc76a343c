#include "faxdoc/qt_image_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>
#include <new>
#include <utility>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"

namespace telvane {
namespace {

// Qt refuses any single image buffer larger than this; the pixel count check
// below is the first line of defence, this covers readers that give no size.
constexpr int kAllocationLimitMb = static_cast<int>(kBmpMaxPixels * 4 >> 20);

const char* FormatName(ImageKind kind) {
  switch (kind) {
    case ImageKind::Png: return "png";
    case ImageKind::Gif: return "gif";
    case ImageKind::WebP: return "webp";
    case ImageKind::Tiff: return "tiff";
    default: return "";  // netpbm: Qt tells pbm, pgm and ppm apart itself
  }
}

// A pixel with coverage `alpha` of `value` over white.
uint8_t OverWhite(int value, int alpha) { return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255); }

// Takes the decoded image over, so that at most two copies of the pixels are
// held at a time (the image in its 32-bit form and the bitmap).
int ToBitmap(QImage image, Bitmap& bitmap) {
  const bool alpha = image.hasAlphaChannel();
  image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) return ecOutOfMemory;
  bitmap = Bitmap(Bitmap::Format::Rgb32, image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint32_t* out = reinterpret_cast<uint32_t*>(bitmap.Row(y));
    if (!alpha) {
      std::memcpy(out, in, static_cast<size_t>(image.width()) * 4);
      continue;
    }
    for (int x = 0; x < image.width(); ++x) {
      const int a = qAlpha(in[x]);
      out[x] = uint32_t{OverWhite(qRed(in[x]), a)} << 16 | uint32_t{OverWhite(qGreen(in[x]), a)} << 8 |
               OverWhite(qBlue(in[x]), a);
    }
  }
  return 0;
}

}  // namespace

int DecodeQtImages(const uint8_t* data, size_t size, ImageKind kind, const std::function<int(const Bitmap&)>& onImage) {
  if (!IsQtReadKind(kind) || size == 0 || size > static_cast<size_t>(INT32_MAX)) return ecBadGraphicsFormat;
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, FormatName(kind));
  reader.setAllocationLimit(kAllocationLimitMb);
  const int count = kind == ImageKind::Tiff ? std::max(1, reader.imageCount()) : 1;
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i)) return ecBadGraphicsFormat;
    const QSize dimensions = reader.size();
    if (dimensions.isValid() &&
        (dimensions.isEmpty() || uint64_t(dimensions.width()) * uint64_t(dimensions.height()) > kBmpMaxPixels))
      return ecBadGraphicsFormat;
    QImage image;
    if (!reader.read(&image) || image.isNull()) return ecBadGraphicsFormat;
    if (uint64_t(image.width()) * uint64_t(image.height()) > kBmpMaxPixels) return ecBadGraphicsFormat;
    try {
      Bitmap bitmap;
      if (int rc = ToBitmap(std::move(image), bitmap)) return rc;
      if (int rc = onImage(bitmap)) return rc;
    } catch (const std::bad_alloc&) {
      return ecOutOfMemory;
    }
  }
  return 0;
}

}  // namespace telvane
