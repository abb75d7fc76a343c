// The .fcp design file: a 1061-byte header (version, page size in pixels and
// inches, unit, page options), the field count and the field records.
#include "designer/fax_designer.h"

#include <QFile>
#include <cmath>
#include <cstring>

#include "base/error_codes.h"
#include "designer/fcp_units.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

constexpr char kVersion[] = "1.00";
constexpr int kVersionLength = 4;

// Sizes beyond these belong to no screen page or paper.
constexpr int kMaxPagePixels = 100000;
constexpr double kMaxPageInches = 10000.0;

bool VersionMatches(const QByteArray& data) {
  return data.size() >= 1 + kVersionLength && static_cast<uint8_t>(data[0]) == kVersionLength &&
         std::memcmp(data.constData() + 1, kVersion, kVersionLength) == 0;
}

bool PlausiblePage(const TFaxPanel& page) {
  const auto inchesOk = [](double v) { return std::isfinite(v) && v >= 0 && v <= kMaxPageInches; };
  return page.Width() >= 1 && page.Width() <= kMaxPagePixels && page.Height() >= 1 &&
         page.Height() <= kMaxPagePixels && inchesOk(page.PageWidth()) && inchesOk(page.PageHeight());
}

}  // namespace

TFaxDesigner::TFaxDesigner() {
  page_.SetBounds(TFaxPanel::kDefaultWidth, TFaxPanel::kDefaultHeight);
  page_.SetPageWidth(8.5);
  page_.SetPageHeight(11.0);
  page_.SetModified(false);
}

void TFaxDesigner::SetPageWidthPixels(int pixels) { page_.SetBounds(pixels, page_.Height()); }

void TFaxDesigner::SetPageHeightPixels(int pixels) { page_.SetBounds(page_.Width(), pixels); }

void TFaxDesigner::SetPageWidthInches(double inches) {
  page_.SetPageWidth(inches);
  if (page_.PageWidth() != 0)
    SetPageHeightPixels(RoundToNearestEven(page_.PageHeight() * page_.Width() / page_.PageWidth()));
}

void TFaxDesigner::SetPageHeightInches(double inches) {
  page_.SetPageHeight(inches);
  if (page_.PageWidth() != 0)
    SetPageHeightPixels(RoundToNearestEven(page_.PageHeight() * page_.Width() / page_.PageWidth()));
}

void TFaxDesigner::SetUnitOfMeasure(uint8_t unit) {
  unit_ = unit;
  if (const TBaseField* field = page_.FirstSelected(); field && page_.OnFieldBounds) {
    const QRect& b = field->Bounds();
    page_.OnFieldBounds(b.left(), b.top(), b.width(), b.height());
  }
}

QByteArray TFaxDesigner::Serialize() const {
  FcpWriter out;
  QByteArray header(kHeaderSize, '\0');
  header[0] = kVersionLength;
  std::memcpy(header.data() + 1, kVersion, kVersionLength);
  {
    FcpWriter h;
    h.I32(page_.Width());
    h.I32(page_.Height());
    h.Double(page_.PageWidth());
    h.Double(page_.PageHeight());
    h.U8(unit_);
    header.replace(12, h.Data().size(), h.Data());
  }
  std::memcpy(header.data() + 37, pageOptions_.data(), kPageOptionsSize);
  out.Bytes(header);
  out.I32(static_cast<int32_t>(page_.Fields().size()));
  for (const auto& field : page_.Fields()) field->SaveToStream(out);
  return out.Data();
}

QByteArray TFaxDesigner::SaveToStream() {
  QByteArray bytes = Serialize();
  page_.SetModified(false);
  untitled_ = false;
  return bytes;
}

FcpResult TFaxDesigner::SaveToFile(const QString& fileName) {
  const QByteArray bytes = Serialize();
  // Written aside and renamed over the earlier file (which keeps its
  // permissions) only when complete, as every other output of the program.
  const int rc = WriteWholeFile(QFile::encodeName(fileName).toStdString(),
                                reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
  if (rc != 0)
    return {FcpError::FileError, 0, 0, QStringLiteral("%1: %2").arg(fileName, QString::fromUtf8(ErrorText(rc)))};
  page_.SetModified(false);
  untitled_ = false;
  return {};
}

FcpResult TFaxDesigner::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return {FcpError::FileError, 0, 0, QStringLiteral("%1: %2").arg(fileName, file.errorString())};
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return {FcpError::FileError, 0, 0, QStringLiteral("%1: %2").arg(fileName, file.errorString())};
  return LoadFromStream(bytes);
}

FcpResult TFaxDesigner::LoadFromStream(const QByteArray& data) {
  // Nothing beyond the header is read when the version is wrong.
  if (data.size() >= 1 + kVersionLength && !VersionMatches(data)) return {FcpError::VersionMismatch};
  if (data.size() < kHeaderSize) return {FcpError::EndsEarly};
  // The file is read into a design of its own: the user's design is replaced
  // only by a complete one.
  TFaxDesigner loaded;
  loaded.page_.CopySettingsFrom(page_);
  if (FcpResult r = loaded.ReadDesign(data); !r.Ok()) return r;

  page_.TakeContentFrom(loaded.page_);
  unit_ = loaded.unit_;
  pageOptions_ = loaded.pageOptions_;
  page_.SetModified(false);
  untitled_ = false;
  if (page_.OnChanged) page_.OnChanged();
  if (page_.OnSelectionChanged) page_.OnSelectionChanged(!page_.Fields().empty());
  if (const TBaseField* last = page_.LastSelected(); last && page_.OnFieldBounds) {
    const QRect& b = last->Bounds();
    page_.OnFieldBounds(b.left(), b.top(), b.width(), b.height());
  }
  return {};
}

FcpResult TFaxDesigner::ReadDesign(const QByteArray& data) {
  FcpReader in(data);
  QByteArray header;
  in.Bytes(kHeaderSize, header);
  FcpReader h(header);
  QByteArray version;
  h.Bytes(12, version);
  int32_t width, height;
  double widthInches, heightInches;
  uint8_t unit;
  h.I32(width);
  h.I32(height);
  h.Double(widthInches);
  h.Double(heightInches);
  h.U8(unit);
  SetPageWidthPixels(width);
  SetPageHeightPixels(height);
  SetPageWidthInches(widthInches);
  SetPageHeightInches(heightInches);
  if (!PlausiblePage(page_)) return {FcpError::BadGeometry};
  unit_ = unit;
  std::memcpy(pageOptions_.data(), header.constData() + 37, kPageOptionsSize);

  page_.Clear();
  int32_t count;
  if (!in.I32(count)) return {FcpError::EndsEarly};
  for (int32_t k = 1; k <= count; ++k) {
    uint8_t type;
    if (!in.U8(type)) return {FcpError::EndsEarly, k};
    TBaseField* field;
    if (type == static_cast<uint8_t>(FieldKind::ftText))
      field = &page_.AddTextField();
    else if (type == static_cast<uint8_t>(FieldKind::ftImage))
      field = &page_.AddImageField();
    else
      return {FcpError::UnknownFieldType, k, type};
    FcpResult r = field->LoadFromStream(in);
    if (!r.Ok()) {
      r.Field = k;
      return r;
    }
  }
  return {};
}

}  // namespace telvane
