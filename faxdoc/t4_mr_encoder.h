// T.4 two-dimensional (Modified READ) coding of scan lines, least
// significant bit first. Every line is a byte-aligned EOL (the bytes 00 80,
// as in one-dimensional lines), a tag bit (1: the line is coded
// one-dimensionally, 0: against the line before it), the codes and zero fill
// to a whole byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

// K: a one-dimensional line, then at most K - 1 two-dimensional lines.
inline constexpr int kMrKStandard = 2;
inline constexpr int kMrKFine = 4;

class MrLineCoder {
 public:
  // Lines of `width` pixels (cut to kMaxRasterWidth); `k` below 1 counts as 1.
  MrLineCoder(int width, int k);

  // The next line starts a page: it is coded one-dimensionally.
  void StartPage();

  // Codes the next line of the page (MSB first, set = black) into `out`
  // (kCodedLineMax bytes). Zero fill before the next EOL makes the line at
  // least `minBytes` long, for a receiver's minimum scan-line time.
  // Returns the coded length.
  size_t EncodeLine(const uint8_t* raster, uint8_t* out, int minBytes = 0);

  int Width() const { return width_; }
  // Bits of the last line coded, from the first bit of its byte-aligned EOL
  // to the last bit of its codes (fill not counted).
  size_t LastLineBits() const { return lastBits_; }

 private:
  int width_;
  int k_;
  int sinceOneDim_;  // lines coded since the last one-dimensional line
  size_t lastBits_ = 0;
  std::vector<int32_t> ref_;
  std::vector<int32_t> cur_;
};

// The end of a two-dimensionally coded page (RTC): six EOLs, each with the
// tag bit 1, in the byte-aligned form of the lines.
std::vector<uint8_t> MrEndOfPage();

}  // namespace telvane
