// T.4 Modified Huffman code tables: the published code lists, the bit-reversed
// form the coder ORs into its output, and the one-lookup decoding tables.
#pragma once

#include <array>
#include <cstdint>

namespace telvane::t4 {

// One code as T.4 publishes it: `length` bits, the first transmitted bit is
// the most significant of them.
struct Code {
  uint16_t bits;
  uint8_t length;
};

inline constexpr int kMakeupCount = 27;          // 64..1728, own to each colour
inline constexpr int kExtendedMakeupCount = 13;  // 1792..2560, shared
inline constexpr int kAllMakeupCount = kMakeupCount + kExtendedMakeupCount;
inline constexpr int kMaxMakeupRun = 64 * kAllMakeupCount;  // 2560

extern const Code kWhiteTerminating[64];
extern const Code kBlackTerminating[64];
extern const Code kWhiteMakeup[kMakeupCount];
extern const Code kBlackMakeup[kMakeupCount];
extern const Code kExtendedMakeup[kExtendedMakeupCount];
inline constexpr Code kEol{0x001, 12};

// Output form: the first transmitted bit is bit 0, so a code is ORed in at
// the current bit position of an LSB-first byte stream.
struct OutCode {
  uint16_t bits;
  uint8_t length;
};

// Index 0 = white, 1 = black.
extern const std::array<std::array<OutCode, 64>, 2> kOutTerminating;
// Makeup for run 64*(i+1) at index i; entries 27..39 are the extended codes.
extern const std::array<std::array<OutCode, kAllMakeupCount>, 2> kOutMakeup;

// Decoding: a table indexed by the next kWhiteBits / kBlackBits bits of the
// stream (first bit lowest) says what those bits start with. `Width()` is
// the number of bits the code takes; a width above the bits at hand means
// the code is not yet complete.
enum DecodeAction : uint8_t {
  kTerminating,  // run < 64: ends a run, the colour changes
  kMakeup,       // run of 64..2560: the same colour goes on
  kEndOfLine,    // 11 or more zeros and a 1
  kBadCode,      // no code starts with these bits; the width includes the
                 // bit at which the code tree has no branch
  kFill,         // the whole window is zero: an EOL with fill zeros goes on
};

// One entry in 16 bits, so that both tables (24 KB) stay in the first-level
// cache: bits 0-3 the width, bits 4-15 the value, a run length (0..2560,
// below 64 a terminating code) or one of the markers above 2560.
struct DecodeEntry {
  static constexpr unsigned kMaxRun = 2560;
  static constexpr unsigned kFillMark = 0xFFD;
  static constexpr unsigned kBadMark = 0xFFE;
  static constexpr unsigned kEolMark = 0xFFF;

  uint16_t bits;

  static constexpr DecodeEntry Make(unsigned value, unsigned width) {
    return DecodeEntry{static_cast<uint16_t>((value << 4) | width)};
  }
  constexpr unsigned Width() const { return bits & 15u; }
  constexpr unsigned Value() const { return bits >> 4; }
  constexpr DecodeAction Action() const {
    const unsigned v = Value();
    return v < 64 ? kTerminating : v <= kMaxRun ? kMakeup : v == kEolMark ? kEndOfLine : v == kBadMark ? kBadCode : kFill;
  }
};

inline constexpr int kWhiteBits = 12;  // longest white code: 12 bits
inline constexpr int kBlackBits = 13;  // longest black code: 13 bits
extern const std::array<DecodeEntry, 1 << kWhiteBits> kWhiteDecode;
extern const std::array<DecodeEntry, 1 << kBlackBits> kBlackDecode;

// Zero bits after which a 1 completes an EOL.
inline constexpr int kEolZeros = 11;

}  // namespace telvane::t4
