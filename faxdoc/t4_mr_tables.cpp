// T.4 two-dimensional mode codes. The codes are written as T.4 prints them;
// the output codes and the decoding table are derived at compile time.
#include "faxdoc/t4_mr_tables.h"

namespace telvane::t4 {
namespace {

// A code from its published bit string, first bit first, in output form
// (first bit in bit 0).
consteval OutCode C(const char* text) {
  OutCode code{0, 0};
  for (const char* p = text; *p; ++p) {
    if (*p == '1') code.bits = static_cast<uint16_t>(code.bits | (1u << code.length));
    ++code.length;
  }
  return code;
}

struct ModeCode {
  OutCode code;
  MrMode mode;
  int8_t delta;
};

constexpr ModeCode kModeCodes[] = {
    {C("0001"), MrMode::kPass, 0},         {C("001"), MrMode::kHorizontal, 0},
    {C("1"), MrMode::kVertical, 0},        {C("011"), MrMode::kVertical, 1},
    {C("000011"), MrMode::kVertical, 2},   {C("0000011"), MrMode::kVertical, 3},
    {C("010"), MrMode::kVertical, -1},     {C("000010"), MrMode::kVertical, -2},
    {C("0000010"), MrMode::kVertical, -3}, {C("0000001"), MrMode::kExtension, 0},
};

constexpr std::array<MrModeEntry, 1 << kMrModeBits> BuildModeDecode() {
  std::array<MrModeEntry, 1 << kMrModeBits> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    table[i] = MrModeEntry{MrMode::kZeros, 0, kMrModeBits};
    for (const ModeCode& m : kModeCodes) {
      const unsigned mask = (1u << m.code.length) - 1;
      if ((i & mask) == m.code.bits) table[i] = MrModeEntry{m.mode, m.delta, m.code.length};
    }
  }
  // Every index but the one of seven zeros starts with exactly one code.
  for (unsigned i = 1; i < table.size(); ++i) {
    if (table[i].mode == MrMode::kZeros) throw "mode codes do not cover every prefix";
  }
  return table;
}

}  // namespace

constexpr std::array<MrModeEntry, 1 << kMrModeBits> kMrModeDecode = BuildModeDecode();
constexpr OutCode kOutPass = kModeCodes[0].code;
constexpr OutCode kOutHorizontal = kModeCodes[1].code;
constexpr std::array<OutCode, 7> kOutVertical = {kModeCodes[8].code, kModeCodes[7].code, kModeCodes[6].code,
                                                 kModeCodes[2].code, kModeCodes[3].code, kModeCodes[4].code,
                                                 kModeCodes[5].code};

}  // namespace telvane::t4
