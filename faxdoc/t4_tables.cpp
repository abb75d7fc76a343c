// T.4 Modified Huffman code tables. The code lists are written as T.4 prints
// them; the output codes and the decoding tables are derived from them at
// compile time, so that the lists are the only place a code is spelt out.
#include "faxdoc/t4_tables.h"

#include <cstddef>

namespace telvane::t4 {
namespace {

// A code from its published bit string, first bit first.
consteval Code C(const char* text) {
  Code code{0, 0};
  for (const char* p = text; *p; ++p) {
    code.bits = static_cast<uint16_t>((code.bits << 1) | (*p == '1' ? 1 : 0));
    ++code.length;
  }
  return code;
}

}  // namespace

constexpr Code kWhiteTerminating[64] = {
    C("00110101"), C("000111"),   C("0111"),     C("1000"),     C("1011"),     C("1100"),
    C("1110"),     C("1111"),     C("10011"),    C("10100"),    C("00111"),    C("01000"),
    C("001000"),   C("000011"),   C("110100"),   C("110101"),   C("101010"),   C("101011"),
    C("0100111"),  C("0001100"),  C("0001000"),  C("0010111"),  C("0000011"),  C("0000100"),
    C("0101000"),  C("0101011"),  C("0010011"),  C("0100100"),  C("0011000"),  C("00000010"),
    C("00000011"), C("00011010"), C("00011011"), C("00010010"), C("00010011"), C("00010100"),
    C("00010101"), C("00010110"), C("00010111"), C("00101000"), C("00101001"), C("00101010"),
    C("00101011"), C("00101100"), C("00101101"), C("00000100"), C("00000101"), C("00001010"),
    C("00001011"), C("01010010"), C("01010011"), C("01010100"), C("01010101"), C("00100100"),
    C("00100101"), C("01011000"), C("01011001"), C("01011010"), C("01011011"), C("01001010"),
    C("01001011"), C("00110010"), C("00110011"), C("00110100"),
};

constexpr Code kBlackTerminating[64] = {
    C("0000110111"),   C("010"),          C("11"),           C("10"),
    C("011"),          C("0011"),         C("0010"),         C("00011"),
    C("000101"),       C("000100"),       C("0000100"),      C("0000101"),
    C("0000111"),      C("00000100"),     C("00000111"),     C("000011000"),
    C("0000010111"),   C("0000011000"),   C("0000001000"),   C("00001100111"),
    C("00001101000"),  C("00001101100"),  C("00000110111"),  C("00000101000"),
    C("00000010111"),  C("00000011000"),  C("000011001010"), C("000011001011"),
    C("000011001100"), C("000011001101"), C("000001101000"), C("000001101001"),
    C("000001101010"), C("000001101011"), C("000011010010"), C("000011010011"),
    C("000011010100"), C("000011010101"), C("000011010110"), C("000011010111"),
    C("000001101100"), C("000001101101"), C("000011011010"), C("000011011011"),
    C("000001010100"), C("000001010101"), C("000001010110"), C("000001010111"),
    C("000001100100"), C("000001100101"), C("000001010010"), C("000001010011"),
    C("000000100100"), C("000000110111"), C("000000111000"), C("000000100111"),
    C("000000101000"), C("000001011000"), C("000001011001"), C("000000101011"),
    C("000000101100"), C("000001011010"), C("000001100110"), C("000001100111"),
};

// Runs 64, 128, ... 1728.
constexpr Code kWhiteMakeup[kMakeupCount] = {
    C("11011"),     C("10010"),     C("010111"),    C("0110111"),   C("00110110"),
    C("00110111"),  C("01100100"),  C("01100101"),  C("01101000"),  C("01100111"),
    C("011001100"), C("011001101"), C("011010010"), C("011010011"), C("011010100"),
    C("011010101"), C("011010110"), C("011010111"), C("011011000"), C("011011001"),
    C("011011010"), C("011011011"), C("010011000"), C("010011001"), C("010011010"),
    C("011000"),    C("010011011"),
};

constexpr Code kBlackMakeup[kMakeupCount] = {
    C("0000001111"),    C("000011001000"),  C("000011001001"),  C("000001011011"),
    C("000000110011"),  C("000000110100"),  C("000000110101"),  C("0000001101100"),
    C("0000001101101"), C("0000001001010"), C("0000001001011"), C("0000001001100"),
    C("0000001001101"), C("0000001110010"), C("0000001110011"), C("0000001110100"),
    C("0000001110101"), C("0000001110110"), C("0000001110111"), C("0000001010010"),
    C("0000001010011"), C("0000001010100"), C("0000001010101"), C("0000001011010"),
    C("0000001011011"), C("0000001100100"), C("0000001100101"),
};

// Runs 1792, 1856, ... 2560, the same for both colours.
constexpr Code kExtendedMakeup[kExtendedMakeupCount] = {
    C("00000001000"),  C("00000001100"),  C("00000001101"),  C("000000010010"),
    C("000000010011"), C("000000010100"), C("000000010101"), C("000000010110"),
    C("000000010111"), C("000000011100"), C("000000011101"), C("000000011110"),
    C("000000011111"),
};

namespace {

constexpr OutCode Reverse(Code code) {
  uint16_t out = 0;
  for (int i = 0; i < code.length; ++i) {
    if (code.bits & (1u << i)) out = static_cast<uint16_t>(out | (1u << (code.length - 1 - i)));
  }
  return OutCode{out, code.length};
}

constexpr std::array<std::array<OutCode, 64>, 2> BuildOutTerminating() {
  std::array<std::array<OutCode, 64>, 2> out{};
  for (int i = 0; i < 64; ++i) {
    out[0][i] = Reverse(kWhiteTerminating[i]);
    out[1][i] = Reverse(kBlackTerminating[i]);
  }
  return out;
}

constexpr std::array<std::array<OutCode, kAllMakeupCount>, 2> BuildOutMakeup() {
  std::array<std::array<OutCode, kAllMakeupCount>, 2> out{};
  for (int i = 0; i < kMakeupCount; ++i) {
    out[0][i] = Reverse(kWhiteMakeup[i]);
    out[1][i] = Reverse(kBlackMakeup[i]);
  }
  for (int i = 0; i < kExtendedMakeupCount; ++i) {
    out[0][kMakeupCount + i] = Reverse(kExtendedMakeup[i]);
    out[1][kMakeupCount + i] = Reverse(kExtendedMakeup[i]);
  }
  return out;
}

// The code tree of one colour, built from the code lists. Leaves carry an
// action; the node reached by 11 zeros loops to itself on a further zero, so
// that any number of fill zeros may stand before the 1 that ends an EOL.
class CodeTree {
 public:
  static constexpr uint8_t kNoAction = 0xFF;

