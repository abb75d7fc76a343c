#include "faxdoc/image_kind.h"

#include <cstring>
#include <fstream>

#include "faxdoc/pcx_format.h"

namespace telvane {
namespace {

bool IsSpace(uint8_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

ImageKind ImageKindOf(const uint8_t* head, size_t size) {
  const auto starts = [&](const char* magic, size_t length) {
    return size >= length && std::memcmp(head, magic, length) == 0;
  };
  if (starts("%PDF-", 5)) return ImageKind::Pdf;
  if (starts("\x89PNG\r\n\x1a\n", 8)) return ImageKind::Png;
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return ImageKind::Gif;
  if (starts("RIFF", 4) && size >= 12 && std::memcmp(head + 8, "WEBP", 4) == 0) return ImageKind::WebP;
  if (starts("II*\0", 4) || starts("MM\0*", 4)) return ImageKind::Tiff;
  if (starts("\xFF\xD8\xFF", 3)) return ImageKind::Jpeg;
  // BMP: "BM", and the size of one of the known information headers after
  // the 14-byte file header (so that a text starting with "BM" stays text).
  if (starts("BM", 2) && size >= 18) {
    const uint32_t infoSize = head[14] | head[15] << 8 | head[16] << 16 | static_cast<uint32_t>(head[17]) << 24;
    for (uint32_t known : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
      if (infoSize == known) return ImageKind::Bmp;
  }
  // Netpbm: P1..P6, white space, then the width's first digit or a comment.
  if (size >= 4 && head[0] == 'P' && head[1] >= '1' && head[1] <= '6' && IsSpace(head[2])) {
    size_t at = 3;
    while (at < size && IsSpace(head[at])) ++at;
    if (at < size && ((head[at] >= '0' && head[at] <= '9') || head[at] == '#')) return ImageKind::Netpbm;
  }
  if (size >= 4) {
    const uint32_t magic = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
    if (magic == kDcxMagic) return ImageKind::Dcx;
  }
  // PCX: the maker byte, a known version, run-length encoding and a bit depth.
  if (size >= 4 && head[0] == kPcxManufacturer && head[1] <= 5 && head[1] != 1 && head[2] == kPcxEncodingRle &&
      (head[3] == 1 || head[3] == 2 || head[3] == 4 || head[3] == 8))
    return ImageKind::Pcx;
  return ImageKind::Unknown;
}

ImageKind FileImageKind(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  uint8_t head[32] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head) && in.gcount() <= 0) return ImageKind::Unknown;
  return ImageKindOf(head, static_cast<size_t>(in.gcount()));
}

const char* ImageKindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::Bmp: return "a BMP image";
    case ImageKind::Jpeg: return "a JPEG image";
    case ImageKind::Png: return "a PNG image";
    case ImageKind::Gif: return "a GIF image";
    case ImageKind::Netpbm: return "a PBM/PGM/PPM image";
    case ImageKind::WebP: return "a WebP image";
    case ImageKind::Tiff: return "a TIFF image";
    case ImageKind::Pcx: return "a PCX image";
    case ImageKind::Dcx: return "a DCX image";
    case ImageKind::Pdf: return "a PDF document";
    case ImageKind::Unknown: break;
  }
  return "a file";
}

bool IsQtReadKind(ImageKind kind) {
  switch (kind) {
    case ImageKind::Png:
    case ImageKind::Gif:
    case ImageKind::Netpbm:
    case ImageKind::WebP:
    case ImageKind::Tiff: return true;
    default: return false;
  }
}

bool IsImageExtension(const std::string& lowerExtension) {
  for (const char* ext : {".png", ".gif", ".webp", ".pbm", ".pgm", ".ppm", ".pnm"})
    if (lowerExtension == ext) return true;
  return false;
}

}  // namespace telvane
