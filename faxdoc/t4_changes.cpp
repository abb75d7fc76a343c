// Changing elements of scan lines.
#include "faxdoc/t4_changes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faxdoc/t4_encoder.h"

namespace telvane {

int FindChanges(const uint8_t* raster, int width, int32_t* out) {
  const unsigned end = static_cast<unsigned>(std::max(width, 0));
  const size_t bytes = (end + 7) / 8;
  unsigned pos = 0;
  bool black = false;
  int count = 0;
  while (pos < end) {
    pos += RunLength(raster, bytes, pos, end, black);
    if (pos >= end) break;
    out[count++] = static_cast<int32_t>(pos);
    black = !black;
  }
  for (int i = 0; i <= kChangeSentinels; ++i) out[count + i] = static_cast<int32_t>(end);
  return count;
}

namespace {

// Lines up to this many 64-pixel words are drawn from flipped bits.
constexpr size_t kDrawWords = 128;

// Sets pixels [from, to) of a row that has 8 spare bytes.
inline void FillSpan(uint8_t* row, unsigned from, unsigned to) {
  if (to <= from) return;
  uint8_t* p = row + (from >> 3);
  const unsigned shift = from & 7;
  const unsigned run = to - from;
  if (shift + run <= 64) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    uint64_t mask = (~uint64_t{0} << (64 - run)) >> shift;  // raster (big-endian) order
    if constexpr (std::endian::native == std::endian::little) mask = __builtin_bswap64(mask);
    word |= mask;
    std::memcpy(p, &word, 8);
    return;
  }
  *p++ |= static_cast<uint8_t>(0xFF >> shift);
  const unsigned left = run - (8 - shift);
  std::memset(p, 0xFF, left >> 3);
  p += left >> 3;
  if (left & 7) *p |= static_cast<uint8_t>(0xFF00 >> (left & 7));
}

}  // namespace

void DrawChanges(const int32_t* changes, int count, int width, uint8_t* row) {
  const unsigned end = static_cast<unsigned>(std::max(width, 0));
  const size_t words = (end + 63) / 64;
  if (count == 0 || words > kDrawWords) {
    std::memset(row, 0, (end + 7) / 8);
    for (int i = 0; i < count; i += 2) {
      const unsigned from = std::min(static_cast<unsigned>(changes[i]), end);
      const unsigned to = i + 1 < count ? std::min(static_cast<unsigned>(changes[i + 1]), end) : end;
      FillSpan(row, from, to);
    }
    return;
  }
  // Each change flips one bit, pixel 0 in the top bit of word 0; a running
  // XOR along the bits then gives the colour of every pixel. A line that
  // ends black gets a flip at the width, so pixels past it stay white.
  uint64_t flips[kDrawWords + 1] = {};
  for (int i = 0; i < count; ++i) {
    const unsigned p = std::min(static_cast<unsigned>(changes[i]), end);
    flips[p >> 6] ^= uint64_t{1} << (63 - (p & 63));
  }
  if (count & 1) flips[end >> 6] ^= uint64_t{1} << (63 - (end & 63));
  uint64_t carry = 0;  // all ones while the previous word ended black
  for (size_t w = 0; w < words; ++w) {
    uint64_t x = flips[w];
    x ^= x >> 1;
    x ^= x >> 2;
    x ^= x >> 4;
    x ^= x >> 8;
    x ^= x >> 16;
    x ^= x >> 32;
    x ^= carry;
    carry = uint64_t{0} - (x & 1);
    if constexpr (std::endian::native == std::endian::little) x = __builtin_bswap64(x);
    std::memcpy(row + w * 8, &x, 8);
  }
}

}  // namespace telvane
