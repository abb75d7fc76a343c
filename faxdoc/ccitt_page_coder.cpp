// Modified Huffman coding of page lines, most significant bit first.
#include "faxdoc/ccitt_page_coder.h"

#include <algorithm>

#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_tables.h"

namespace telvane {

void CcittPageCoder::Start(int columns) {
  columns_ = std::max(columns, 0);
  rows_ = 0;
  data_.clear();
  pending_ = 0;
  pendingBits_ = 0;
}

void CcittPageCoder::PutCode(uint16_t bits, unsigned length) {
  // At most 7 bits wait and a code has at most 13: 20 bits fit in 32.
  pending_ = (pending_ << length) | bits;
  pendingBits_ += length;
  while (pendingBits_ >= 8) {
    pendingBits_ -= 8;
    data_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
  }
  pending_ &= (1u << pendingBits_) - 1;
}

void CcittPageCoder::AlignToByte() {
  if (pendingBits_ == 0) return;
  data_.push_back(static_cast<uint8_t>(pending_ << (8 - pendingBits_)));
  pending_ = 0;
  pendingBits_ = 0;
}

void CcittPageCoder::PutRun(unsigned run, bool black) {
  // Runs longer than the longest makeup code repeat it.
  while (run > static_cast<unsigned>(t4::kMaxMakeupRun) + 63) {
    const t4::Code& m = t4::kExtendedMakeup[t4::kExtendedMakeupCount - 1];
    PutCode(m.bits, m.length);
    run -= t4::kMaxMakeupRun;
  }
  if (run >= 64) {
    const unsigned index = run / 64 - 1;
    const t4::Code& m = index < static_cast<unsigned>(t4::kMakeupCount)
                            ? (black ? t4::kBlackMakeup : t4::kWhiteMakeup)[index]
                            : t4::kExtendedMakeup[index - t4::kMakeupCount];
    PutCode(m.bits, m.length);
  }
  const t4::Code& t = (black ? t4::kBlackTerminating : t4::kWhiteTerminating)[run % 64];
  PutCode(t.bits, t.length);
}

void CcittPageCoder::AddLine(const uint8_t* raster, size_t bytes) {
  const unsigned end = static_cast<unsigned>(columns_);
  const size_t lineBytes = (end + 7) / 8;
  if (!raster) bytes = 0;
  if (bytes && bytes < lineBytes) {
    // The run finder reads whole bytes of the line: a short line is padded.
    padded_.assign(lineBytes, 0);
    std::copy(raster, raster + bytes, padded_.begin());
    raster = padded_.data();
    bytes = lineBytes;
  }
  // Runs start with white and alternate; a line that starts black starts
  // with a white run of 0.
  unsigned pos = 0;
  bool black = false;
  do {
    const unsigned run = bytes ? RunLength(raster, bytes, pos, end, black) : end;
    PutRun(run, black);
    pos += run;
    black = !black;
  } while (pos < end);
  AlignToByte();
  ++rows_;
}

}  // namespace telvane
