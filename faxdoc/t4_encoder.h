// T.4 one-dimensional (Modified Huffman) coding of scan lines, as APF files
// hold them: codes are ORed in least significant bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

// The end-of-page record that closes every page the converters write:
// a byte-aligned EOL, six further EOLs and four zero bits.
inline constexpr uint8_t kEndOfPageRecord[12] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00,
                                                 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};
// A coded line buffer never needs more than this.
inline constexpr size_t kCodedLineMax = 4096;
// Widest raster line EncodeRasterLine codes (the decoder's 512-byte line);
// even alternating pixels then stay well inside kCodedLineMax.
inline constexpr int kMaxRasterWidth = 4096;

// Builds one coded line in a caller's buffer of kCodedLineMax bytes.
class T4LineCoder {
 public:
  explicit T4LineCoder(uint8_t* buffer) : buf_(buffer) {}

  // Clears the buffer up to the last used byte and puts the byte-aligned EOL
  // (the bytes 00 80).
  void Start();
  // Puts one run: makeup codes for runs of 64 or more (the largest multiple
  // of 64 not above the run), then the terminating code of the remainder.
  // Runs above 2560+63 repeat the 2560 makeup code first.
  void PutRun(int run, bool black);
  // Closes the line: length = whole bytes used + 2 (zero fill).
  size_t Finish();

  size_t BitPosition() const { return bitPos_; }

 private:
  void PutCode(uint32_t reversedBits, int length);

  uint8_t* buf_;
  size_t bitPos_ = 0;
  size_t lastUsed_ = kCodedLineMax;  // bytes the previous line may have set; all at first
};

// Length of the run of `black` (or white) pixels of a raster line (MSB first,
// set = black, `rasterBytes` long) that starts at pixel `pos`, at most
// `end - pos`. Pixels past the raster read as white.
unsigned RunLength(const uint8_t* raster, size_t rasterBytes, unsigned pos, unsigned end, bool black);

// Codes a raster line (MSB first, set = black) of `width` pixels into `out`
// (at least kCodedLineMax bytes): byte-aligned EOL, runs starting with white,
// zero fill. Returns the coded length. Widths above kMaxRasterWidth are cut.
size_t EncodeRasterLine(const uint8_t* raster, int width, uint8_t* out);

// Convenience form.
std::vector<uint8_t> EncodeRasterLine(const uint8_t* raster, int width);

}  // namespace telvane
