// PackBits run-length coding of one image row, as TIFF compression 32773
// holds it: a control byte n of 0..127 is followed by n + 1 literal bytes,
// one of -1..-127 (0xFF..0x81) by one byte repeated 1 - n times.
#pragma once

#include <cstddef>
#include <cstdint>

namespace telvane {

// Most bytes PackBitsEncode writes for `length` input bytes.
inline constexpr size_t PackBitsBound(size_t length) { return length + (length + 127) / 128; }

// Codes `length` bytes into `out` (room for PackBitsBound(length) bytes);
// returns the count written. Runs of 3 or more equal bytes are repeat runs,
// and so are runs of 2 that do not split a literal run.
size_t PackBitsEncode(const uint8_t* in, size_t length, uint8_t* out);

}  // namespace telvane
