#include "faxdoc/image_preparation.h"

#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/image_kind.h"
#include "faxdoc/jpeg_decoder.h"
#include "faxdoc/pcx_colour_decoder.h"
#include "faxdoc/qt_image_decoder.h"

namespace telvane {
namespace {

constexpr uint64_t kMaxSourceSize = uint64_t{512} << 20;

std::string LowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// True when some page of a TIFF has more than 1 bit per pixel; the converter
// reads only two-colour pages itself.
bool IsMultiLevelTiff(const std::string& fileName) {
  QImageReader reader(QString::fromStdString(fileName), "tiff");
  const int count = std::max(1, reader.imageCount());
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i)) return false;
    const QImage::Format format = reader.imageFormat();
    if (format == QImage::Format_Invalid) return false;
    if (format != QImage::Format_Mono && format != QImage::Format_MonoLSB) return true;
  }
  return false;
}

// Decodes each image of `data` in turn and hands it to `onImage`.
int DecodeImages(const std::vector<uint8_t>& data, const FaxPageGeometry& geometry,
                 const std::function<int(const Bitmap&)>& onImage) {
  const ImageKind kind = ImageKindOf(data.data(), data.size());
  Bitmap bitmap;
  int rc = ecBadGraphicsFormat;
  switch (kind) {
    case ImageKind::Jpeg: rc = DecodeJpeg(data.data(), data.size(), bitmap); break;
    case ImageKind::Bmp: rc = DecodeBmp(data.data(), data.size(), bitmap); break;
    case ImageKind::Pcx: rc = DecodeColourPcx(data.data(), data.size(), bitmap); break;
    case ImageKind::Pdf: return RenderPdfPages(data.data(), data.size(), geometry, onImage);
    default:
      if (IsQtReadKind(kind)) return DecodeQtImages(data.data(), data.size(), kind, onImage);
      break;
  }
  if (rc != 0) return rc;
  return onImage(bitmap);
}

}  // namespace

bool NeedsBmp8Preparation(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".pdf" || IsImageExtension(ext)) return true;
  switch (const ImageKind kind = FileImageKind(fileName)) {
    case ImageKind::Bmp: return IsTwoColourBmp(fileName);
    case ImageKind::Pcx: return IsColourPcx(fileName);
    case ImageKind::Tiff: return IsMultiLevelTiff(fileName);
    case ImageKind::Jpeg:
    case ImageKind::Pdf: return true;
    default: return IsQtReadKind(kind);
  }
}

bool IsTwoColourBmp(const std::string& fileName) {
  BmpInfo info;
  return ReadBmpInfo(fileName, info) == 0 && info.BitsPerPixel == 1;
}

std::string PreparedBmpName(const std::string& fileName) {
  std::filesystem::path p(fileName);
  p.replace_extension(".Bmp");
  return p.string();
}

std::string PreparedPageName(const std::string& target, unsigned page) {
  std::filesystem::path p(target);
  const std::string ext = p.extension().string();
  p.replace_extension();
  p += "-" + std::to_string(page) + ext;
  return p.string();
}

int PrepareBmp8(const std::string& source, const std::string& target) {
  std::vector<uint8_t> data;
  if (int rc = ReadWholeFile(source, data, kMaxSourceSize)) return rc;
  bool first = true;
  // Only the first image is wanted: the others are passed over with a code
  // of their own that stops the decoding, then taken back as success.
  constexpr int kEnough = 1;
  const int rc = DecodeImages(data, FaxPageGeometry{}, [&](const Bitmap& bitmap) {
    if (!first) return kEnough;
    first = false;
    return SaveBmp8File(target, bitmap);
  });
  return rc == kEnough ? 0 : rc;
}

int PrepareBmp8Pages(const std::string& source, const std::string& target, std::vector<std::string>& made,
                     const FaxPageGeometry& geometry) {
  std::vector<uint8_t> data;
  if (int rc = ReadWholeFile(source, data, kMaxSourceSize)) return rc;
  return DecodeImages(data, geometry, [&](const Bitmap& bitmap) {
    const std::string name =
        made.empty() ? target : PreparedPageName(target, static_cast<unsigned>(made.size() + 1));
    if (int rc = SaveBmp8File(name, bitmap)) return rc;
    made.push_back(name);
    return 0;
  });
}

}  // namespace telvane
