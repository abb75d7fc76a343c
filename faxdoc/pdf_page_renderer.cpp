#include "faxdoc/pdf_page_renderer.h"

#include <poppler-qt6.h>

#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"

namespace telvane {
namespace {

constexpr double kPointsPerInch = 72.0;

int ToBitmap(const QImage& rendered, Bitmap& bitmap) {
  const QImage image = rendered.convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return ecOutOfMemory;
  bitmap = Bitmap(Bitmap::Format::Rgb32, image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.Row(y), image.constScanLine(y), static_cast<size_t>(image.width()) * 4);
  return 0;
}

}  // namespace

int RenderPdfPages(const uint8_t* data, size_t size, const FaxPageGeometry& geometry,
                   const std::function<int(const Bitmap&)>& onPage) {
  if (size == 0 || size > static_cast<size_t>(INT32_MAX)) return ecBadGraphicsFormat;
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
  if (!document || document->isLocked() || document->numPages() <= 0) return ecBadGraphicsFormat;
  document->setRenderBackend(Poppler::Document::SplashBackend);
  document->setRenderHint(Poppler::Document::Antialiasing, false);
  document->setRenderHint(Poppler::Document::TextAntialiasing, false);
  document->setRenderHint(Poppler::Document::TextHinting, false);
  // Thin rules at least one pixel wide, so that none falls between two rows.
  document->setRenderHint(Poppler::Document::ThinLineSolid, true);
  for (int i = 0; i < document->numPages(); ++i) {
    std::unique_ptr<Poppler::Page> page = document->page(i);
    if (!page) return ecBadGraphicsFormat;
    const QSizeF points = page->pageSizeF();
    if (!(points.width() > 0) || !(points.height() > 0)) return ecBadGraphicsFormat;
    // Largest scale at which the page fits the line, at most the fax's own.
    const double fit = std::min(1.0, geometry.lineWidth / (points.width() / kPointsPerInch * kFaxDotsPerInch));
    const double xres = kFaxDotsPerInch * fit;
    const double yres = geometry.linesPerInch * fit;
    const double pixels = points.width() / kPointsPerInch * xres * points.height() / kPointsPerInch * yres;
    if (pixels > static_cast<double>(kBmpMaxPixels)) return ecBadGraphicsFormat;
    QImage image = page->renderToImage(xres, yres);
    if (image.isNull()) return ecBadGraphicsFormat;
    try {
      Bitmap bitmap;
      if (int rc = ToBitmap(image, bitmap)) return rc;
      image = QImage();
      if (int rc = onPage(bitmap)) return rc;
    } catch (const std::bad_alloc&) {
      return ecOutOfMemory;
    }
  }
  return 0;
}

}  // namespace telvane
