// The memory image the unpacker collects its lines in, and the line sources
// the image writers read: the collected lines trimmed to their widest
// non-white byte, or a copy of them stretched by the scale factors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "faxdoc/bitmap.h"

namespace telvane {

// Lines of a 1-bit image, each BytesPerLine() bytes, MSB first.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual size_t LineCount() const = 0;
  virtual size_t BytesPerLine() const = 0;
  virtual const uint8_t* Line(size_t index) const = 0;
};

class MemoryImage final : public LineSource {
 public:
  // Each line is kept in a slot of this size; storage grows by whole blocks
  // of kBlockLines slots (256 KB), never line by line.
  static constexpr size_t kSlotBytes = 256;
  static constexpr size_t kBlockLines = 1024;

  // Forgets earlier lines and takes the first block. With `invert` the lines
  // arrive in bitmap polarity, where white is a set bit (0xFF bytes).
  // 0, or -8 when the storage cannot be had.
  int Start(bool invert);
  // Keeps one line of `length` bytes (at most kSlotBytes; more are cut).
  // Null `data` stands for an all-white line of that length. 0 or -8.
  int AddLine(const uint8_t* data, size_t length);
  // Fixes the image width: up to the last byte that is not white in any
  // line, rounded up to an even count. An image whose lines are all white
  // keeps the length of its longest line, so that a blank page stays a
  // blank page of its real size rather than vanishing.
  void Finish();

  size_t LineCount() const override { return lines_; }
  size_t BytesPerLine() const override { return width_; }
  const uint8_t* Line(size_t index) const override {
    return blocks_[index / kBlockLines].get() + (index % kBlockLines) * kSlotBytes;
  }
  bool Empty() const { return lines_ == 0 || width_ == 0; }
  uint8_t WhiteByte() const { return white_; }

 private:
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  size_t lines_ = 0;
  size_t width_ = 0;    // bytes up to the last non-white byte seen (even after Finish)
  size_t longest_ = 0;  // longest line added, white or not
  uint8_t white_ = 0;
};

// Lines held in one buffer, as the stretched copy of an image.
class RasterBuffer final : public LineSource {
 public:
  RasterBuffer() = default;
  RasterBuffer(size_t lines, size_t bytesPerLine, uint8_t fill)
      : lines_(lines), stride_(bytesPerLine), bits_(lines * bytesPerLine, fill) {}
  size_t LineCount() const override { return lines_; }
  size_t BytesPerLine() const override { return stride_; }
  const uint8_t* Line(size_t index) const override { return bits_.data() + index * stride_; }
  uint8_t* MutableLine(size_t index) { return bits_.data() + index * stride_; }

 private:
  size_t lines_ = 0;
  size_t stride_ = 0;
  std::vector<uint8_t> bits_;
};

// Scale factors; a multiplier equal to its divisor leaves that direction alone.
struct ScaleFactors {
  unsigned HorizMult = 1, HorizDiv = 1, VertMult = 1, VertDiv = 1;
  bool Identity() const { return HorizMult == HorizDiv && VertMult == VertDiv; }
};

// Size of `source` (BytesPerLine × 8 pixels wide) stretched by `scale`:
// width × mult / div in each direction, at least 1 pixel. 0, or -8005 when
// the result would be larger than any bitmap this program makes.
int StretchedSize(const LineSource& source, const ScaleFactors& scale, int& width, int& height);

// Copies the pixels of `source` into `width` × `height` pixels of `rows`
// (`stride` bytes apart) by nearest pixel; bits right of `width` in the last
// byte of each row are set when `padSet`, cleared otherwise.
void StretchInto(const LineSource& source, int width, int height, uint8_t* rows, size_t stride, bool padSet);

// A monochrome bitmap of the image's lines, stretched when `scale` asks for
// it. The lines must be in bitmap polarity (set bit = white). Throws
// EFaxError -8005 for a size no bitmap can have, -8 when memory runs out.
Bitmap MakeBitmap(const LineSource& source, const ScaleFactors& scale);

// The image's lines stretched by `scale`, padding white (clear bits, fax
// polarity), rows rounded up to whole 16-bit words. Throws as MakeBitmap.
RasterBuffer StretchLines(const LineSource& source, const ScaleFactors& scale);

}  // namespace telvane
