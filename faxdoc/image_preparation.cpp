#include "faxdoc/image_preparation.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <vector>

#include "faxdoc/bmp_file.h"
#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/jpeg_decoder.h"

namespace telvane {
namespace {

constexpr uint64_t kMaxSourceSize = uint64_t{512} << 20;

std::string LowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

}  // namespace

bool NeedsBmp8Preparation(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".jpg" || ext == ".jpeg") return true;
  return ext == ".bmp" && IsTwoColourBmp(fileName);
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

int PrepareBmp8(const std::string& source, const std::string& target) {
  std::vector<uint8_t> data;
  if (int rc = ReadWholeFile(source, data, kMaxSourceSize)) return rc;
  Bitmap bitmap;
  int rc = ecBadGraphicsFormat;
  if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8)
    rc = DecodeJpeg(data.data(), data.size(), bitmap);
  else if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M')
    rc = DecodeBmp(data.data(), data.size(), bitmap);
  if (rc != 0) return rc;
  return SaveBmp8File(target, bitmap);
}

}  // namespace telvane
