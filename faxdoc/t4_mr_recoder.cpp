// Re-coding MH page data into 2-D lines on the fly.
#include "faxdoc/t4_mr_recoder.h"

#include <algorithm>

#include "faxdoc/t4_encoder.h"

namespace telvane {
namespace {

// The byte-aligned EOL (00 80) has four zeros more than an EOL needs.
constexpr size_t kAlignmentBits = 4;
// EOL and tag 1: each of the six codes of a two-dimensional RTC.
constexpr uint8_t kTaggedEol[2] = {0x00, 0x18};  // 11 zeros, 1, 1
constexpr size_t kTaggedEolBits = 13;

}  // namespace

MhToMrRecoder::MhToMrRecoder(int width, int k, int minBytes, Layout layout)
    : coder_(width, k),
      minBytes_(minBytes),
      layout_(layout),
      row_((static_cast<size_t>(coder_.Width()) + 7) / 8),
      coded_(kCodedLineMax) {
  coder_.StartPage();
}

void MhToMrRecoder::PutBits(const uint8_t* src, size_t from, size_t to, std::vector<uint8_t>& out) {
  while (from < to) {
    const unsigned take = static_cast<unsigned>(std::min<size_t>(8 - (from & 7), to - from));
    const uint32_t bits = (static_cast<uint32_t>(src[from >> 3]) >> (from & 7)) & ((1u << take) - 1);
    acc_ |= bits << accBits_;
    accBits_ += take;
    from += take;
    while (accBits_ >= 8) {
      out.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      accBits_ -= 8;
    }
  }
}

void MhToMrRecoder::PutZeros(size_t count, std::vector<uint8_t>& out) {
  // The accumulator holds no bits above accBits_: zeros need only counting.
  size_t pending = accBits_ + count;
  while (pending >= 8) {
    out.push_back(static_cast<uint8_t>(acc_));
    acc_ >>= 8;
    pending -= 8;
  }
  accBits_ = static_cast<unsigned>(pending);
}

void MhToMrRecoder::CodeRow(const uint8_t* row, size_t length, std::vector<uint8_t>& out) {
  // The decoder delivers 1728- or 2048-pixel rows; one of the other width
  // is cut or made white to the end rather than lost.
  std::fill(row_.begin(), row_.end(), 0);
  std::copy_n(row, std::min(length, row_.size()), row_.begin());
  ++rows_;
  if (layout_ == Layout::kByteAligned) {
    const size_t n = coder_.EncodeLine(row_.data(), coded_.data(), minBytes_);
    out.insert(out.end(), coded_.begin(), coded_.begin() + static_cast<std::ptrdiff_t>(n));
    return;
  }
  coder_.EncodeLine(row_.data(), coded_.data());
  const size_t bits = coder_.LastLineBits();
  PutBits(coded_.data(), kAlignmentBits, bits, out);
  const size_t least = static_cast<size_t>(std::max(minBytes_, 0)) * 8;
  if (bits - kAlignmentBits < least) PutZeros(least - (bits - kAlignmentBits), out);
}

void MhToMrRecoder::Take(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  decoder_.Feed(data, length, [&](const uint8_t* row, size_t n) { CodeRow(row, n, out); });
}

void MhToMrRecoder::Finish(std::vector<uint8_t>& out) {
  // The converters' end-of-page record completes a last row that had no
  // EOL after it; on a page already ended by its RTC it does nothing.
  Take(kEndOfPageRecord, sizeof kEndOfPageRecord, out);
  if (layout_ == Layout::kByteAligned) {
    const std::vector<uint8_t> rtc = MrEndOfPage();
    out.insert(out.end(), rtc.begin(), rtc.end());
    return;
  }
  for (int i = 0; i < 6; ++i) PutBits(kTaggedEol, 0, kTaggedEolBits, out);
  if (accBits_ > 0) out.push_back(static_cast<uint8_t>(acc_));  // zero fill to the byte
  acc_ = 0;
  accBits_ = 0;
}

}  // namespace telvane
