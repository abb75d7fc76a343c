// Table-driven T.4 Modified Huffman decoder. One table lookup on the next
// 12 (white) or 13 (black) bits decodes one code; black runs are filled a
// 64-bit word at a time; the bit accumulator lives in locals while decoding.
#include "faxdoc/t4_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faxdoc/bit_io.h"
#include "faxdoc/t4_tables.h"

namespace telvane {
namespace {

// Line lengths in whole bytes that are delivered: 1728 and 2048 pixels.
constexpr unsigned kNormalLineBytes = 216;
constexpr unsigned kWideLineBytes = 256;
// A run that would take the line to 512 bytes is ignored.
constexpr unsigned kLineBits = MhDecoder::kLineBytes * 8;
// EOLs in a row that end a page (the end-of-page record holds seven).
constexpr unsigned kPageEndEols = 3;

// Sets `run` (> 0) pixels from bit `pos` on; the line has 8 spare bytes.
inline void FillBlack(uint8_t* line, unsigned pos, unsigned run) {
  uint8_t* p = line + (pos >> 3);
  const unsigned shift = pos & 7;
  if (shift + run <= 64) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    uint64_t mask = (~uint64_t{0} << (64 - run)) >> shift;  // pixels in raster (big-endian) order
    if constexpr (std::endian::native == std::endian::little) mask = __builtin_bswap64(mask);
    word |= mask;
    std::memcpy(p, &word, 8);
    return;
  }
  *p++ |= static_cast<uint8_t>(0xFF >> shift);
  unsigned left = run - (8 - shift);
  std::memset(p, 0xFF, left >> 3);
  p += left >> 3;
  if (left & 7) *p |= static_cast<uint8_t>(0xFF00 >> (left & 7));
}

}  // namespace

MhDecoder::MhDecoder() {
  std::memset(line_, 0, sizeof line_);
  Reset();
}

void MhDecoder::Reset() {
  pageEnded_ = false;
  badCodes_ = 0;
  linesDelivered_ = 0;
  acc_ = 0;
  accBits_ = 0;
  bytesTaken_ = 0;
  mode_ = Mode::kCode;
  colour_ = 0;
  accepted_ = false;
  runInLine_ = false;
  eolCount_ = 0;
  bitPos_ = 0;
  std::memset(line_, 0, dirtyBytes_);
  dirtyBytes_ = 0;
}

bool MhDecoder::Feed(const uint8_t* data, size_t length, const LineSink& sink) {
  if (pageEnded_) return true;

  const uint8_t* in = data;
  const uint8_t* const end = data + length;
  uint64_t acc = acc_;
  unsigned bits = accBits_;  // never above 63
  unsigned pos = bitPos_;
  int colour = colour_;
  Mode mode = mode_;
  bool accepted = accepted_;
  bool runInLine = runInLine_;
  unsigned eolCount = eolCount_;
  unsigned dirty = dirtyBytes_;
  bool ended = false;
  uint8_t* const line = line_;

  // The code table of the current colour.
  const t4::DecodeEntry* table = nullptr;
  unsigned mask = 0;
  const auto setColour = [&](int c) {
    colour = c;
    table = c ? t4::kBlackDecode.data() : t4::kWhiteDecode.data();
    mask = c ? (1u << t4::kBlackBits) - 1 : (1u << t4::kWhiteBits) - 1;
  };
  setColour(colour);

  // EOL: the line decoded since the previous EOL is delivered when it came
  // to a whole 1728 or 2048 pixels (up to 7 pixels over are cut off), and
  // dropped otherwise; codes count from the first EOL of the page on.
  const auto endOfLine = [&] {
    const unsigned bytes = pos >> 3;
    if (runInLine && (bytes == kNormalLineBytes || bytes == kWideLineBytes)) {
      ++linesDelivered_;
      sink(line, bytes);
    }
    std::memset(line, 0, dirty);
    dirty = 0;
    pos = 0;
    setColour(0);
    runInLine = false;
    accepted = true;
    if (++eolCount == kPageEndEols) ended = true;
  };

  for (;;) {
    if (bits < 16) {
      // Bits above `bits` may already hold the following stream bits; ORing
      // the same bytes in again later leaves them as they are.
      if (end - in >= 8) {
        acc |= LoadLe64(in) << bits;
        const unsigned take = (63 - bits) >> 3;
        in += take;
        bits += take * 8;
      } else {
        while (bits < 56 && in < end) {
          acc |= static_cast<uint64_t>(*in++) << bits;
          bits += 8;
        }
      }
    }

    if (mode == Mode::kCode) {
      const t4::DecodeEntry e = table[acc & mask];
      const unsigned width = e.Width();
      // Codes are at most 13 bits, so a short read means the input is used up.
      if (width > bits) break;
      acc >>= width;
      bits -= width;
      const unsigned value = e.Value();
      if (value <= t4::DecodeEntry::kMaxRun) {
        // A run code. Runs before the first EOL of the page (a page that
        // starts mid-line) are ignored altogether.
        if (accepted) {
          if (pos + value < kLineBits) {
            if (colour && value) {
              FillBlack(line, pos, value);
              dirty = std::max(dirty, (pos + value + 7) >> 3);
            }
            pos += value;
          }
          if (value < 64) setColour(colour ^ 1);  // a terminating code
          eolCount = 0;
          runInLine = true;
        }
      } else if (value == t4::DecodeEntry::kEolMark) {
        endOfLine();
        if (ended) break;
      } else if (value == t4::DecodeEntry::kBadMark) {
        ++badCodes_;
        mode = Mode::kSkipOnes;
      } else {
        mode = Mode::kFill;
      }
    } else if (mode == Mode::kFill) {
      // Any number of further zeros; the next 1 completes the EOL.
      const unsigned zeros = static_cast<unsigned>(std::countr_zero(acc));
      if (zeros < bits) {
        acc >>= zeros + 1;
        bits -= zeros + 1;
        mode = Mode::kCode;
        endOfLine();
        if (ended) break;
      } else {
        acc >>= bits;
        bits = 0;
        if (in == end) break;
      }
    } else {
      const unsigned ones = static_cast<unsigned>(std::countr_one(acc));
      if (ones < bits) {
        acc >>= ones;
        bits -= ones;
        mode = Mode::kCode;
      } else {
        acc >>= bits;
        bits = 0;
        if (in == end) break;
      }
    }
  }

  bytesTaken_ += static_cast<uint64_t>(in - data);
  acc_ = acc;
  accBits_ = bits;
  bitPos_ = pos;
  colour_ = colour;
  mode_ = mode;
  accepted_ = accepted;
  runInLine_ = runInLine;
  eolCount_ = eolCount;
  dirtyBytes_ = dirty;
  pageEnded_ = ended;
  return ended;
}

}  // namespace telvane
