// Table-driven T.4 two-dimensional decoder. A line is decoded into its list
// of changing elements: one lookup of the next 7 bits gives the mode, one of
// the next 12 or 13 bits a run of a horizontal or one-dimensional code. The
// good line's list is the reference for the next line; the line is drawn
// from it a span at a time.
#include "faxdoc/t4_mr_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faxdoc/bit_io.h"
#include "faxdoc/t4_changes.h"
#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_tables.h"
#include "faxdoc/t4_tables.h"

namespace telvane {
namespace {

// Zero bytes after the copied data: reads run at most a few codes past its
// end before they fail, and every read loads 8 bytes.
constexpr size_t kPadBytes = 64;
// EOLs in a row, nothing between them, that end a page (RTC has six).
constexpr int kPageEndEols = 3;

}  // namespace

// Bit reader over the padded copy of the data, first bit lowest. The bits
// not yet decoded sit in a 64-bit accumulator, refilled a word at a time, so
// that decoding a code waits on a table lookup only. Reading goes on into
// the zero padding; Exhausted() tells when the data proper has been used up.
class MrDecoder::Reader {
 public:
  Reader(const uint8_t* data, size_t bytes) : base_(data), next_(data), total_(bytes * 8) {}

  // At least 32 bits ready in the accumulator: enough for any code.
  void Fill() {
    if (bits_ < 32) Refill();
  }
  // At least 56 bits ready.
  void Refill() {
    {
      // Bits above `bits_` may already hold the following bits of the
      // stream; ORing the same bytes in again later leaves them as they are.
      acc_ |= LoadLe64(next_) << bits_;
      next_ += (63 - bits_) >> 3;
      bits_ |= 56;
    }
  }
  // The next bits: at least 32 after a Fill(), enough for any code.
  uint64_t Peek() const { return acc_; }
  void Skip(unsigned bits) {
    acc_ >>= bits;
    bits_ -= bits;
  }
  uint64_t Position() const { return static_cast<uint64_t>(next_ - base_) * 8 - bits_; }
  bool Exhausted() const { return Position() >= total_; }
  bool Overrun() const { return Position() > total_; }

  // Zero bits from here on, up to 56.
  unsigned Zeros() {
    if (bits_ < 56) Refill();
    return static_cast<unsigned>(std::countr_zero(acc_ | (uint64_t{1} << 56)));
  }

  // Skips fill and one EOL if they come next: 11 or more zeros and a 1.
  // Leaves the position unchanged when they do not.
  bool TakeEol() {
    const Reader start = *this;
    unsigned zeros = 0;
    while (!Exhausted()) {
      const unsigned z = Zeros();
      zeros += z;
      Skip(z);
      if (z < 56) break;
    }
    if (zeros >= static_cast<unsigned>(t4::kEolZeros) && !Exhausted()) {
      Skip(1);
      return true;
    }
    *this = start;
    return false;
  }

  // True when nothing but zero fill is left; skips it.
  bool OnlyFillLeft() {
    while (!Exhausted()) {
      if (Zeros() < 56) return false;
      Skip(56);
    }
    return true;
  }

  // Moves to just after the next EOL; false when there is none.
  bool FindEol() {
    while (!Exhausted()) {
      if (TakeEol()) return true;
      // Past the zeros that came before the next 1, and that 1.
      const unsigned z = Zeros();
      Skip(z < 56 ? z + 1 : z);
    }
    return false;
  }

  // Decodes one run of `colour` (makeup codes and a terminating code);
  // -1 for anything else or a run above `limit`.
  int Run(int colour, int limit) {
    const t4::DecodeEntry* table = colour ? t4::kBlackDecode.data() : t4::kWhiteDecode.data();
    const unsigned mask = colour ? (1u << t4::kBlackBits) - 1 : (1u << t4::kWhiteBits) - 1;
    int total = 0;
    for (;;) {
      Fill();
      const t4::DecodeEntry e = table[acc_ & mask];
      const unsigned value = e.Value();
      if (value > t4::DecodeEntry::kMaxRun) return -1;
      Skip(e.Width());
      total += static_cast<int>(value);
      if (value < 64) return total;
      if (total > limit || Overrun()) return -1;
    }
  }

