// T4LineCoder and EncodeRasterLine: exact code bits, zero fill, buffer reuse,
// and agreement of the two coders and the decoder on random lines.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "faxdoc/t4_encoder.h"
#include "tests/faxdoc/t4_reference.h"
#include "faxdoc/t4_tables.h"

namespace telvane {
namespace {

using test::BitStream;
using test::DecodeAll;
using test::Line;

std::vector<uint8_t> CodeRuns(const std::vector<std::pair<int, bool>>& runs) {
  uint8_t buf[kCodedLineMax];
  T4LineCoder coder(buf);
  coder.Start();
  for (const auto& [run, black] : runs) coder.PutRun(run, black);
  const size_t length = coder.Finish();
  return std::vector<uint8_t>(buf, buf + length);
}

// Whole bytes used + 2: the partly used byte (if any) and one more zero.
std::vector<uint8_t> WithFill(const std::string& codes) {
  BitStream s;
  s.Put("0000").Eol().Put(codes);
  std::vector<uint8_t> bytes = s.Data();
  bytes.resize(s.BitCount() / 8 + 2, 0);
  return bytes;
}

TEST(T4LineCoder, AllWhiteLineIsEolMakeup1728AndWhiteZero) {
  const auto coded = CodeRuns({{1728, false}});
  EXPECT_EQ(coded, (std::vector<uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
  EXPECT_EQ(coded, WithFill("010011011" "00110101"));
}

TEST(T4LineCoder, MakeupAndTerminatingCodes) {
  // 2048 white: extended makeup 2048, then white terminating 0.
  EXPECT_EQ(CodeRuns({{2048, false}}), WithFill("000000010011" "00110101"));
  // Exact multiples of 64 end with the terminating code for 0.
  EXPECT_EQ(CodeRuns({{128, true}}), WithFill("000011001000" "0000110111"));
  // Largest multiple of 64 not above the run, then the remainder.
  EXPECT_EQ(CodeRuns({{1791, false}}), WithFill("010011011" "00110100"));
  EXPECT_EQ(CodeRuns({{2623, true}}), WithFill("000000011111" "000001100111"));
  // A line that starts black begins with a white run of 0.
  EXPECT_EQ(CodeRuns({{0, false}, {2, true}}), WithFill("00110101" "11"));
  // Past 2560+63 the 2560 makeup code is repeated.
  EXPECT_EQ(CodeRuns({{2560 + 440, false}}), WithFill("000000011111" "00110111" "01011001"));
}

TEST(T4LineCoder, FillIsTwoZeroBytesWhenCodesEndOnAByteBoundary) {
  uint8_t buf[kCodedLineMax];
  T4LineCoder coder(buf);
  coder.Start();
  coder.PutRun(1728 - 64, false);  // makeup 1664 "011000" + white 0 "00110101": 14 bits
  coder.PutRun(2, true);           // "11": 16 bits, ends at bit 32
  EXPECT_EQ(coder.BitPosition(), 32u);
  EXPECT_EQ(coder.Finish(), 6u);
  EXPECT_EQ(buf[4], 0);
  EXPECT_EQ(buf[5], 0);
}

TEST(T4LineCoder, StartClearsWhatTheLastLineUsed) {
  uint8_t buf[kCodedLineMax];
  std::fill(std::begin(buf), std::end(buf), 0xA5);  // the caller's buffer is not clean
  T4LineCoder coder(buf);
  coder.Start();
  for (int i = 0; i < 300; ++i) coder.PutRun(1, i % 2 == 1);
  const size_t longLine = coder.Finish();
  coder.Start();
  coder.PutRun(1728, false);
  const size_t shortLine = coder.Finish();
  EXPECT_GT(longLine, shortLine);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + longLine + 8), [&] {
    std::vector<uint8_t> v = CodeRuns({{1728, false}});
    v.resize(longLine + 8, 0);
    return v;
  }());
}

// A raster with a mixture of runs: short, long, makeup-sized, line-wide.
Line RandomRaster(std::mt19937& rng, int width) {
  std::vector<int> runs;
  int total = 0;
  while (total < width) {
    const int kind = static_cast<int>(rng() % 10);
    int run = kind < 6 ? static_cast<int>(rng() % 8) + 1 : kind < 9 ? static_cast<int>(rng() % 200) : static_cast<int>(rng() % 2100);
    runs.push_back(run);
    total += run;
  }
  return test::RasterFromRuns(runs, width);
}

TEST(T4EncodeRasterLine, AgreesWithLineCoderAndDecodesBack) {
  std::mt19937 rng(7);
  for (int width : {1728, 2048}) {
    std::vector<Line> rasters{Line(width / 8, 0x00), Line(width / 8, 0xFF), Line(width / 8, 0xAA),
                              Line(width / 8, 0x55), Line(width / 8, 0x80), Line(width / 8, 0x01)};
    for (int i = 0; i < 200; ++i) rasters.push_back(RandomRaster(rng, width));
    std::vector<uint8_t> page;
    for (const Line& raster : rasters) {
      const std::vector<uint8_t> fast = EncodeRasterLine(raster.data(), width);
      // The same runs through T4LineCoder, found pixel by pixel.
      std::vector<std::pair<int, bool>> runs;
      bool black = false;
      int run = 0;
      for (int x = 0; x < width; ++x) {
        const bool pixel = (raster[x / 8] >> (7 - x % 8)) & 1;
        if (pixel != black) {
          runs.push_back({run, black});
          black = pixel;
          run = 0;
        }
        ++run;
      }
      runs.push_back({run, black});
      ASSERT_EQ(fast, CodeRuns(runs));
      page.insert(page.end(), fast.begin(), fast.end());
    }
    page.insert(page.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
    const auto decoded = DecodeAll(page);
    EXPECT_EQ(decoded.lines, rasters);
    EXPECT_EQ(decoded.badCodes, 0u);
    EXPECT_TRUE(decoded.ended);
  }
}

TEST(T4EncodeRasterLine, WidthNotAMultipleOfEightIgnoresPadBits) {
  Line raster(3, 0xFF);  // 20 pixels used, 4 pad bits set
  const std::vector<uint8_t> coded = EncodeRasterLine(raster.data(), 20);
  EXPECT_EQ(coded, WithFill("00110101" "00001101000"));  // white 0, black 20
}

}  // namespace
}  // namespace telvane
