// T.4 one-dimensional coding of scan lines, least significant bit first.
#include "faxdoc/t4_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faxdoc/bit_io.h"
#include "faxdoc/t4_bit_sink.h"
#include "faxdoc/t4_tables.h"

namespace telvane {
namespace {

// Room that PutRun keeps free at the end of the buffer: the widest run pair
// (makeup + terminating, 25 bits) plus the two fill bytes and the 8-byte OR.
constexpr size_t kCoderSlackBytes = 16;

inline uint64_t LoadBe64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
  return v;
}

// The next 64 pixels of a raster line from bit `pos` on, first pixel in the
// top bit; pixels past `end` read as 0 (white).
inline uint64_t PixelsAt(const uint8_t* raster, size_t rasterBytes, unsigned pos) {
  const size_t byte = pos >> 3;
  uint64_t word;
  if (byte + 8 <= rasterBytes) {
    word = LoadBe64(raster + byte);
  } else {
    uint8_t tail[8] = {};
    std::memcpy(tail, raster + byte, rasterBytes - byte);
    word = LoadBe64(tail);
  }
  return word << (pos & 7);
}

}  // namespace

unsigned RunLength(const uint8_t* raster, size_t rasterBytes, unsigned pos, unsigned end, bool black) {
  const unsigned start = pos;
  const uint64_t flip = black ? ~uint64_t{0} : 0;
  while (pos < end) {
    // Only the top `valid` bits of the word are pixels of the line.
    const unsigned valid = 64 - (pos & 7);
    const uint64_t word = PixelsAt(raster, rasterBytes, pos) ^ flip;
    const unsigned same = static_cast<unsigned>(std::countl_zero(word));
    pos += std::min(same, valid);
    if (same < valid) break;
  }
  return std::min(pos, end) - start;
}

void T4LineCoder::Start() {
  // Codes are ORed in, so every byte a previous line may have set is cleared:
  // up to its coded length, or up to its last code when it was not finished.
  std::memset(buf_, 0, std::min(std::max(lastUsed_, bitPos_ / 8 + 1), kCodedLineMax));
  lastUsed_ = 2;
  buf_[1] = 0x80;  // byte-aligned EOL: 15 zero bits, then the 1
  bitPos_ = 16;
}

void T4LineCoder::PutCode(uint32_t reversedBits, int length) {
  // Codes are at most 13 bits, so an OR into 8 bytes at the byte position
  // always holds the code; the slack kept free makes the 8 bytes valid.
  uint8_t* p = buf_ + bitPos_ / 8;
  StoreLe64(p, LoadLe64(p) | (static_cast<uint64_t>(reversedBits) << (bitPos_ & 7)));
  bitPos_ += static_cast<size_t>(length);
}

void T4LineCoder::PutRun(int run, bool black) {
  if (run < 0) return;
  const int colour = black ? 1 : 0;
  unsigned left = static_cast<unsigned>(run);
  do {
    // No real line comes near the end of the buffer; a caller that runs on
    // past it loses the codes rather than overrunning the buffer.
    if (bitPos_ / 8 + kCoderSlackBytes > kCodedLineMax) return;
    unsigned makeup = std::min(left / 64, static_cast<unsigned>(t4::kAllMakeupCount));
    if (makeup > 0) {
      const t4::OutCode& m = t4::kOutMakeup[colour][makeup - 1];
      PutCode(m.bits, m.length);
      left -= makeup * 64;
      // A run longer than 2560+63 repeats the longest makeup code.
      if (left >= 64) continue;
    }
    const t4::OutCode& t = t4::kOutTerminating[colour][left];
    PutCode(t.bits, t.length);
    return;
  } while (true);
}

size_t T4LineCoder::Finish() {
  lastUsed_ = bitPos_ / 8 + 2;
  return lastUsed_;
}

size_t EncodeRasterLine(const uint8_t* raster, int width, uint8_t* out) {
  const unsigned end = static_cast<unsigned>(std::clamp(width, 0, kMaxRasterWidth));
  const size_t rasterBytes = (end + 7) / 8;
  T4BitSink sink{out, 0x8000, 16};  // byte-aligned EOL: the bytes 00 80
  unsigned pos = 0;
  int colour = 0;
  if (end == 0) {
    sink.PutRun(0, 0);
  } else {
    while (pos < end) {
      const unsigned run = RunLength(raster, rasterBytes, pos, end, colour != 0);
      sink.PutRun(run, colour);
      pos += run;
      colour ^= 1;
    }
  }
  // Zero fill: the accumulator holds nothing above its last code, so the
  // store leaves the rest of the partly used byte and one more byte zero.
  StoreLe64(sink.out, sink.acc);
  return static_cast<size_t>(sink.out - out) + sink.bits / 8 + 2;
}

std::vector<uint8_t> EncodeRasterLine(const uint8_t* raster, int width) {
  std::vector<uint8_t> out(kCodedLineMax);
  out.resize(EncodeRasterLine(raster, width, out.data()));
  return out;
}

}  // namespace telvane
