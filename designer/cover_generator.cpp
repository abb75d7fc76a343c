// Drawing designs into fax-page bitmaps and converting them to APF files.
#include "designer/cover_generator.h"

#include <QPainter>
#include <cstring>
#include <filesystem>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "designer/fax_designer.h"
#include "designer/fcp_units.h"

namespace telvane {

QSize CoverBitmapSize(const TFaxPanel& page) {
  if (page.Width() <= 0) return QSize();
  const double w = page.Width();
  const int width = RoundToNearestEven(kCoverScaleWidth * w / w) - kCoverTrim;
  const int height = RoundToNearestEven(kCoverScaleWidth * static_cast<double>(page.Height()) / w) - kCoverTrim;
  if (height < 1 || height > kMaxCoverHeight) return QSize();
  return QSize(width, height);
}

QImage RenderCoverPage(const TFaxPanel& page, const std::function<QDateTime()>& now) {
  const QSize size = CoverBitmapSize(page);
  if (size.isEmpty()) return QImage();
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  DrawContext context;
  context.Scale = static_cast<double>(kCoverScaleWidth) / page.Width();
  context.Now = now;
  QPainter painter(&image);
  page.DrawToCanvas(painter, context);
  return image;
}

void SetupCoverConverter(TApdFaxConverter& converter) {
  converter.LeftMargin = 20;
  converter.SetOptions(coDoubleWidth | coYield);
}

std::string CoverBaseName(const std::string& fileName) {
  const std::filesystem::path path(fileName);
  std::string name = path.filename().string();
  const auto dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return (path.parent_path() / name).string();
}

Bitmap ToConverterBitmap(const QImage& page) {
  const QImage rgb = page.convertToFormat(QImage::Format_RGB32);
  Bitmap bitmap(Bitmap::Format::Rgb32, rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uint32_t* dst = reinterpret_cast<uint32_t*>(bitmap.Row(y));
    for (int x = 0; x < rgb.width(); ++x) dst[x] = src[x] & 0x00FFFFFFu;
  }
  return bitmap;
}

void GenerateFaxPage(const TFaxPanel& page, TApdFaxConverter& converter, const std::string& outFileName,
                     const std::function<QDateTime()>& now) {
  const QImage image = RenderCoverPage(page, now);
  if (image.isNull()) throw EGeneral(ecBadArgument, "the cover page has no size a fax page can have");
  converter.OutFileName = outFileName;
  converter.ConvertBitmap(ToConverterBitmap(image));
}

std::string GenerateFromDesign(const TFaxDesigner& designer, const std::string& designFileName,
                               TApdFaxConverter& converter, const std::function<QDateTime()>& now) {
  const std::string out = CoverBaseName(designFileName) + ".APF";
  GenerateFaxPage(designer.Page(), converter, out, now);
  return out;
}

CoverFileResult GenerateFromDesignFile(const std::string& fileName, int pageNumber, int pageCount,
                                       const FaxCvtStatusEvent& status, const QString& stationId,
                                       const QString& pageTitle, const QString& recipient, const QString& sender,
                                       const std::function<QDateTime()>& now, const std::string& outFileName) {
  CoverFileResult result;
  TFaxDesigner designer;
  result.Load = designer.LoadFromFile(QString::fromStdString(fileName));
  if (!result.Load.Ok()) return result;
  TFaxPanel& page = designer.Page();
  page.PageCount = pageCount;
  page.PageNumber = pageNumber;
  page.Sender = sender;
  page.Recipient = recipient;
  page.PageTitle = pageTitle;
  page.StationID = stationId;

  TApdFaxConverter converter;
  SetupCoverConverter(converter);
  converter.OnStatus = status;
  const std::string out = outFileName.empty() ? CoverBaseName(fileName) + ".apf" : outFileName;
  GenerateFaxPage(page, converter, out, now);
  result.OutFileName = out;
  return result;
}

}  // namespace telvane
