// MhDecoder: line delivery rules, fill before EOL, bad codes, page end, and
// input split anywhere.
#include <gtest/gtest.h>

#include <vector>

#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_encoder.h"
#include "tests/faxdoc/t4_reference.h"

namespace telvane {
namespace {

using test::BitStream;
using test::DecodeAll;
using test::Line;
using test::RasterFromRuns;

// Appends the end-of-page record.
BitStream& EndOfPage(BitStream& s) { return s.Bytes({std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord)}); }

// One line of runs (starting white) after a byte-aligned EOL.
BitStream& AddLine(BitStream& s, const std::vector<int>& runs) {
  s.ByteAlign().Put("0000").Eol();
  bool black = false;
  for (int run : runs) {
    black ? s.BlackRun(run) : s.WhiteRun(run);
    black = !black;
  }
  return s;
}

TEST(MhDecoder, ConvertedAllWhitePageIsOneZeroLine) {
  uint8_t buf[kCodedLineMax];
  T4LineCoder coder(buf);
  coder.Start();
  coder.PutRun(1728, false);
  std::vector<uint8_t> page(buf, buf + coder.Finish());
  page.insert(page.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));

  const auto result = DecodeAll(page);
  ASSERT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.lines[0], Line(216, 0));
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.badCodes, 0u);
  // The page ends at the third EOL of the end-of-page record: byte-aligned
  // EOL (16 bits) plus two 12-bit EOLs after the line's record.
  EXPECT_EQ(result.endBit, 8 * (page.size() - 12) + 16 + 24);
}

TEST(MhDecoder, LineIsDeliveredOnlyAtWholeLineLengths) {
  struct Case {
    int pixels;
    size_t delivered;  // bytes, 0 = dropped
  };
  const Case cases[] = {{1727, 0},   {1728, 216}, {1729, 216}, {1735, 216}, {1736, 0},
                        {2047, 0},   {2048, 256}, {2055, 256}, {2056, 0},   {100, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pixels);
    // Black pixels at both ends show where the line was cut.
    const std::vector<int> runs{0, 3, c.pixels - 6, 3};
    BitStream s;
    AddLine(s, runs);
    EndOfPage(s);
    const auto result = DecodeAll(s.Data());
    ASSERT_EQ(result.lines.size(), c.delivered ? 1u : 0u);
    if (c.delivered) {
      Line expected = RasterFromRuns(runs, c.pixels);
      expected.resize(c.delivered);
      EXPECT_EQ(result.lines[0], expected);
    }
  }
}

TEST(MhDecoder, LineStartingBlackHasZeroWhiteRun) {
  BitStream s;
  AddLine(s, {0, 5, 1723});
  EndOfPage(s);
  const auto result = DecodeAll(s.Data());
  ASSERT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.lines[0][0], 0xF8);
  EXPECT_EQ(result.lines[0][1], 0x00);
}

TEST(MhDecoder, ZeroLengthWhiteRunAloneCountsAsDecodedRun) {
  // A line whose only code is white 0 is 0 bytes long: decoded, but dropped;
  // the EOL after it still counts as the first of a new row of EOLs.
  BitStream s;
  AddLine(s, {1728});
  s.Eol().WhiteRun(0).Eol().Eol();  // the run breaks the row of EOLs
  EXPECT_FALSE(DecodeAll(s.Data()).ended);
  s.Eol();
  const auto result = DecodeAll(s.Data());
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.lines.size(), 1u);
}

TEST(MhDecoder, CodesBeforeFirstEolAreIgnored) {
  // A page that starts mid-line: its runs yield nothing, and a terminating
  // code there does not switch to the black tree.
  BitStream s;
  s.WhiteRun(1000).WhiteRun(5).WhiteRun(723);
  AddLine(s, {1728});
  EndOfPage(s);
  const auto result = DecodeAll(s.Data());
  EXPECT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.badCodes, 0u);

  BitStream noEol;
  noEol.WhiteRun(1728).WhiteRun(1728);
  EXPECT_TRUE(DecodeAll(noEol.Data()).lines.empty());
}

TEST(MhDecoder, PixelsAfterLastEolAreNotDelivered) {
  BitStream s;
  AddLine(s, {1728});
  AddLine(s, {10, 1718});  // never closed by an EOL
  const auto result = DecodeAll(s.Data());
  EXPECT_EQ(result.lines.size(), 1u);
  EXPECT_FALSE(result.ended);
}

TEST(MhDecoder, ExtendedMakeupRunsDecodeInEitherColour) {
  BitStream s;
  AddLine(s, {2048});
  AddLine(s, {0, 2048});
  AddLine(s, {1, 1792, 255});
  EndOfPage(s);
  const auto result = DecodeAll(s.Data());
  ASSERT_EQ(result.lines.size(), 3u);
  EXPECT_EQ(result.lines[0], Line(256, 0x00));
  EXPECT_EQ(result.lines[1], Line(256, 0xFF));
  EXPECT_EQ(result.lines[2], RasterFromRuns({1, 1792, 255}, 2048));
}

TEST(MhDecoder, AnyNumberOfFillZerosMayPrecedeEol) {
  for (int zeros = 11; zeros <= 80; ++zeros) {
    SCOPED_TRACE(zeros);
    BitStream s;
    s.Eol().WhiteRun(1728).Put(std::string(zeros, '0') + "1");
    s.Eol().Eol();
    const auto result = DecodeAll(s.Data());
    EXPECT_EQ(result.lines.size(), 1u);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.badCodes, 0u);
    EXPECT_EQ(result.endBit, s.BitCount());
  }
}

