// Placement of an image on the fax line, decided once per image: doubled in
// width, halved in height, and the white bytes that centre it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace telvane {

struct FaxConverterState;

// Sets DoubleWidth, HalfHeight and CenterOffset of `state` for an image
// `imageWidth` pixels wide:
// - double width when coDoubleWidth is set, the resolution is standard and
//   twice the image fits right of the left margin;
// - half height when coHalfHeight is set, the resolution is standard and the
//   image is not doubled (a doubled image keeps every row, so that it keeps
//   its proportions);
// - with coCenterImage and at least 16 pixels to spare, (W - 2w) / 32 bytes
//   of white before a doubled image, else (W - w) / 16; 0 otherwise.
void ApplyImagePlacement(FaxConverterState& state, uint64_t imageWidth);

// The converter's raster holds this many bytes; image bytes beyond it are dropped.
inline constexpr size_t kRasterBytes = 4096;

// Copies `length` bytes of an image row (set bit = black) into the raster
// after the centre offset, dropping what passes the raster's end.
void PlaceRow(const FaxConverterState& state, const uint8_t* row, size_t length, uint8_t* raster);

// Mask of the bits of the last row byte that hold pixels, for an image
// `width` pixels wide: FF, 80, C0, ... FE for width mod 8 = 0 .. 7.
inline uint8_t LastByteMask(uint64_t width) {
  const unsigned rest = static_cast<unsigned>(width % 8);
  return rest == 0 ? 0xFF : static_cast<uint8_t>(0xFF00 >> rest);
}

}  // namespace telvane
