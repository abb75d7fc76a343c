// Bit order of fax data. T.4 data in APF files has the first bit of each byte
// in bit 0; Class 2 modems and TIFF files with FillOrder 1 have it in bit 7,
// so their bytes are mirrored on the way in and out.
#pragma once

#include <array>
#include <cstdint>

namespace telvane {

inline constexpr std::array<std::uint8_t, 256> kBitReverse = [] {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) r |= 0x80 >> b;
    t[i] = static_cast<std::uint8_t>(r);
  }
  return t;
}();

inline constexpr std::uint8_t ReverseBits(std::uint8_t b) { return kBitReverse[b]; }

}  // namespace telvane
