// T.4 two-dimensional (Modified READ) mode codes: the published code list,
// the bit-reversed form the coder ORs into its output, and a one-lookup
// decoding table for the mode that starts the next bits of a stream.
#pragma once

#include <array>
#include <cstdint>

#include "faxdoc/t4_tables.h"

namespace telvane::t4 {

enum class MrMode : uint8_t {
  kVertical,    // a1 is b1 + delta, -3..3
  kPass,        // b2 lies left of a1: a0 moves under b2
  kHorizontal,  // two runs follow, coded as in one-dimensional lines
  kExtension,   // 0000001xxx: uncompressed and other modes we do not take
  kZeros,       // seven zeros: only an EOL (or fill before one) starts so
};

struct alignas(4) MrModeEntry {
  MrMode mode;
  int8_t delta;   // vertical modes: a1 - b1
  uint8_t width;  // bits the code takes
};

inline constexpr int kMrModeBits = 7;  // longest mode code: 7 bits
extern const std::array<MrModeEntry, 1 << kMrModeBits> kMrModeDecode;

// Output codes, first transmitted bit in bit 0.
extern const OutCode kOutPass;
extern const OutCode kOutHorizontal;
// Vertical codes for a1 - b1 = -3..3 at index delta + 3.
extern const std::array<OutCode, 7> kOutVertical;

}  // namespace telvane::t4
