// The derived T.4 decoding tables: every listed code, followed by any bits,
// is decoded by one lookup to its own run and length.
#include <gtest/gtest.h>

#include <random>

#include "t4_tables.h"

namespace telvane {
namespace {

using namespace t4;

struct Listed {
  Code code;
  uint8_t action;
  uint16_t run;
};

std::vector<Listed> CodesOf(int colour) {
  std::vector<Listed> out;
  const Code* term = colour ? kBlackTerminating : kWhiteTerminating;
  const Code* makeup = colour ? kBlackMakeup : kWhiteMakeup;
  for (int i = 0; i < 64; ++i) out.push_back({term[i], kTerminating, static_cast<uint16_t>(i)});
  for (int i = 0; i < kMakeupCount; ++i) out.push_back({makeup[i], kMakeup, static_cast<uint16_t>(64 * (i + 1))});
  for (int i = 0; i < kExtendedMakeupCount; ++i) {
    out.push_back({kExtendedMakeup[i], kMakeup, static_cast<uint16_t>(1792 + 64 * i)});
  }
  out.push_back({kEol, kEndOfLine, 0});
  return out;
}

uint32_t Reversed(Code code) {
  uint32_t r = 0;
  for (int i = 0; i < code.length; ++i) r |= ((code.bits >> i) & 1u) << (code.length - 1 - i);
  return r;
}

TEST(T4Tables, EveryCodeDecodesInOneLookupWhateverFollows) {
  std::mt19937 rng(1);
  for (int colour = 0; colour < 2; ++colour) {
    const int bits = colour ? kBlackBits : kWhiteBits;
    const DecodeEntry* table = colour ? kBlackDecode.data() : kWhiteDecode.data();
    for (const Listed& listed : CodesOf(colour)) {
      for (int trial = 0; trial < 16; ++trial) {
        const uint32_t index = (Reversed(listed.code) | (rng() << listed.code.length)) & ((1u << bits) - 1);
        const DecodeEntry& e = table[index];
        EXPECT_EQ(e.Action(), listed.action) << colour << " run " << listed.run;
        EXPECT_EQ(e.Width(), listed.code.length) << colour << " run " << listed.run;
        if (listed.action != kEndOfLine) EXPECT_EQ(e.Value(), listed.run) << colour;
      }
    }
  }
}

TEST(T4Tables, ZeroRunsAreFillOrBadCodes) {
  // Eight to ten zeros and a 1 is no code; eleven or more is an EOL; a window
  // of zeros only is EOL fill still going on.
  for (int colour = 0; colour < 2; ++colour) {
    const int bits = colour ? kBlackBits : kWhiteBits;
    const DecodeEntry* table = colour ? kBlackDecode.data() : kWhiteDecode.data();
    for (int zeros = 8; zeros < bits; ++zeros) {
      const DecodeEntry& e = table[1u << zeros];
      EXPECT_EQ(e.Action(), zeros >= kEolZeros ? kEndOfLine : kBadCode) << colour << " " << zeros;
      EXPECT_EQ(e.Width(), static_cast<unsigned>(zeros + 1));
    }
    EXPECT_EQ(table[0].Action(), kFill);
    EXPECT_EQ(table[0].Width(), static_cast<unsigned>(bits));
  }
}

}  // namespace
}  // namespace telvane
