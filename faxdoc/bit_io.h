// Little-endian 64-bit loads and stores for the T.4 coder and decoder: codes
// are least significant bit first, so a little-endian word holds the next
// 64 bits of the stream in order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace telvane {

inline uint64_t LoadLe64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

inline void StoreLe64(uint8_t* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

}  // namespace telvane
