// B4 lines reduced to A4 for receivers without B4 width (against a
// pixel-by-pixel reference), and the end of a received page at RTC. Whole
// pages of both run end to end: tests/tool/fax_e2e/line_faults_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "faxdoc/reduced_page_lines.h"
#include "faxdoc/t4_rtc.h"
#include "tests/faxdoc/t4_reference.h"

namespace telvane {
namespace {

using test::Line;

// Wide pixel x lands on x * 27 / 32; a reduced pixel is black when any does.
Line Reference(const Line& wide) {
  Line out(216, 0);
  for (int x = 0; x < 2048; ++x)
    if (wide[x / 8] & (0x80 >> (x % 8))) out[x * 27 / 32 / 8] |= static_cast<uint8_t>(0x80 >> (x * 27 / 32 % 8));
  return out;
}

Line RandomWide(unsigned seed, int blackPercent) {
  std::mt19937 rng(seed);
  Line line(256, 0);
  for (int x = 0; x < 2048; ++x)
    if (static_cast<int>(rng() % 100) < blackPercent) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return line;
}

TEST(WideToA4, EachLineMatchesThePixelByPixelReduction) {
  std::vector<Line> rows = {Line(256, 0), Line(256, 0xFF), RandomWide(1, 3), RandomWide(2, 50), RandomWide(3, 97)};
  // Single pixels at both ends of a 32-pixel group and of the line.
  for (int x : {0, 31, 32, 1023, 2016, 2047}) {
    Line one(256, 0);
    one[x / 8] = static_cast<uint8_t>(0x80 >> (x % 8));
    rows.push_back(one);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Line got(216, 0xAA);
    ReduceWideLine(rows[i].data(), got.data());
    EXPECT_EQ(got, Reference(rows[i])) << "row " << i;
  }
}

// Received page data through the finder: what it keeps.
std::vector<uint8_t> Kept(const std::vector<uint8_t>& data) {
  RtcFinder rtc;
  std::vector<uint8_t> kept;
  for (uint8_t b : data) {
    uint8_t k;
    if (rtc.Take(b, k)) kept.push_back(k);
  }
  return kept;
}

TEST(RtcFinder, APageEndsAtRtcWithTheEolsAndFillThatCloseIt) {
  test::BitStream page;
  page.Eol().WhiteRun(1728).Eol().WhiteRun(100).BlackRun(1628);
  const std::vector<uint8_t> body = page.Data();
  test::BitStream rtc = page;
  for (int i = 0; i < 7; ++i) rtc.Put("0000").Eol();  // a seventh EOL and fill still belong to it
  rtc.ByteAlign();
  const std::vector<uint8_t> closed = rtc.Data();
  std::vector<uint8_t> junk = closed;
  junk.insert(junk.end(), {0x5A, 0xFF, 0x00, 0x13});
  std::vector<uint8_t> cut = closed;
  cut.push_back(0x00);  // the first junk byte stays as fill, its bits cleared
  EXPECT_EQ(Kept(junk), cut) << "the carrier-loss junk after RTC goes";
  EXPECT_EQ(Kept(body), body) << "a page without RTC stays whole";
  std::vector<uint8_t> fill = closed;
  fill.insert(fill.end(), 64, 0x00);
  const std::vector<uint8_t> kept = Kept(fill);
  EXPECT_TRUE(std::equal(closed.begin(), closed.end(), kept.begin()));
  EXPECT_LT(kept.size(), closed.size() + 32) << "fill after RTC is kept only so far";
}

TEST(RtcFinder, JunkInTheByteOfRtcsLastBitIsCleared) {
  // Six EOLs fill nine bytes exactly; the next byte starts with junk 1s.
  test::BitStream s;
  for (int i = 0; i < 6; ++i) s.Eol();
  std::vector<uint8_t> data = s.Data();
  data.push_back(0x0B);
  const std::vector<uint8_t> kept = Kept(data);
  ASSERT_EQ(kept.size(), data.size());
  EXPECT_EQ(kept.back(), 0x00);
}

}  // namespace
}  // namespace telvane
