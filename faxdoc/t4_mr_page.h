// Whole pages in T.4 two-dimensional coding, and the passage between them
// and the one-dimensional (MH) lines APF files keep: what a sender that has
// agreed two-dimensional coding sends, and what a receiver stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

using RasterRows = std::vector<std::vector<uint8_t>>;  // MSB first, set = black

struct MrPageOptions {
  int width = 1728;
  int k = 2;         // kMrKStandard or kMrKFine
  int minBytes = 0;  // least bytes per coded line, zero fill before the EOL
};

// Codes raster rows ((width + 7) / 8 bytes each) into a page of
// two-dimensionally coded lines closed by RTC.
std::vector<uint8_t> EncodeMrPage(const RasterRows& rows, const MrPageOptions& options);

struct MrDecodedPage {
  RasterRows rows;
  uint32_t badLines = 0;
};

// Decodes a two-dimensionally coded page; bad lines are copies of the last
// good one (see MrDecoder).
MrDecodedPage DecodeMrPage(const uint8_t* data, size_t length, int width);

// Re-codes a page of one-dimensional lines, each with its EOL, as the APF
// files hold them (1728 or 2048 pixels), into two-dimensional page data.
// options.width must be the lines' width.
std::vector<uint8_t> RecodeMhAsMr(const std::vector<std::vector<uint8_t>>& mhLines, const MrPageOptions& options);

struct MhPageLines {
  std::vector<std::vector<uint8_t>> lines;  // each as EncodeRasterLine codes it
  uint32_t badLines = 0;
};

// Decodes two-dimensional page data into one-dimensional lines.
MhPageLines DecodeMrAsMh(const uint8_t* data, size_t length, int width);

}  // namespace telvane
