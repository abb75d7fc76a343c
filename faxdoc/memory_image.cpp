// Memory image of unpacked lines, and nearest-pixel stretching of it.
#include "faxdoc/memory_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

// Largest stretched image made: a side of 2^20 pixels, 1 GB of pixels. Far
// above any fax (a stacked 1000-page fax at 8 times is within), far below
// what would overflow the sizes.
constexpr uint64_t kMaxSide = uint64_t{1} << 20;
constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

}  // namespace

int MemoryImage::Start(bool invert) {
  white_ = invert ? 0xFF : 0x00;
  lines_ = 0;
  width_ = 0;
  longest_ = 0;
  try {
    // A run before may have left blocks: the first is kept, the rest given back.
    blocks_.resize(1);
    if (!blocks_[0]) blocks_[0] = std::make_unique_for_overwrite<uint8_t[]>(kSlotBytes * kBlockLines);
  } catch (const std::bad_alloc&) {
    blocks_.clear();
    return ecOutOfMemory;
  }
  return ecOK;
}

int MemoryImage::AddLine(const uint8_t* data, size_t length) {
  if (blocks_.empty()) return ecBadArgument;  // no Start
  if (lines_ != 0 && lines_ % kBlockLines == 0 && lines_ / kBlockLines == blocks_.size()) {
    try {
      blocks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(kSlotBytes * kBlockLines));
    } catch (const std::bad_alloc&) {
      return ecOutOfMemory;
    }
  }
  length = std::min(length, kSlotBytes);
  uint8_t* slot = blocks_[lines_ / kBlockLines].get() + (lines_ % kBlockLines) * kSlotBytes;
  size_t used = 0;
  if (data) {
    std::memcpy(slot, data, length);
    used = length;
    while (used > width_ && slot[used - 1] == white_) --used;
    width_ = std::max(width_, used);
  }
  // The rest of the slot is white: it becomes the padding once the width is known.
  std::memset(slot + used, white_, kSlotBytes - used);
  longest_ = std::max(longest_, length);
  ++lines_;
  return ecOK;
}

void MemoryImage::Finish() {
  if (lines_ == 0) {
    width_ = 0;
    return;
  }
  if (width_ == 0) width_ = longest_;
  width_ = (width_ + 1) & ~size_t{1};
}

int StretchedSize(const LineSource& source, const ScaleFactors& scale, int& width, int& height) {
  const uint64_t srcWidth = source.BytesPerLine() * 8;
  const uint64_t srcHeight = source.LineCount();
  const uint64_t w = std::max<uint64_t>(1, srcWidth * scale.HorizMult / std::max(1u, scale.HorizDiv));
  const uint64_t h = std::max<uint64_t>(1, srcHeight * scale.VertMult / std::max(1u, scale.VertDiv));
  if (w > kMaxSide || h > kMaxSide || (w + 15) / 16 * 2 * h > kMaxBytes) return ecBitmapCreateFailed;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return ecOK;
}

void StretchInto(const LineSource& source, int width, int height, uint8_t* rows, size_t stride, bool padSet) {
  const uint64_t srcWidth = source.BytesPerLine() * 8;
  const uint64_t srcHeight = source.LineCount();
  // Source pixel of every target column, worked out once.
  std::vector<uint32_t> column(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) column[x] = static_cast<uint32_t>(static_cast<uint64_t>(x) * srcWidth / width);
  const size_t used = (static_cast<size_t>(width) + 7) / 8;
  uint64_t lastSy = UINT64_MAX;
  for (int y = 0; y < height; ++y) {
    uint8_t* out = rows + static_cast<size_t>(y) * stride;
    const uint64_t sy = static_cast<uint64_t>(y) * srcHeight / height;
    if (sy == lastSy) {
      std::memcpy(out, out - stride, stride);
      continue;
    }
    lastSy = sy;
    const uint8_t* in = source.Line(sy);
    std::memset(out, 0, stride);
    for (int x = 0; x < width; ++x) {
      const uint32_t sx = column[x];
      if (in[sx >> 3] & (0x80 >> (sx & 7))) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    if (padSet) {
      if (width & 7) out[used - 1] |= static_cast<uint8_t>(0xFF >> (width & 7));
      std::memset(out + used, 0xFF, stride - used);
    }
  }
}

Bitmap MakeBitmap(const LineSource& source, const ScaleFactors& scale) {
  try {
    if (scale.Identity()) {
      const uint64_t bytes = source.BytesPerLine() * source.LineCount();
      if (source.BytesPerLine() * 8 > kMaxSide || source.LineCount() > kMaxSide || bytes > kMaxBytes)
        throw EFaxError(ecBitmapCreateFailed);
      Bitmap bitmap(Bitmap::Format::Mono, static_cast<int>(source.BytesPerLine() * 8),
                    static_cast<int>(source.LineCount()));
      // Source lines are an even number of bytes, the bitmap's row length.
      for (size_t y = 0; y < source.LineCount(); ++y)
        std::memcpy(bitmap.Row(static_cast<int>(y)), source.Line(y), source.BytesPerLine());
      return bitmap;
    }
    int width = 0, height = 0;
    RaiseError(StretchedSize(source, scale, width, height));
    Bitmap bitmap(Bitmap::Format::Mono, width, height);
    StretchInto(source, width, height, bitmap.Row(0), bitmap.BytesPerRow(), true);
    return bitmap;
  } catch (const std::bad_alloc&) {
    throw EFileError(ecOutOfMemory);
  }
}

RasterBuffer StretchLines(const LineSource& source, const ScaleFactors& scale) {
  int width = 0, height = 0;
  RaiseError(StretchedSize(source, scale, width, height));
  try {
    RasterBuffer out(static_cast<size_t>(height), MonoBytesPerRow(width), 0);
    StretchInto(source, width, height, out.MutableLine(0), out.BytesPerLine(), false);
    return out;
  } catch (const std::bad_alloc&) {
    throw EFileError(ecOutOfMemory);
  }
}

}  // namespace telvane
