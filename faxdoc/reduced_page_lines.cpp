// B4 pages reduced to A4 for the receivers that take only A4.
#include "faxdoc/reduced_page_lines.h"

#include <array>
#include <cstring>

#include "faxdoc/apf_format.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {
namespace {

// 32 wide pixels (4 bytes) become 27 reduced ones: 64 groups make a line.
constexpr int kGroupIn = 32;
constexpr int kGroupOut = 27;
static_assert(kWideWidth / kGroupIn * kGroupOut == kNormalWidth);

// kGroupBits[b][v]: the reduced pixels (bit 26 is the group's first) that
// byte `v` at byte `b` of a group blackens.
using GroupTable = std::array<std::array<std::uint32_t, 256>, 4>;

GroupTable MakeGroupTable() {
  GroupTable t{};
  for (int b = 0; b < 4; ++b)
    for (int v = 0; v < 256; ++v)
      for (int i = 0; i < 8; ++i)
        if (v & (0x80 >> i)) t[b][v] |= 1u << (kGroupOut - 1 - (b * 8 + i) * kGroupOut / kGroupIn);
  return t;
}

}  // namespace

void ReduceWideLine(const std::uint8_t* wide, std::uint8_t* reduced) {
  static const GroupTable table = MakeGroupTable();
  std::uint64_t acc = 0;  // reduced pixels not yet written, first in the highest bit used
  int bits = 0;
  std::size_t out = 0;
  for (int g = 0; g < kWideWidth / kGroupIn; ++g, wide += 4) {
    const std::uint32_t group = table[0][wide[0]] | table[1][wide[1]] | table[2][wide[2]] | table[3][wide[3]];
    acc = (acc << kGroupOut) | group;
    bits += kGroupOut;
    while (bits >= 8) {
      bits -= 8;
      reduced[out++] = static_cast<std::uint8_t>(acc >> bits);
    }
  }
}

ReducedWidePageLines::ReducedWidePageLines(std::unique_ptr<PageLines> widePage) : source_(std::move(widePage)) {}

void ReducedWidePageLines::TakeLine(const std::uint8_t* raster, std::size_t length) {
  std::uint8_t narrow[kNormalWidth / 8];
  if (length == kWideWidth / 8) {
    ReduceWideLine(raster, narrow);
    raster = narrow;
  } else if (length != kNormalWidth / 8) {
    return;
  }
  ready_.push_back(EncodeRasterLine(raster, kNormalWidth));
}

int ReducedWidePageLines::Next(std::vector<std::uint8_t>& line) {
  while (ready_.empty() && !sourceDone_) {
    const int rc = source_->Next(chunk_);
    if (rc < 0) return rc;
    if (rc == 0) {
      sourceDone_ = true;
      break;
    }
    sourceDone_ = decoder_.Feed(chunk_.data(), chunk_.size(),
                                [this](const std::uint8_t* raster, std::size_t length) { TakeLine(raster, length); });
  }
  if (!ready_.empty()) {
    line = std::move(ready_.front());
    ready_.pop_front();
    return 1;
  }
  if (endSent_) return 0;
  endSent_ = true;
  line.assign(std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  return 1;
}

}  // namespace telvane
