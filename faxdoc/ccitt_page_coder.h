// Codes the raster lines of one fax page as PDF's CCITTFaxDecode filter reads
// them with /K 0 /EncodedByteAlign true /EndOfLine false: one-dimensional
// (Modified Huffman) runs, first bit in the most significant bit of each
// byte, every line starting on a byte boundary, no EOL codes and no fill
// beyond the bits that complete a line's last byte.
//
// APF pages hold the same runs, but least significant bit first, framed in
// line records with EOLs, and a received page may carry lines the reader
// drops; coding the decoded lines afresh gives exactly the rows the unpacker
// shows, in a form the filter parameters describe without exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

class CcittPageCoder {
 public:
  // Forgets the lines so far; lines of the page are `columns` pixels wide.
  void Start(int columns);
  // Codes one raster line of `bytes` bytes (MSB first, set = black). A line
  // narrower than the page is white to its end; a wider one is cut. Null
  // `raster` is an all-white line.
  void AddLine(const uint8_t* raster, size_t bytes);

  int Columns() const { return columns_; }
  unsigned Rows() const { return rows_; }
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  void PutCode(uint16_t bits, unsigned length);
  void PutRun(unsigned run, bool black);
  void AlignToByte();

  int columns_ = 0;
  unsigned rows_ = 0;
  std::vector<uint8_t> data_;
  uint32_t pending_ = 0;  // the low `pendingBits_` bits are not yet in data_
  unsigned pendingBits_ = 0;
  std::vector<uint8_t> padded_;  // a line narrower than the page, made full width
};

}  // namespace telvane
