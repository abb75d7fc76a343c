// One-dimensional page data re-coded to two-dimensional lines as it comes:
// what a sender that agreed 2-D coding does with the MH lines of an APF page
// (line records, or the blocks of a page in stream form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_mr_encoder.h"

namespace telvane {

class MhToMrRecoder {
 public:
  // How the coded lines follow each other.
  enum class Layout {
    kByteAligned,  // each line from a byte-aligned EOL, zero fill to a whole byte
    kPacked,       // one bit stream: EOLs of 12 bits, no fill but the minimum's
  };

  // Lines of `width` pixels, `k` as for MrLineCoder; every coded line, EOL
  // to EOL, is zero-filled to at least `minBytes` bytes (the receiver's
  // minimum scan-line time). A packed page wastes no line time on alignment:
  // about a byte a line.
  MhToMrRecoder(int width, int k, int minBytes, Layout layout = Layout::kByteAligned);

  // Takes the next one-dimensional bytes, continuing the page; appends the
  // 2-D coded lines of the rows they complete. A row is complete at the EOL
  // that follows it, so the last one waits for Finish. Bytes after the
  // page's own RTC are ignored. Packed output keeps the bits of a last
  // unfinished byte back until the next line or Finish.
  void Take(const uint8_t* data, size_t length, std::vector<uint8_t>& out);
  // Ends the page: its last row and the 2-D RTC.
  void Finish(std::vector<uint8_t>& out);

  uint32_t Rows() const { return rows_; }

 private:
  void CodeRow(const uint8_t* row, size_t length, std::vector<uint8_t>& out);
  // Packed output: bits [from, to) of `src` (first bit lowest), then zeros.
  void PutBits(const uint8_t* src, size_t from, size_t to, std::vector<uint8_t>& out);
  void PutZeros(size_t count, std::vector<uint8_t>& out);

  MhDecoder decoder_;
  MrLineCoder coder_;
  int minBytes_;
  Layout layout_;
  uint32_t rows_ = 0;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> coded_;
  uint32_t acc_ = 0;     // packed bits not yet out, first bit lowest
  unsigned accBits_ = 0;
};

}  // namespace telvane
