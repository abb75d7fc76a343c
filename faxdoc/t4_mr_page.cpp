// Whole pages in T.4 two-dimensional coding.
#include "faxdoc/t4_mr_page.h"

#include <algorithm>

#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_decoder.h"
#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_mr_recoder.h"

namespace telvane {

std::vector<uint8_t> EncodeMrPage(const RasterRows& rows, const MrPageOptions& options) {
  MrLineCoder coder(options.width, options.k);
  std::vector<uint8_t> out;
  std::vector<uint8_t> line(kCodedLineMax);
  const size_t rowBytes = (static_cast<size_t>(coder.Width()) + 7) / 8;
  std::vector<uint8_t> row(rowBytes);
  for (const auto& r : rows) {
    // Short rows are white to the end.
    std::fill(row.begin(), row.end(), 0);
    std::copy_n(r.begin(), std::min(r.size(), rowBytes), row.begin());
    const size_t n = coder.EncodeLine(row.data(), line.data(), options.minBytes);
    out.insert(out.end(), line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
  }
  const std::vector<uint8_t> rtc = MrEndOfPage();
  out.insert(out.end(), rtc.begin(), rtc.end());
  return out;
}

MrDecodedPage DecodeMrPage(const uint8_t* data, size_t length, int width) {
  MrDecoder decoder(width);
  MrDecodedPage page;
  const size_t rowBytes = decoder.RowBytes();
  decoder.DecodePage(data, length, [&](const uint8_t* row) { page.rows.emplace_back(row, row + rowBytes); });
  page.badLines = decoder.BadLines();
  return page;
}

std::vector<uint8_t> RecodeMhAsMr(const std::vector<std::vector<uint8_t>>& mhLines, const MrPageOptions& options) {
  MhToMrRecoder recoder(options.width, options.k, options.minBytes);
  std::vector<uint8_t> out;
  for (const auto& line : mhLines) recoder.Take(line.data(), line.size(), out);
  recoder.Finish(out);
  return out;
}

MhPageLines DecodeMrAsMh(const uint8_t* data, size_t length, int width) {
  MrDecoder decoder(width);
  MhPageLines page;
  std::vector<uint8_t> line(kCodedLineMax);
  decoder.DecodePage(data, length, [&](const uint8_t* row) {
    const size_t n = EncodeRasterLine(row, width, line.data());
    page.lines.emplace_back(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
  });
  page.badLines = decoder.BadLines();
  return page;
}

}  // namespace telvane
