// Picture files through the fax document readers and Qt's image readers.
#include "designer/ui/picture_files.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>
#include <memory>
#include <vector>

#include "base/error_codes.h"
#include "designer/picture_bmp.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/image_placement.h"
#include "faxdoc/jpeg_decoder.h"
#include "faxdoc/pcx_input.h"
#include "faxdoc/tiff_input.h"

namespace telvane {
namespace {

// Pictures wider or taller than this are no cover page's.
constexpr unsigned kMaxPictureSide = 32768;

// The first page of a bilevel image read line by line through one of the
// converter's inputs. The converter state is left without doubling and
// centring, so that lines arrive as they are in the file.
template <class Input>
int ReadBilevel(const QString& fileName, QImage& picture) {
  Input input;
  FaxConverterState state;
  state.Flags = 0;
  state.LeftMargin = 0;
  if (int rc = input.Open(state, fileName.toStdString())) return rc;
  const unsigned width = input.ImageWidth();
  if (width == 0 || width > kMaxPictureSide) {
    input.Close(state);
    return ecBadGraphicsFormat;
  }
  std::vector<std::vector<uint8_t>> rows;
  std::vector<uint8_t> raster(kRasterBytes);
  for (;;) {
    std::fill(raster.begin(), raster.end(), uint8_t{0});
    size_t length = 0;
    bool endOfPage = false, morePages = false;
    if (int rc = input.GetRasterLine(state, raster.data(), length, endOfPage, morePages)) {
      input.Close(state);
      return rc;
    }
    if (endOfPage) break;
    if (rows.size() >= kMaxPictureSide) break;
    rows.emplace_back(raster.begin(), raster.begin() + (width + 7) / 8);
  }
  input.Close(state);
  if (rows.empty()) return ecBadGraphicsFormat;
  QImage image(static_cast<int>(width), static_cast<int>(rows.size()), QImage::Format_Mono);
  if (image.isNull()) return ecOutOfMemory;
  // Set raster bits are black.
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (size_t y = 0; y < rows.size(); ++y)
    std::copy(rows[y].begin(), rows[y].end(), image.scanLine(static_cast<int>(y)));
  picture = NormalizePicture(image);
  return 0;
}

int ReadWithQt(const QString& fileName, QImage& picture) {
  QImageReader reader(fileName);
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) return ecBadGraphicsFormat;
  picture = NormalizePicture(image);
  return 0;
}

}  // namespace

int ReadPictureFile(const QString& fileName, QImage& picture) {
  if (!QFileInfo(fileName).isFile()) return ecFileNotFound;
  const QString ext = QFileInfo(fileName).suffix().toUpper();
  int rc;
  if (ext == QLatin1String("BMP")) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return ecFileNotFound;
    rc = DecodeBmpPicture(file.readAll(), picture);
  } else if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG")) {
    Bitmap bitmap;
    rc = LoadJpegFile(fileName.toStdString(), bitmap);
    if (rc == 0) rc = PictureFromBitmap(bitmap, picture);
  } else if (ext == QLatin1String("TIF") || ext == QLatin1String("TIFF")) {
    rc = ReadBilevel<TiffInput>(fileName, picture);
  } else if (ext == QLatin1String("PCX")) {
    rc = ReadBilevel<PcxInput>(fileName, picture);
  } else if (ext == QLatin1String("DCX")) {
    rc = ReadBilevel<DcxInput>(fileName, picture);
  } else {
    return ReadWithQt(fileName, picture);
  }
  // What the fax readers do not take (a colour TIFF, say) may still be
  // something Qt reads.
  if (rc == ecBadGraphicsFormat && ReadWithQt(fileName, picture) == 0) return 0;
  return rc;
}

QString PictureFileFilter() {
  QStringList patterns = {QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                          QStringLiteral("*.tif"), QStringLiteral("*.tiff"), QStringLiteral("*.pcx"),
                          QStringLiteral("*.dcx")};
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    if (!patterns.contains(pattern)) patterns << pattern;
  }
  QStringList both;
  for (const QString& p : patterns) both << p << p.toUpper();
  QStringList entries;
  entries << QStringLiteral("图像文件 (%1)").arg(both.join(QLatin1Char(' ')));
  for (const QString& p : patterns)
    entries << QStringLiteral("%1 (%2 %3)").arg(p.mid(2).toUpper(), p, p.toUpper());
  entries << QStringLiteral("所有文件 (*)");
  return entries.join(QStringLiteral(";;"));
}

}  // namespace telvane
