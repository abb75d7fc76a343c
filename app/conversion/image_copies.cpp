#include "app/conversion/image_copies.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <new>

#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/image_preparation.h"
#include "viewer/page_bitmap_ops.h"

namespace telvane {
namespace {

std::string LowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// A colour bitmap turned a quarter turn clockwise, as TurnBitmap turns a
// monochrome one: the pixel at (x, y) moves to (height - 1 - y, x).
Bitmap TurnColourBitmap(const Bitmap& source) {
  Bitmap turned(Bitmap::Format::Rgb32, source.Height(), source.Width());
  for (int y = 0; y < source.Height(); ++y) {
    const uint8_t* row = source.Row(y);
    const int x2 = source.Height() - 1 - y;
    for (int x = 0; x < source.Width(); ++x) std::memcpy(turned.Row(x) + x2 * 4, row + x * 4, 4);
  }
  return turned;
}

int TurnBmpFile(const std::string& source, const std::string& target) {
  Bitmap image;
  if (int rc = LoadBmpFile(source, image)) return rc;
  try {
    if (image.IsMono()) return SaveBmp8File(target, TurnBitmap(image, 1));
    return SaveBmpFile(target, TurnColourBitmap(image));
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
}

}  // namespace

int PrepareImageCopy(const std::string& input, bool landscape, const std::string& workDir, std::string& readFrom) {
  namespace fs = std::filesystem;
  readFrom = input;
  const std::string name = fs::path(input).filename().string();
  if (NeedsBmp8Preparation(input)) {
    const std::string prepared = (fs::path(workDir) / PreparedBmpName(name)).string();
    if (int rc = PrepareBmp8(input, prepared)) return rc;
    readFrom = prepared;
  }
  if (landscape && LowerExtension(readFrom) == ".bmp") {
    const std::string turned = (fs::path(workDir) / ("turned-" + PreparedBmpName(name))).string();
    if (int rc = TurnBmpFile(readFrom, turned)) return rc;
    readFrom = turned;
  }
  return 0;
}

}  // namespace telvane
