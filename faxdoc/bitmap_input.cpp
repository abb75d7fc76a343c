// Delivers the rows of a bitmap object as raster lines: monochrome bits are
// copied and inverted, colour pixels go through a 32 x 32 threshold table.
#include "faxdoc/bitmap_input.h"

#include <algorithm>
#include <cstring>

#include "faxdoc/bmp_file.h"
#include "faxdoc/converter_engine.h"
#include "base/error_codes.h"
#include "faxdoc/image_placement.h"

namespace telvane {
namespace {

// The threshold table: 10 x f(a, b), where f interleaves the bits of
// a XOR b and of b, giving an ordered-dither pattern in which only fairly
// dark pixels turn black (no threshold exceeds 310).
struct ThresholdTable {
  std::array<std::array<int, 32>, 32> t{};
  ThresholdTable() {
    for (int a0 = 0; a0 < 32; ++a0) {
      for (int b0 = 0; b0 < 32; ++b0) {
        int a = a0, b = b0, v = 0;
        for (int i = 0; i < 4; ++i) {
          v = (2 * v) | (2 * ((a ^ b) & 1)) | (b & 1);
          a >>= 1;
          b >>= 1;
        }
        t[a0][b0] = 10 * v;
      }
    }
  }
};

const ThresholdTable& Thresholds() {
  static const ThresholdTable table;
  return table;
}

}  // namespace

int ColorThreshold(int x, int row) { return Thresholds().t[x & 31][(row - 1) & 31]; }

int BitmapInput::OpenBitmap(FaxConverterState& state) {
  if (bitmap_.IsNull()) return ecBadArgument;
  bytesPerRow_ = bitmap_.BytesPerRow();
  state.BytesRead = 0;
  state.BytesToRead = uint64_t{bytesPerRow_} * static_cast<uint64_t>(bitmap_.Height());
  ApplyImagePlacement(state, static_cast<uint64_t>(bitmap_.Width()));
  row_ = 0;
  return 0;
}

int BitmapInput::Open(FaxConverterState& state, const std::string&) { return OpenBitmap(state); }

int BmpInput::Open(FaxConverterState& state, const std::string& inputName) {
  if (int rc = LoadBmpFile(inputName, bitmap_)) return rc;
  return OpenBitmap(state);
}

void BitmapInput::Close(FaxConverterState&) { bitmap_ = Bitmap(); }

int BitmapInput::GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                               bool& morePages) {
  morePages = false;
  length = static_cast<size_t>(state.LineWidth) / 8;
  endOfPage = row_ >= bitmap_.Height();
  if (endOfPage) return 0;
  if (bitmap_.IsMono()) {
    // In the bitmap a set bit is white: copy, invert, and make every bit
    // right of the image white.
    const size_t offset = std::min<size_t>(state.CenterOffset, kRasterBytes);
    const size_t imageBytes = (static_cast<size_t>(bitmap_.Width()) + 7) / 8;
    const size_t n = std::min(imageBytes, kRasterBytes - offset);
    const uint8_t* src = bitmap_.Row(row_);
    uint8_t* dst = raster + offset;
    for (size_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
    if (n == imageBytes && n > 0) dst[n - 1] &= LastByteMask(static_cast<uint64_t>(bitmap_.Width()));
  } else if (int rc = ColorRow(state, raster)) {
    return rc;
  }
  ++row_;
  state.BytesRead += bytesPerRow_;
  return 0;
}

// A pixel is black when red + green + blue is below its threshold. A pure
// black pixel is black wherever it is: the table holds 0 at 4 of its 1024
// places, and black areas would get a grid of white dots there.
int BitmapInput::ColorRow(FaxConverterState& state, uint8_t* raster) {
  const auto& t = Thresholds().t;
  const int r = row_ & 31;  // rows count from 1 in the rule: (row - 1) mod 32
  const uint64_t firstBit = uint64_t{std::min<size_t>(state.CenterOffset, kRasterBytes)} * 8;
  const int width = static_cast<int>(std::min<uint64_t>(bitmap_.Width(), kRasterBytes * 8 - firstBit));
  const bool yield = (state.Flags & coYield) && state.Yield;
  const uint8_t* src = bitmap_.Row(row_);
  for (int x = 0; x < width; ++x) {
    uint32_t word;
    std::memcpy(&word, src + static_cast<size_t>(x) * 4, 4);
    const int sum = static_cast<int>(((word >> 16) & 0xFF) + ((word >> 8) & 0xFF) + (word & 0xFF));
    if (sum < t[x & 31][r] || sum == 0) {
      const uint64_t bit = firstBit + static_cast<uint64_t>(x);
      raster[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
    }
    // Colour images are slow: let the user interface breathe every 8 pixels.
    if (yield && (x & 7) == 7)
      if (int rc = state.Yield()) return rc;
  }
  return 0;
}

}  // namespace telvane
