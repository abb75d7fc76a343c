// In-memory bitmap objects: a monochrome form (1 bit per pixel) and a colour
// form (32-bit RGB). The monochrome form follows the bitmap convention the
// converter and unpacker are built around: a set bit is white, the first
// pixel is the most significant bit, and rows are padded to a 16-bit word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

struct RgbColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

class Bitmap {
 public:
  enum class Format { Mono, Rgb32 };

  // A null bitmap (no pixels); IsNull() is true.
  Bitmap() = default;
  // A white bitmap of the given size. Throws std::bad_alloc when the pixels
  // cannot be had, std::invalid_argument for a negative size.
  Bitmap(Format format, int width, int height);

  bool IsNull() const { return width_ == 0 || height_ == 0; }
  Format PixelFormat() const { return format_; }
  bool IsMono() const { return format_ == Format::Mono; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Mono: ceil(width / 16) * 2 bytes; Rgb32: width * 4 bytes (0x00RRGGBB words
  // in native byte order, as QImage::Format_RGB32 holds them).
  size_t BytesPerRow() const { return bytesPerRow_; }

  uint8_t* Row(int y) { return bits_.data() + static_cast<size_t>(y) * bytesPerRow_; }
  const uint8_t* Row(int y) const { return bits_.data() + static_cast<size_t>(y) * bytesPerRow_; }
  const std::vector<uint8_t>& Bits() const { return bits_; }

  // The colour of a pixel in either form (mono: set bit white, clear black).
  RgbColor Pixel(int x, int y) const;
  // Mono: any colour other than black sets the bit (white).
  void SetPixel(int x, int y, RgbColor color);

 private:
  Format format_ = Format::Mono;
  int width_ = 0;
  int height_ = 0;
  size_t bytesPerRow_ = 0;
  std::vector<uint8_t> bits_;
};

size_t MonoBytesPerRow(int width);

}  // namespace telvane
