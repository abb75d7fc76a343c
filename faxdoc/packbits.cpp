// PackBits coder: literal runs of up to 128 bytes, repeat runs of 2 to 128.
#include "faxdoc/packbits.h"

#include <cstring>

namespace telvane {
namespace {

constexpr size_t kMaxRun = 128;

// Length of the run of equal bytes at `p` (at most kMaxRun and `left`).
inline size_t RunAt(const uint8_t* p, size_t left) {
  const size_t limit = left < kMaxRun ? left : kMaxRun;
  size_t n = 1;
  while (n < limit && p[n] == p[0]) ++n;
  return n;
}

}  // namespace

size_t PackBitsEncode(const uint8_t* in, size_t length, uint8_t* out) {
  uint8_t* o = out;
  size_t i = 0;
  while (i < length) {
    size_t run = RunAt(in + i, length - i);
    // A pair of equal bytes codes as a repeat run when nothing literal is
    // pending around it; a literal run is not broken for two bytes.
    if (run >= 2) {
      *o++ = static_cast<uint8_t>(257 - run);  // -(run - 1)
      *o++ = in[i];
      i += run;
      continue;
    }
    // Literal: up to the next run of 3 equal bytes, or 128 bytes.
    const size_t start = i;
    size_t n = 0;
    while (i < length && n < kMaxRun) {
      if (length - i >= 3 && in[i] == in[i + 1] && in[i] == in[i + 2]) break;
      ++i;
      ++n;
    }
    *o++ = static_cast<uint8_t>(n - 1);
    std::memcpy(o, in + start, n);
    o += n;
  }
  return static_cast<size_t>(o - out);
}

}  // namespace telvane
