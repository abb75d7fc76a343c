// T.4 two-dimensional coding. Both lines are turned into lists of changing
// elements first; the coder then walks the two lists, so its cost grows with
// the number of changes, not the width.
#include "faxdoc/t4_mr_encoder.h"

#include <algorithm>
#include <cstring>

#include "faxdoc/bit_io.h"
#include "faxdoc/t4_bit_sink.h"
#include "faxdoc/t4_changes.h"
#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_tables.h"
#include "faxdoc/t4_tables.h"

namespace telvane {
MrLineCoder::MrLineCoder(int width, int k)
    : width_(std::clamp(width, 0, kMaxRasterWidth)),
      k_(std::max(k, 1)),
      sinceOneDim_(0),
      ref_(ChangeListSize(width_)),
      cur_(ChangeListSize(width_)) {
  StartPage();
}

void MrLineCoder::StartPage() { sinceOneDim_ = k_; }

size_t MrLineCoder::EncodeLine(const uint8_t* raster, uint8_t* out, int minBytes) {
  const int32_t width = width_;
  const int count = FindChanges(raster, width, cur_.data());
  const bool oneDim = sinceOneDim_ >= k_;
  sinceOneDim_ = oneDim ? 1 : sinceOneDim_ + 1;

  // Byte-aligned EOL (00 80), then the tag bit.
  T4BitSink w{out, 0x8000 | (oneDim ? 0x10000u : 0u), 17};
  if (oneDim) {
    int32_t pos = 0;
    for (int i = 0; i < count; ++i) {
      w.PutRun(static_cast<unsigned>(cur_[i] - pos), i & 1);
      pos = cur_[i];
    }
    // The last run, up to the end of the line (a white one on an empty line).
    w.PutRun(static_cast<unsigned>(width - pos), count & 1);
  } else {
    const int32_t* cur = cur_.data();
    const int32_t* ref = ref_.data();
    int32_t a0 = -1;  // before the first pixel
    int colour = 0;   // of the pixels from a0 on
    int ci = 0;       // cur[ci] = a1, the first change right of a0
    int bi = 0;       // where the search for b1 starts
    while (a0 < width) {
      // b1: the first change on the reference line right of a0 that turns to
      // the colour opposite a0's (even indices turn to black).
      // bi keeps the parity of the colour: the search steps over the
      // changes to a0's colour.
      while (ref[bi] <= a0) bi += 2;
      const int32_t a1 = cur[ci];
      const int32_t b1 = ref[bi];
      const int32_t b2 = ref[bi + 1];
      if (b2 < a1) {
        w.Put(t4::kOutPass);
        a0 = b2;
        bi += 2;
      } else if (a1 - b1 <= 3 && b1 - a1 <= 3) {
        w.Put(t4::kOutVertical[static_cast<size_t>(a1 - b1 + 3)]);
        a0 = a1;
        colour ^= 1;
        ++ci;
        // With a1 left of b1, the change before b1 may be the next b1; the
        // step back also gives bi the parity of the new colour.
        bi = bi > 0 ? bi - 1 : 1;
      } else {
        const int32_t a2 = cur[ci + 1];
        w.Put(t4::kOutHorizontal);
        w.PutRun(static_cast<unsigned>(a1 - std::max(a0, 0)), colour);
        w.PutRun(static_cast<unsigned>(a2 - a1), colour ^ 1);
        a0 = a2;
        ci += 2;
      }
    }
  }
  // Zero fill: the accumulator holds nothing above its last code.
  StoreLe64(w.out, w.acc);
  lastBits_ = static_cast<size_t>(w.out - out) * 8 + w.bits;
  size_t length = (lastBits_ + 7) / 8;
  const size_t least = std::min(static_cast<size_t>(std::max(minBytes, 0)), kCodedLineMax);
  if (length < least) {
    std::memset(out + length, 0, least - length);
    length = least;
  }
  cur_.swap(ref_);
  return length;
}

std::vector<uint8_t> MrEndOfPage() {
  std::vector<uint8_t> out;
  for (int i = 0; i < 6; ++i) out.insert(out.end(), {0x00, 0x80, 0x01});
  return out;
}

}  // namespace telvane