  constexpr explicit CodeTree(bool black) {
    nodes_[0] = Node{};
    count_ = 1;
    const Code* term = black ? kBlackTerminating : kWhiteTerminating;
    const Code* makeup = black ? kBlackMakeup : kWhiteMakeup;
    for (int i = 0; i < 64; ++i) Insert(term[i], kTerminating, static_cast<uint16_t>(i));
    for (int i = 0; i < kMakeupCount; ++i) Insert(makeup[i], kMakeup, static_cast<uint16_t>(64 * (i + 1)));
    for (int i = 0; i < kExtendedMakeupCount; ++i) {
      Insert(kExtendedMakeup[i], kMakeup, static_cast<uint16_t>(64 * (kMakeupCount + i + 1)));
    }
    Insert(kEol, kEndOfLine, 0);
    int fill = 0;
    for (int i = 0; i < kEolZeros; ++i) fill = nodes_[fill].child[0];
    fillNode_ = fill;
    nodes_[fill].child[0] = static_cast<int16_t>(fill);
  }

  // What the `bits` bits of `index` (first bit lowest) start with.
  constexpr DecodeEntry Lookup(unsigned index, int bits) const {
    int node = 0;
    for (int k = 0; k < bits; ++k) {
      const int next = nodes_[node].child[(index >> k) & 1];
      const unsigned width = static_cast<unsigned>(k + 1);
      if (next < 0) return DecodeEntry::Make(DecodeEntry::kBadMark, width);
      node = next;
      if (nodes_[node].action == kEndOfLine) return DecodeEntry::Make(DecodeEntry::kEolMark, width);
      if (nodes_[node].action != kNoAction) return DecodeEntry::Make(nodes_[node].run, width);
    }
    // Only a window of zeros leaves a code open: every code fits the window.
    if (node != fillNode_) throw "decode window shorter than the longest code";
    return DecodeEntry::Make(DecodeEntry::kFillMark, static_cast<unsigned>(bits));
  }

 private:
  struct Node {
    int16_t child[2] = {-1, -1};
    uint8_t action = kNoAction;
    uint16_t run = 0;
  };

  constexpr void Insert(Code code, uint8_t action, uint16_t run) {
    int node = 0;
    for (int k = code.length - 1; k >= 0; --k) {
      if (nodes_[node].action != kNoAction) throw "a code is a prefix of another";
      const int bit = (code.bits >> k) & 1;
      if (nodes_[node].child[bit] < 0) {
        nodes_[count_] = Node{};
        nodes_[node].child[bit] = static_cast<int16_t>(count_++);
      }
      node = nodes_[node].child[bit];
    }
    if (nodes_[node].action != kNoAction || nodes_[node].child[0] >= 0 || nodes_[node].child[1] >= 0) {
      throw "a code is a prefix of another";
    }
    nodes_[node].action = action;
    nodes_[node].run = run;
  }

  Node nodes_[1024]{};
  int count_ = 0;
  int fillNode_ = 0;
};

template <int Bits>
constexpr std::array<DecodeEntry, (1 << Bits)> BuildDecode(bool black) {
  const CodeTree tree(black);
  std::array<DecodeEntry, (1 << Bits)> table{};
  for (unsigned i = 0; i < table.size(); ++i) table[i] = tree.Lookup(i, Bits);
  return table;
}

}  // namespace

constexpr std::array<std::array<OutCode, 64>, 2> kOutTerminating = BuildOutTerminating();
constexpr std::array<std::array<OutCode, kAllMakeupCount>, 2> kOutMakeup = BuildOutMakeup();
constexpr std::array<DecodeEntry, 1 << kWhiteBits> kWhiteDecode = BuildDecode<kWhiteBits>(false);
constexpr std::array<DecodeEntry, 1 << kBlackBits> kBlackDecode = BuildDecode<kBlackBits>(true);

}  // namespace telvane::t4
