#include "faxdoc/bitmap.h"

#include <cstring>
#include <stdexcept>

namespace telvane {

size_t MonoBytesPerRow(int width) { return (static_cast<size_t>(width) + 15) / 16 * 2; }

Bitmap::Bitmap(Format format, int width, int height) : format_(format) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
  width_ = width;
  height_ = height;
  bytesPerRow_ = format == Format::Mono ? MonoBytesPerRow(width) : static_cast<size_t>(width) * 4;
  bits_.assign(bytesPerRow_ * static_cast<size_t>(height), 0xFF);
}

RgbColor Bitmap::Pixel(int x, int y) const {
  const uint8_t* row = Row(y);
  if (format_ == Format::Mono) {
    const bool white = row[x >> 3] & (0x80 >> (x & 7));
    return white ? RgbColor{255, 255, 255} : RgbColor{0, 0, 0};
  }
  const uint8_t* p = row + static_cast<size_t>(x) * 4;
  uint32_t word;
  std::memcpy(&word, p, 4);
  return RgbColor{static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
}

void Bitmap::SetPixel(int x, int y, RgbColor color) {
  uint8_t* row = Row(y);
  if (format_ == Format::Mono) {
    const uint8_t mask = 0x80 >> (x & 7);
    if (color == RgbColor{0, 0, 0})
      row[x >> 3] &= static_cast<uint8_t>(~mask);
    else
      row[x >> 3] |= mask;
    return;
  }
  const uint32_t word = 0xFF000000u | (uint32_t{color.red} << 16) | (uint32_t{color.green} << 8) | color.blue;
  std::memcpy(row + static_cast<size_t>(x) * 4, &word, 4);
}

}  // namespace telvane
