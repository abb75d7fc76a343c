// Re-coding MH page data into 2-D lines on the fly.
#include "faxdoc/t4_mr_recoder.h"

#include <algorithm>

#include "faxdoc/t4_encoder.h"

namespace telvane {

MhToMrRecoder::MhToMrRecoder(int width, int k, int minBytes)
    : coder_(width, k),
      minBytes_(minBytes),
      row_((static_cast<size_t>(coder_.Width()) + 7) / 8),
      coded_(kCodedLineMax) {
  coder_.StartPage();
}

void MhToMrRecoder::CodeRow(const uint8_t* row, size_t length, std::vector<uint8_t>& out) {
  // The decoder delivers 1728- or 2048-pixel rows; one of the other width
  // is cut or made white to the end rather than lost.
  std::fill(row_.begin(), row_.end(), 0);
  std::copy_n(row, std::min(length, row_.size()), row_.begin());
  const size_t n = coder_.EncodeLine(row_.data(), coded_.data(), minBytes_);
  out.insert(out.end(), coded_.begin(), coded_.begin() + static_cast<std::ptrdiff_t>(n));
  ++rows_;
}

void MhToMrRecoder::Take(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  decoder_.Feed(data, length, [&](const uint8_t* row, size_t n) { CodeRow(row, n, out); });
}

void MhToMrRecoder::Finish(std::vector<uint8_t>& out) {
  // The converters' end-of-page record completes a last row that had no
  // EOL after it; on a page already ended by its RTC it does nothing.
  Take(kEndOfPageRecord, sizeof kEndOfPageRecord, out);
  const std::vector<uint8_t> rtc = MrEndOfPage();
  out.insert(out.end(), rtc.begin(), rtc.end());
}

}  // namespace telvane
