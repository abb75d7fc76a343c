// The bit writer of the T.4 coders (one- and two-dimensional) over a
// caller's buffer. The accumulator is held by value, so that the compiler
// keeps it in registers inside the coding loop; it stores 8 bytes at a
// time and advances 4, so the buffer needs 8 bytes of room past the data.
#pragma once

#include <cstdint>

#include "faxdoc/bit_io.h"
#include "faxdoc/t4_tables.h"

namespace telvane {

struct T4BitSink {
  uint8_t* out;
  uint64_t acc;
  unsigned bits;

  inline void Put(uint32_t code, unsigned length) {
    acc |= static_cast<uint64_t>(code) << bits;
    bits += length;
    if (bits >= 32) {
      StoreLe64(out, acc);
      out += 4;
      acc >>= 32;
      bits -= 32;
    }
  }
  inline void Put(const t4::OutCode& code) { Put(code.bits, code.length); }

  // A run of `run` pixels of `colour`: makeup codes, then the terminating one.
  inline void PutRun(unsigned run, int colour) {
    while (run > static_cast<unsigned>(t4::kMaxMakeupRun) + 63) {
      Put(t4::kOutMakeup[colour][t4::kAllMakeupCount - 1]);
      run -= t4::kMaxMakeupRun;
    }
    if (run >= 64) Put(t4::kOutMakeup[colour][run / 64 - 1]);
    Put(t4::kOutTerminating[colour][run & 63]);
  }
};

}  // namespace telvane
