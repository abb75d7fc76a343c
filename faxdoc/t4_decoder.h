// Table-driven T.4 Modified Huffman decoder with the APF reading rules:
// codes count only after the first EOL, a line is delivered at the next EOL
// when it is exactly 216 or 256 whole bytes, bad codes are skipped, and three
// EOLs with no run between them end the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace telvane {

class MhDecoder {
 public:
  // Receives each delivered line: 216 or 256 bytes, MSB first, set = black.
  using LineSink = std::function<void(const uint8_t* line, size_t length)>;

  MhDecoder();

  // Back to the start of a page: white, codes not yet accepted, counters 0.
  void Reset();

  // Decodes `length` bytes continuing the bit stream of earlier calls.
  // Returns true once the page has ended; bytes after the end are ignored.
  bool Feed(const uint8_t* data, size_t length, const LineSink& sink);

  bool PageEnded() const { return pageEnded_; }
  uint32_t BadCodes() const { return badCodes_; }
  uint32_t LinesDelivered() const { return linesDelivered_; }
  // Bits of the stream decoded since Reset(): once the page has ended, the
  // position just after the 1 of its last EOL.
  uint64_t BitsConsumed() const { return bytesTaken_ * 8 - accBits_; }

  // The line buffer: 512 bytes, and room for an 8-byte store at its end.
  static constexpr unsigned kLineBytes = 512;

 private:
  enum class Mode : uint8_t {
    kCode,      // at the root of the current colour's code tree
    kFill,      // 11 or more zeros taken: the next 1 ends an EOL
    kSkipOnes,  // after a bad code: 1-bits are skipped up to the next 0
  };

  bool pageEnded_ = false;
  uint32_t badCodes_ = 0;
  uint32_t linesDelivered_ = 0;

  // Bit reader: bits not yet decoded, first bit lowest.
  uint64_t acc_ = 0;
  unsigned accBits_ = 0;
  uint64_t bytesTaken_ = 0;

  Mode mode_ = Mode::kCode;
  int colour_ = 0;  // 0 white, 1 black
  bool accepted_ = false;   // an EOL has been seen on this page
  bool runInLine_ = false;  // a run code was decoded since the last EOL
  unsigned eolCount_ = 0;   // EOLs since the last run code
  unsigned bitPos_ = 0;     // next pixel of the line
  unsigned dirtyBytes_ = 0; // bytes of line_ holding black pixels
  uint8_t line_[kLineBytes + 8];
};

}  // namespace telvane
