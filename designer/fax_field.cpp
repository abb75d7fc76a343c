// Text and image fields: their records in design files and their drawing.
#include "designer/fax_field.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cmath>

#include "designer/cover_renderer.h"
#include "base/error_codes.h"
#include "designer/fax_panel.h"
#include "designer/fcp_units.h"
#include "designer/gbk_codec.h"
#include "faxdoc/jpeg_decoder.h"
#include "designer/picture_bmp.h"

namespace telvane {
namespace {

// Field positions further out than this are no design's: the file is bad.
constexpr double kMaxFieldPixels = 1e7;
// Canvas coordinates of pictures are kept within this.
constexpr double kMaxCanvasPixels = 1 << 24;

// The font block of a text field record.
constexpr int kFontBlockSize = 274;
constexpr int kFaceNameBytes = 255;

bool ToPixels(double value, double ppi, int& pixels) {
  const double p = value * ppi;
  // Half a pixel of slack: a field saved at the limit comes back a hair
  // beyond it (pixels / ppi * ppi) and must still load.
  if (!std::isfinite(p) || std::fabs(p) > kMaxFieldPixels + 0.5) return false;
  pixels = RoundToNearestEven(p);
  return true;
}

}  // namespace

void TBaseField::Changed() {
  if (page_) page_->FieldChanged();
}

void TBaseField::SaveToStream(FcpWriter& out) const {
  out.U8(static_cast<uint8_t>(Type()));
  out.Double(page_->InchesFromPixelsX(bounds_.left()));
  out.Double(page_->InchesFromPixelsY(bounds_.top()));
  out.Double(page_->InchesFromPixelsX(bounds_.width()));
  out.Double(page_->InchesFromPixelsY(bounds_.height()));
}

FcpResult TBaseField::LoadFromStream(FcpReader& in) {
  double inches[4];
  for (double& v : inches)
    if (!in.Double(v)) return {FcpError::EndsEarly};
  int left, top, width, height;
  if (!ToPixels(inches[0], page_->HorzPixelsPerInch(), left) || !ToPixels(inches[1], page_->VertPixelsPerInch(), top) ||
      !ToPixels(inches[2], page_->HorzPixelsPerInch(), width) ||
      !ToPixels(inches[3], page_->VertPixelsPerInch(), height))
    return {FcpError::BadGeometry};
  bounds_ = QRect(left, top, std::max(0, width), std::max(0, height));
  return {};
}

// ---- text fields ----

void TTextField::SetFont(const FieldFont& font) {
  font_ = font;
  Changed();
}

void TTextField::SetText(const QString& text) {
  text_ = text;
  Changed();
}

QStringList TTextField::DisplayLines() const { return WrapFieldText(text_, font_, Bounds().width()); }

void TTextField::SaveToStream(FcpWriter& out) const {
  TBaseField::SaveToStream(out);
  out.U8(font_.Charset);
  out.U32(font_.Color);
  out.I32(font_.Height);
  QByteArray face(256, '\0');
  const QByteArray name = ToGbkLimited(font_.Name, kFaceNameBytes);
  face[0] = static_cast<char>(name.size());
  face.replace(1, name.size(), name);
  out.Bytes(face);
  out.U8(font_.Pitch);
  out.I32(font_.Size());
  out.U8(font_.Bold);
  out.U8(font_.Italic);
  out.U8(font_.Underline);
  out.U8(font_.StrikeOut);
  QString stored = text_;
  stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  const QByteArray bytes = ToGbk(stored);
  out.I32(static_cast<int32_t>(bytes.size() + 1));
  if (!bytes.isEmpty()) {
    out.Bytes(bytes);
    out.U8(0);
  }
}

FcpResult TTextField::LoadFromStream(FcpReader& in) {
  if (FcpResult r = TBaseField::LoadFromStream(in); !r.Ok()) return r;
  QByteArray block;
  if (!in.Bytes(kFontBlockSize, block)) return {FcpError::EndsEarly};
  FcpReader f(block);
  FieldFont font;
  uint8_t nameLength, b[4];
  int32_t size;
  QByteArray name;
  f.U8(font.Charset);
  f.U32(font.Color);
  f.I32(font.Height);
  f.U8(nameLength);
  f.Bytes(nameLength, name);
  QByteArray rest;
  f.Bytes(kFaceNameBytes - nameLength, rest);
  font.Name = FromGbk(name);
  f.U8(font.Pitch);
  f.I32(size);
  // The size in points decides the final height.
  font.SetSize(size);
  for (uint8_t& v : b) f.U8(v);
  font.Bold = b[0] != 0;
  font.Italic = b[1] != 0;
  font.Underline = b[2] != 0;
  font.StrikeOut = b[3] != 0;

  int32_t length;
  if (!in.I32(length)) return {FcpError::EndsEarly};
  QString text;
  if (length > 1) {
    QByteArray bytes;
    if (!in.Bytes(length, bytes)) return {FcpError::EndsEarly};
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes.truncate(nul);
    text = FromGbk(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  }
  font_ = font;
  text_ = text;
  return {};
}

void TTextField::DrawToCanvas(QPainter& canvas, const DrawContext& context) const {
  const double s = context.Scale;
  const QFont font = FieldQFont(font_);
  const QColor color = FieldTextColor(font_.Color);
  const int lineHeight = FieldLineHeight(font_);
  const TagValues tags = context.TagsOf(*Page());
  const QStringList lines = DisplayLines();
  const int bottom = canvas.device() ? canvas.device()->height() : INT32_MAX;
  const QRect& b = Bounds();
  for (int i = 0; i < lines.size(); ++i) {
    const int y = RoundToNearestEven(s * (b.top() + static_cast<double>(i) * lineHeight));
    if (y > bottom) break;  // lines only go further down
    DrawTextLine(canvas, QPoint(RoundToNearestEven(s * b.left()), y), ReplaceTags(lines[i], tags), font, color);
  }
}

// ---- image fields ----

void TImageField::SetPicture(const QImage& picture) {
  picture_ = NormalizePicture(picture);
  bmp_ = EncodeBmpPicture(picture_);
  Changed();
}

void TImageField::ClearPicture() {
  picture_ = QImage();
  bmp_.clear();
  Changed();
}

int TImageField::LoadPictureFromFile(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toUpper();
  const std::string name = fileName.toStdString();
  QImage picture;
  if (ext == QLatin1String("BMP")) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return ecFileNotFound;
    if (const int rc = DecodeBmpPicture(file.readAll(), picture)) return rc;
  } else if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG")) {
    Bitmap bitmap;
    if (const int rc = LoadJpegFile(name, bitmap)) return rc;
    if (const int rc = PictureFromBitmap(bitmap, picture)) return rc;
  } else {
    if (!QFileInfo::exists(fileName)) return ecFileNotFound;
    if (!picture.load(fileName)) return ecBadGraphicsFormat;
  }
  SetPicture(picture);
  return 0;
}

