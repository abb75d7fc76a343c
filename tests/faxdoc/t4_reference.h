// Test helpers for the T.4 codec: a bit-by-bit code tree walker that states
// the decoding rules plainly (the table-driven decoder must match it), and a
// builder for hand-made LSB-first bit streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

using Line = std::vector<uint8_t>;

// Decodes one bit at a time by walking the code tree of the current colour.
class ReferenceDecoder {
 public:
  ReferenceDecoder();

  void Feed(const uint8_t* data, size_t length);
  void Feed(const std::vector<uint8_t>& data) { Feed(data.data(), data.size()); }

  const std::vector<Line>& Lines() const { return lines_; }
  uint32_t BadCodes() const { return badCodes_; }
  bool PageEnded() const { return ended_; }
  uint64_t EndBit() const { return endBit_; }  // bits taken up to the page end

 private:
  struct Node {
    int child[2] = {-1, -1};
    int kind = -1;  // -1 inner node, else one of the kinds below
    int run = 0;
  };
  enum { kTerminating, kMakeup, kEol };

  void Bit(int bit);
  void EndOfLine();
  void Run(int run, bool terminating);

  std::vector<Node> trees_[2];
  int colour_ = 0;
  int node_ = 0;
  bool skipping_ = false;
  bool accepted_ = false;
  bool runInLine_ = false;
  int eols_ = 0;
  int bitPos_ = 0;
  uint8_t line_[512] = {};
  bool ended_ = false;
  uint64_t bitsTaken_ = 0;
  uint64_t endBit_ = 0;
  uint32_t badCodes_ = 0;
  std::vector<Line> lines_;
};

// Builds a stream from code strings written as T.4 prints them ("0111"),
// packing the first bit into bit 0 of the first byte.
class BitStream {
 public:
  BitStream& Put(const std::string& bits);
  BitStream& Eol() { return Put("000000000001"); }
  BitStream& ByteAlign();  // zero bits up to the next byte boundary
  BitStream& WhiteRun(int run);
  BitStream& BlackRun(int run);
  BitStream& Bytes(const std::vector<uint8_t>& bytes);  // after ByteAlign
  const std::vector<uint8_t>& Data() const { return data_; }
  size_t BitCount() const { return bits_; }

 private:
  std::vector<uint8_t> data_;
  size_t bits_ = 0;
};

// The published string of a code.
std::string CodeString(uint16_t bits, int length);

// A raster line of `width` pixels made from runs starting with white.
Line RasterFromRuns(const std::vector<int>& runs, int width);

// Decodes a whole stream with the production decoder in one call.
struct DecodeResult {
  std::vector<Line> lines;
  uint32_t badCodes = 0;
  bool ended = false;
  uint64_t endBit = 0;
};
DecodeResult DecodeAll(const std::vector<uint8_t>& stream);

}  // namespace telvane::test