TEST(MhDecoder, EightToTenZerosAndOneAreBadCodes) {
  for (int zeros = 8; zeros <= 10; ++zeros) {
    SCOPED_TRACE(zeros);
    BitStream s;
    // The 1-bits after the bad pattern are skipped; the 0 that stops the
    // skip starts the EOL that closes the line.
    s.Eol().WhiteRun(1728).Put(std::string(zeros, '0') + "1" + "111").Eol();
    const auto result = DecodeAll(s.Data());
    EXPECT_EQ(result.badCodes, 1u);
    EXPECT_EQ(result.lines.size(), 1u);
  }
}

TEST(MhDecoder, BadCodeInBlackTreeResynchronises) {
  // In the black tree 0000000011 is no code (only EOL continues after eight
  // zeros); the skip stops at the next 0, where the black run goes on.
  BitStream s;
  s.Eol().WhiteRun(100).Put("0000000011").Put("11").BlackRun(20).WhiteRun(1608).Eol().Eol().Eol();
  const auto result = DecodeAll(s.Data());
  EXPECT_EQ(result.badCodes, 1u);
  ASSERT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.lines[0], RasterFromRuns({100, 20, 1608}, 1728));
}

TEST(MhDecoder, RunPastTheLineBufferIsIgnored) {
  // 1700 + 2560 would pass 4096 pixels: that makeup is dropped, the black
  // terminating 28 after it is kept, and the line comes out 1728 long.
  BitStream s;
  s.Eol().WhiteRun(1700).Put("000000011111").BlackRun(28).Eol();
  // A line that fills the buffer to 4095 pixels must not spill into the next.
  s.WhiteRun(0).Put("000000011111").BlackRun(1535).Eol();
  s.WhiteRun(1728).Eol().Eol().Eol();
  const auto result = DecodeAll(s.Data());
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[0], RasterFromRuns({1700, 28}, 1728));
  EXPECT_EQ(result.lines[1], Line(216, 0));
}

TEST(MhDecoder, ThreeEolsEndThePageAndTheRestIsIgnored) {
  BitStream s;
  AddLine(s, {1728});
  s.Eol().Eol().Eol();
  const size_t endBit = s.BitCount();
  AddLine(s, {1728});
  s.Put("000000001");  // would be a bad code
  const auto result = DecodeAll(s.Data());
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.lines.size(), 1u);
  EXPECT_EQ(result.badCodes, 0u);
  EXPECT_EQ(result.endBit, endBit);

  // Two EOLs in a row do not end a page.
  BitStream two;
  AddLine(two, {1728});
  two.Eol();
  AddLine(two, {1728});
  EndOfPage(two);
  EXPECT_EQ(DecodeAll(two.Data()).lines.size(), 2u);
}

TEST(MhDecoder, InputSplitAtEveryByteDecodesTheSame) {
  BitStream s;
  AddLine(s, {0, 1, 1, 3, 700, 1023});
  AddLine(s, {2048});
  s.Put("000000001111");
  AddLine(s, {64, 64, 1600});
  s.Put(std::string(40, '0') + "1");
  AddLine(s, {1727, 1});
  EndOfPage(s);
  const auto whole = DecodeAll(s.Data());
  ASSERT_EQ(whole.lines.size(), 4u);

  MhDecoder decoder;
  std::vector<Line> lines;
  bool ended = false;
  for (uint8_t byte : s.Data()) {
    ended = decoder.Feed(&byte, 1, [&](const uint8_t* line, size_t length) { lines.emplace_back(line, line + length); });
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(lines, whole.lines);
  EXPECT_EQ(decoder.BadCodes(), whole.badCodes);
  EXPECT_EQ(decoder.BitsConsumed(), whole.endBit);
  EXPECT_EQ(decoder.LinesDelivered(), 4u);
}

TEST(MhDecoder, ResetStartsAFreshPage) {
  BitStream s;
  AddLine(s, {0, 1728});
  EndOfPage(s);
  MhDecoder decoder;
  int lines = 0;
  const auto count = [&](const uint8_t*, size_t) { ++lines; };
  EXPECT_TRUE(decoder.Feed(s.Data().data(), s.Data().size(), count));
  EXPECT_TRUE(decoder.Feed(s.Data().data(), s.Data().size(), count));  // ended: ignored
  EXPECT_EQ(lines, 1);

  // A page that stopped mid-line leaves black pixels in the line buffer;
  // after Reset the next page starts white and clean.
  BitStream cut;
  cut.Eol().WhiteRun(0).BlackRun(1000);
  decoder.Reset();
  decoder.Feed(cut.Data().data(), cut.Data().size(), count);
  decoder.Reset();
  BitStream white;
  AddLine(white, {1728});
  EndOfPage(white);
  std::vector<Line> got;
  decoder.Feed(white.Data().data(), white.Data().size(),
               [&](const uint8_t* line, size_t length) { got.emplace_back(line, line + length); });
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], Line(216, 0));
  EXPECT_EQ(decoder.BadCodes(), 0u);
}

}  // namespace
}  // namespace telvane
