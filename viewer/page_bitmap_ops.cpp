#include "viewer/page_bitmap_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace telvane {
namespace {

inline bool IsBlack(const uint8_t* row, int x) { return !(row[x >> 3] & (0x80 >> (x & 7))); }
inline void SetBlack(uint8_t* row, int x) { row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7))); }

// Calls f(x) for every black pixel of the first `width` pixels of `row`;
// all-white bytes, the bulk of a fax page, are passed over whole.
template <typename F>
void ForEachBlack(const uint8_t* row, int width, F&& f) {
  const int bytes = (width + 7) / 8;
  for (int b = 0; b < bytes; ++b) {
    const uint8_t v = row[b];
    if (v == 0xFF) continue;
    const int end = std::min(width, b * 8 + 8);
    for (int x = b * 8; x < end; ++x)
      if (!(v & (0x80 >> (x & 7)))) f(x);
  }
}

}  // namespace

Bitmap TurnBitmap(const Bitmap& source, int quarterTurns) {
  const int w = source.Width(), h = source.Height();
  switch (quarterTurns & 3) {
    case 0:
      return source;
    case 1: {
      // Source row r becomes destination column h-1-r, column c row c.
      Bitmap out(Bitmap::Format::Mono, h, w);
      for (int r = 0; r < h; ++r) ForEachBlack(source.Row(r), w, [&](int c) { SetBlack(out.Row(c), h - 1 - r); });
      return out;
    }
    case 2: {
      Bitmap out(Bitmap::Format::Mono, w, h);
      for (int r = 0; r < h; ++r) {
        uint8_t* dst = out.Row(h - 1 - r);
        ForEachBlack(source.Row(r), w, [&](int c) { SetBlack(dst, w - 1 - c); });
      }
      return out;
    }
    default: {
      // Source row r becomes destination column r, column c row w-1-c.
      Bitmap out(Bitmap::Format::Mono, h, w);
      for (int r = 0; r < h; ++r) ForEachBlack(source.Row(r), w, [&](int c) { SetBlack(out.Row(w - 1 - c), r); });
      return out;
    }
  }
}

int ScaledLength(int length, uint32_t mult, uint32_t div) {
  return static_cast<int>(static_cast<uint64_t>(length) * mult / div);
}

void StretchMonoInto(const Bitmap& source, const DisplayScale& scale, int width, int height, uint8_t* dst,
                     size_t stride) {
  const int sw = source.Width(), sh = source.Height();
  // Source span [x0[i], x1[i]) of each destination column.
  std::vector<int> x0(width), x1(width);
  for (int x = 0; x < width; ++x) {
    const int a = std::min<int>(sw - 1, static_cast<int>(uint64_t(x) * scale.HorizDiv / scale.HorizMult));
    const int b = static_cast<int>(uint64_t(x + 1) * scale.HorizDiv / scale.HorizMult);
    x0[x] = a;
    x1[x] = std::clamp(b, a + 1, sw);
  }
  std::vector<uint8_t> merged(source.BytesPerRow());
  int lastY0 = -1, lastY1 = -1;
  uint8_t* previous = nullptr;
  for (int y = 0; y < height; ++y) {
    uint8_t* out = dst + static_cast<size_t>(y) * stride;
    const int y0 = std::min<int>(sh - 1, static_cast<int>(uint64_t(y) * scale.VertDiv / scale.VertMult));
    const int y1 = std::clamp(static_cast<int>(uint64_t(y + 1) * scale.VertDiv / scale.VertMult), y0 + 1, sh);
    if (previous && y0 == lastY0 && y1 == lastY1) {  // an enlarged row repeats the one above
      std::memcpy(out, previous, stride);
      continue;
    }
    // A black pixel in any of the covered rows makes the merged pixel black.
    std::memcpy(merged.data(), source.Row(y0), merged.size());
    for (int r = y0 + 1; r < y1; ++r) {
      const uint8_t* row = source.Row(r);
      for (size_t i = 0; i < merged.size(); ++i) merged[i] &= row[i];
    }
    std::memset(out, 0xFF, stride);
    for (int x = 0; x < width; ++x) {
      const int a = x0[x];
      if (merged[a >> 3] == 0xFF && x1[x] - a == 1) continue;
      for (int s = a; s < x1[x]; ++s)
        if (IsBlack(merged.data(), s)) {
          SetBlack(out, x);
          break;
        }
    }
    previous = out;
    lastY0 = y0;
    lastY1 = y1;
  }
}

}  // namespace telvane
