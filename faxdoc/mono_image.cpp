#include "faxdoc/mono_image.h"

#include <algorithm>
#include <cstring>

namespace telvane {

QImage ToMonoImage(const Bitmap& page) {
  QImage image(page.Width(), page.Height(), QImage::Format_Mono);
  if (image.isNull()) return image;
  const size_t n = std::min<size_t>(page.BytesPerRow(), image.bytesPerLine());
  for (int y = 0; y < page.Height(); ++y) std::memcpy(image.scanLine(y), page.Row(y), n);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  return image;
}

}  // namespace telvane