void TImageField::SaveToStream(FcpWriter& out) const {
  TBaseField::SaveToStream(out);
  if (bmp_.isEmpty()) {
    out.U8(1);
    return;
  }
  out.U8(0);
  out.I32(static_cast<int32_t>(bmp_.size()));
  out.Bytes(bmp_);
}

FcpResult TImageField::LoadFromStream(FcpReader& in) {
  if (FcpResult r = TBaseField::LoadFromStream(in); !r.Ok()) return r;
  uint8_t empty;
  if (!in.U8(empty)) return {FcpError::EndsEarly};
  if (empty != 0) return {};
  int32_t length;
  if (!in.I32(length)) return {FcpError::EndsEarly};
  // A picture of no bytes is an empty picture, as an empty bitmap saves.
  if (length == 0) return {};
  if (length < 0) return {FcpError::BadPicture};
  QByteArray bmp;
  if (!in.Bytes(length, bmp)) return {FcpError::EndsEarly};
  QImage picture;
  if (DecodeBmpPicture(bmp, picture)) return {FcpError::BadPicture};
  picture_ = picture;
  bmp_ = bmp;
  return {};
}

void TImageField::DrawToCanvas(QPainter& canvas, const DrawContext& context) const {
  if (!HasPicture()) return;
  const double s = context.Scale;
  const QRect& b = Bounds();
  const double edges[4] = {s * b.left(), s * b.top(), s * (static_cast<double>(b.left()) + b.width()),
                           s * (static_cast<double>(b.top()) + b.height())};
  // No page reaches this far; beyond it the rectangle would not fit an int.
  for (double e : edges)
    if (!(std::fabs(e) <= kMaxCanvasPixels)) return;
  const int x1 = RoundToNearestEven(edges[0]);
  const int y1 = RoundToNearestEven(edges[1]);
  DrawStretchedPicture(canvas, QRect(x1, y1, RoundToNearestEven(edges[2]) - x1, RoundToNearestEven(edges[3]) - y1),
                       picture_);
}

}  // namespace telvane
