// Bit-by-bit reference decoder and stream builder for the T.4 codec tests.
#include "tests/faxdoc/t4_reference.h"

#include <algorithm>
#include <stdexcept>

#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_tables.h"

namespace telvane::test {
namespace {

constexpr int kEolZeros = 11;

}  // namespace

std::string CodeString(uint16_t bits, int length) {
  std::string s;
  for (int k = length - 1; k >= 0; --k) s += ((bits >> k) & 1) ? '1' : '0';
  return s;
}

ReferenceDecoder::ReferenceDecoder() {
  for (int colour = 0; colour < 2; ++colour) {
    std::vector<Node>& tree = trees_[colour];
    tree.assign(1, Node{});
    const auto insert = [&tree](const t4::Code& code, int kind, int run) {
      int node = 0;
      for (char c : CodeString(code.bits, code.length)) {
        const int bit = c == '1';
        if (tree[node].child[bit] < 0) {
          tree[node].child[bit] = static_cast<int>(tree.size());
          tree.push_back(Node{});
        }
        node = tree[node].child[bit];
      }
      tree[node].kind = kind;
      tree[node].run = run;
    };
    const t4::Code* term = colour ? t4::kBlackTerminating : t4::kWhiteTerminating;
    const t4::Code* makeup = colour ? t4::kBlackMakeup : t4::kWhiteMakeup;
    for (int i = 0; i < 64; ++i) insert(term[i], kTerminating, i);
    for (int i = 0; i < t4::kMakeupCount; ++i) insert(makeup[i], kMakeup, 64 * (i + 1));
    for (int i = 0; i < t4::kExtendedMakeupCount; ++i) insert(t4::kExtendedMakeup[i], kMakeup, 1792 + 64 * i);
    insert(t4::kEol, kEol, 0);
    // Fill: further zeros before the 1 of an EOL keep the walk where it is.
    int node = 0;
    for (int i = 0; i < kEolZeros; ++i) node = tree[node].child[0];
    tree[node].child[0] = node;
  }
}

void ReferenceDecoder::Feed(const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    for (int k = 0; k < 8; ++k) Bit((data[i] >> k) & 1);
  }
}

void ReferenceDecoder::Bit(int bit) {
  if (ended_) return;
  ++bitsTaken_;
  if (skipping_) {
    if (bit == 1) return;
    skipping_ = false;  // this 0 starts the next code
  }
  const int next = trees_[colour_][node_].child[bit];
  if (next < 0) {
    ++badCodes_;
    node_ = 0;
    skipping_ = true;
    return;
  }
  node_ = next;
  const Node& n = trees_[colour_][node_];
  if (n.kind < 0) return;
  node_ = 0;
  if (n.kind == kEol) {
    EndOfLine();
  } else {
    Run(n.run, n.kind == kTerminating);
  }
}

void ReferenceDecoder::EndOfLine() {
  const int bytes = bitPos_ / 8;
  if (runInLine_ && (bytes == 216 || bytes == 256)) lines_.emplace_back(line_, line_ + bytes);
  std::fill(std::begin(line_), std::end(line_), 0);
  colour_ = 0;
  bitPos_ = 0;
  runInLine_ = false;
  accepted_ = true;
  if (++eols_ == 3) {
    ended_ = true;
    endBit_ = bitsTaken_;
  }
}

void ReferenceDecoder::Run(int run, bool terminating) {
  if (!accepted_) return;
  if (bitPos_ + run < 4096) {
    for (int i = 0; i < run; ++i, ++bitPos_) {
      if (colour_) line_[bitPos_ / 8] |= static_cast<uint8_t>(0x80 >> (bitPos_ % 8));
    }
  }
  if (terminating) colour_ ^= 1;
  eols_ = 0;
  runInLine_ = true;
}

BitStream& BitStream::Put(const std::string& bits) {
  for (char c : bits) {
    if (c != '0' && c != '1') throw std::invalid_argument("bit string: " + bits);
    if (bits_ % 8 == 0) data_.push_back(0);
    if (c == '1') data_.back() |= static_cast<uint8_t>(1u << (bits_ % 8));
    ++bits_;
  }
  return *this;
}

BitStream& BitStream::ByteAlign() {
  while (bits_ % 8) Put("0");
  return *this;
}

BitStream& BitStream::Bytes(const std::vector<uint8_t>& bytes) {
  ByteAlign();
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  bits_ += 8 * bytes.size();
  return *this;
}

static void PutRunCodes(BitStream& s, int run, bool black) {
  const t4::Code* term = black ? t4::kBlackTerminating : t4::kWhiteTerminating;
  const t4::Code* makeup = black ? t4::kBlackMakeup : t4::kWhiteMakeup;
  if (run >= 64) {
    const int index = run / 64 - 1;
    const t4::Code& m = index < t4::kMakeupCount ? makeup[index] : t4::kExtendedMakeup[index - t4::kMakeupCount];
    s.Put(CodeString(m.bits, m.length));
  }
  s.Put(CodeString(term[run % 64].bits, term[run % 64].length));
}

BitStream& BitStream::WhiteRun(int run) {
  PutRunCodes(*this, run, false);
  return *this;
}

BitStream& BitStream::BlackRun(int run) {
  PutRunCodes(*this, run, true);
  return *this;
}

Line RasterFromRuns(const std::vector<int>& runs, int width) {
  Line line((width + 7) / 8, 0);
  int pos = 0;
  bool black = false;
  for (int run : runs) {
    for (int i = 0; i < run && pos < width; ++i, ++pos) {
      if (black) line[pos / 8] |= static_cast<uint8_t>(0x80 >> (pos % 8));
    }
    black = !black;
  }
  return line;
}

DecodeResult DecodeAll(const std::vector<uint8_t>& stream) {
  DecodeResult result;
  MhDecoder decoder;
  result.ended = decoder.Feed(stream.data(), stream.size(), [&](const uint8_t* line, size_t length) {
    result.lines.emplace_back(line, line + length);
  });
  result.badCodes = decoder.BadCodes();
  result.endBit = decoder.BitsConsumed();
  return result;
}

}  // namespace telvane::test