 private:
  const uint8_t* base_;
  const uint8_t* next_;
  uint64_t total_;
  uint64_t acc_ = 0;
  unsigned bits_ = 0;
};

MrDecoder::MrDecoder(int width)
    : width_(std::max(width, 0)),
      ref_(ChangeListSize(width_)),
      cur_(ChangeListSize(width_)),
      row_(RowBytes() + 8) {}

bool MrDecoder::DecodeOneDim(Reader& in) {
  int32_t* cur = cur_.data();
  const int width = width_;
  // A line of zero-length runs only would never end: the list bounds it.
  const int limit = width + 1;
  int count = 0;
  int pos = 0;
  int colour = 0;
  while (true) {
    const int run = in.Run(colour, width);
    if (run < 0) return false;
    pos += run;
    if (pos > width) return false;
    if (pos == width) break;
    if (count == limit) return false;
    cur[count++] = pos;
    colour ^= 1;
  }
  curCount_ = count;
  return true;
}

bool MrDecoder::DecodeTwoDim(Reader& in) {
  int32_t* cur = cur_.data();
  const int32_t* ref = ref_.data();
  const int32_t width = width_;
  // Zero-length horizontal runs add changes without moving a0: the size of
  // the list bounds them.
  const int limit = width + 1;
  int count = 0;
  int32_t a0 = -1;
  int colour = 0;
  int bi = 0;
  while (a0 < width) {
    // b1: the first reference change right of a0 turning to the colour
    // opposite a0's (even indices turn to black); b2 the one after it.
    // bi keeps the parity of the colour: the search steps over the
    // changes to a0's colour.
    while (ref[bi] <= a0) bi += 2;
    in.Fill();
    const t4::MrModeEntry e = t4::kMrModeDecode[in.Peek() & ((1u << t4::kMrModeBits) - 1)];
    switch (e.mode) {
      case t4::MrMode::kVertical: {
        const int32_t a1 = ref[bi] + e.delta;
        if (a1 <= a0 || a1 > width) return false;
        in.Skip(e.width);
        a0 = a1;
        if (a1 < width) {
          if (count == limit) return false;
          cur[count++] = a1;
        }
        colour ^= 1;
        bi = bi > 0 ? bi - 1 : 1;
        break;
      }
      case t4::MrMode::kPass:
        in.Skip(e.width);
        a0 = ref[bi + 1];
        bi += 2;
        break;
      case t4::MrMode::kHorizontal: {
        in.Skip(e.width);
        const int r1 = in.Run(colour, width);
        if (r1 < 0) return false;
        const int r2 = in.Run(colour ^ 1, width);
        if (r2 < 0) return false;
        const int32_t a1 = std::max(a0, 0) + r1;
        const int32_t a2 = a1 + r2;
        if (a2 > width || count + 2 > limit) return false;
        if (a1 < width) cur[count++] = a1;
        if (a2 < width) cur[count++] = a2;
        a0 = a2;
        break;
      }
      default:
        return false;  // an EOL before the line is complete, or a mode we do not take
    }
    // Reading on into the zero padding ends in kZeros at once; a line whose
    // last code ran past the data is caught after the line.
  }
  curCount_ = count;
  return true;
}

void MrDecoder::DecodePage(const uint8_t* data, size_t length, const LineSink& sink) {
  lines_ = badLines_ = oneDimLines_ = 0;
  rtcSeen_ = false;
  padded_.assign(length + kPadBytes, 0);
  if (length) std::memcpy(padded_.data(), data, length);
  Reader in(padded_.data(), length);

  // The page starts white; the first line has a white reference too.
  refCount_ = 0;
  std::fill(ref_.begin(), ref_.end(), width_);
  std::memset(row_.data(), 0, row_.size());
  bool refGood = true;

  if (!in.FindEol()) return;
  int eols = 1;
  while (!in.Exhausted()) {
    in.Fill();
    const bool oneDim = (in.Peek() & 1) != 0;
    in.Skip(1);
    if (in.TakeEol()) {
      // An EOL straight after an EOL: no line between them.
      if (++eols == kPageEndEols) {
        rtcSeen_ = true;
        return;
      }
      continue;
    }
    if (in.Exhausted()) return;
    eols = 0;
    bool good = oneDim ? DecodeOneDim(in) : DecodeTwoDim(in);
    // A line ends with fill and the next EOL, or with the data.
    bool atEnd = false;
    if (good) {
      if (in.Overrun()) {
        good = false;
      } else if (in.TakeEol()) {
        eols = 1;
      } else {
        atEnd = in.OnlyFillLeft();
        good = atEnd;
      }
    }
    if (good) {
      if (oneDim) {
        ++oneDimLines_;
        refGood = true;
      }
      good = refGood;
    }
    ++lines_;
    if (good) {
      for (int i = curCount_; i < curCount_ + kChangeSentinels + 1; ++i) cur_[static_cast<size_t>(i)] = width_;
      cur_.swap(ref_);
      refCount_ = curCount_;
      DrawChanges(ref_.data(), refCount_, width_, row_.data());
    } else {
      ++badLines_;
      refGood = false;
    }
    sink(row_.data());
    if (atEnd) return;
    if (!good && eols == 0) {
      if (!in.FindEol()) return;
      eols = 1;
    }
  }
}

}  // namespace telvane
