// The T.4 two-dimensional coder and decoder on their own: round trips at any
// width, the K rule, the minimum line length, and the MH re-coding helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>

#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_decoder.h"
#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_mr_page.h"
#include "faxdoc/t4_mr_recoder.h"
#include "faxdoc/t4_rtc.h"
#include "tests/faxdoc/t4_test_pages.h"

namespace telvane {
namespace {

// A random page `width` pixels wide, pixels past the width white.
test::Page RandomPage(test::Kind kind, int width, int rows) {
  test::Page page = test::MakePage(kind, (width + 7) / 8 * 8, rows, 7);
  if (width % 8) {
    for (auto& row : page) row.back() &= static_cast<uint8_t>(0xFF00 >> (width % 8));
  }
  return page;
}

class TwoDimRoundTrip : public ::testing::TestWithParam<std::tuple<int, int, test::Kind>> {};

TEST_P(TwoDimRoundTrip, DecodesToTheSameRowsWithKMinusOneTwoDimLinesBetween) {
  const auto [width, k, kind] = GetParam();
  constexpr int kRows = 61;
  const test::Page page = RandomPage(kind, width, kRows);
  const std::vector<uint8_t> data = EncodeMrPage(page, {width, k, 0});
  MrDecoder decoder(width);
  test::Page rows;
  decoder.DecodePage(data.data(), data.size(), [&](const uint8_t* row) { rows.emplace_back(row, row + decoder.RowBytes()); });
  EXPECT_EQ(rows, page);
  EXPECT_EQ(decoder.BadLines(), 0u);
  EXPECT_TRUE(decoder.EndOfPageSeen());
  EXPECT_EQ(decoder.OneDimLines(), static_cast<uint32_t>((kRows + k - 1) / k));
}

INSTANTIATE_TEST_SUITE_P(Widths, TwoDimRoundTrip,
                         ::testing::Combine(::testing::Values(1728, 2048, 1, 13, 215, 3001),
                                            ::testing::Values(1, kMrKStandard, kMrKFine, 8),
                                            ::testing::Values(test::Kind::kRandomRuns, test::Kind::kTextLike,
                                                              test::Kind::kAlternating)));

TEST(TwoDimCoder, ZeroFillMakesEveryLineAtLeastTheMinimumAndStillDecodes) {
  const test::Page page = test::MakePage(test::Kind::kTextLike, 1728, 40, 3);
  constexpr int kMinBytes = 48;
  MrLineCoder coder(1728, kMrKFine);
  std::vector<uint8_t> data;
  uint8_t line[kCodedLineMax];
  size_t shortest = kCodedLineMax, unpadded = kCodedLineMax;
  MrLineCoder plain(1728, kMrKFine);
  for (const auto& row : page) {
    const size_t n = coder.EncodeLine(row.data(), line, kMinBytes);
    shortest = std::min(shortest, n);
    unpadded = std::min(unpadded, plain.EncodeLine(row.data(), line + 2048));
    data.insert(data.end(), line, line + n);
  }
  EXPECT_LT(unpadded, static_cast<size_t>(kMinBytes));  // the fill did something
  EXPECT_EQ(shortest, static_cast<size_t>(kMinBytes));
  const MrDecodedPage decoded = DecodeMrPage(data.data(), data.size(), 1728);
  EXPECT_EQ(decoded.badLines, 0u);
  EXPECT_EQ(decoded.rows, page);
}

TEST(TwoDimCoder, TwoDimCodingIsShorterOnTextThanOneDim) {
  // Text rows change little from one scan line to the next.
  const test::Page base = test::MakePage(test::Kind::kTextLike, 1728, 25, 5);
  test::Page page;
  for (int y = 0; y < 200; ++y) page.push_back(base[static_cast<size_t>(y / 8)]);
  EXPECT_LT(EncodeMrPage(page, {1728, kMrKFine, 0}).size() * 10, EncodeMrPage(page, {1728, 1, 0}).size() * 7);
}

TEST(TwoDimPages, MhLinesRecodedAndDecodedBackAreTheSameLines) {
  for (const int width : {1728, 2048}) {
    SCOPED_TRACE(width);
    const test::Page page = test::MakePage(test::Kind::kRandomRuns, width, 50, 11);
    std::vector<std::vector<uint8_t>> mh;
    for (const auto& row : page) mh.push_back(EncodeRasterLine(row.data(), width));
    const std::vector<uint8_t> mr = RecodeMhAsMr(mh, {width, kMrKFine, 0});
    EXPECT_EQ(DecodeMrPage(mr.data(), mr.size(), width).rows, page);
    const MhPageLines back = DecodeMrAsMh(mr.data(), mr.size(), width);
    EXPECT_EQ(back.badLines, 0u);
    EXPECT_EQ(back.lines, mh);
  }
}

// A sender re-codes an APF page in stream form as its blocks come, cut
// anywhere, with the page's own RTC and trailing fill: the same 2-D page
// as from whole lines, padded to the minimum.
TEST(TwoDimPages, StreamBlocksCutAnywhereRecodeLikeWholeLines) {
  const test::Page page = test::MakePage(test::Kind::kTextLike, 1728, 30, 4);
  std::vector<std::vector<uint8_t>> mh;
  std::vector<uint8_t> stream;
  for (const auto& row : page) {
    mh.push_back(EncodeRasterLine(row.data(), 1728));
    stream.insert(stream.end(), mh.back().begin(), mh.back().end());
  }
  stream.insert(stream.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  stream.insert(stream.end(), 40, 0x00);
  constexpr int kMinBytes = 30;
  MhToMrRecoder recoder(1728, kMrKStandard, kMinBytes);
  std::vector<uint8_t> out;
  for (size_t at = 0; at < stream.size(); at += 7) recoder.Take(&stream[at], std::min<size_t>(7, stream.size() - at), out);
  recoder.Finish(out);
  EXPECT_EQ(recoder.Rows(), page.size());
  EXPECT_EQ(out, RecodeMhAsMr(mh, {1728, kMrKStandard, kMinBytes}));
  EXPECT_EQ(DecodeMrPage(out.data(), out.size(), 1728).rows, page);
}

// What a 2-D page's RTC finder keeps of the received bytes: the page up to
// its RTC (EOLs tagged 1), not the demodulator's noise after it, and never
// less for the tagged EOLs inside the page.
TEST(TwoDimPages, RtcFinderEndsATwoDimPageAfterItsTaggedRtc) {
  const test::Page page = test::MakePage(test::Kind::kRandomRuns, 1728, 40, 9);
  const std::vector<uint8_t> data = EncodeMrPage(page, {1728, kMrKFine, 0});
  std::vector<uint8_t> received = data;
  received.insert(received.end(), {0x5A, 0xFF, 0x13, 0x00, 0x80, 0x00});
  for (const bool twoDim : {true, false}) {
    RtcFinder rtc(twoDim);
    std::vector<uint8_t> kept;
    for (uint8_t b : received) {
      uint8_t k;
      if (rtc.Take(b, k)) kept.push_back(k);
    }
    ASSERT_GE(kept.size(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), kept.begin()));
    if (twoDim) {
      EXPECT_TRUE(rtc.Found());
      EXPECT_LE(kept.size(), data.size() + 1) << "the noise went";
      EXPECT_EQ(DecodeMrPage(kept.data(), kept.size(), 1728).rows, page);
    } else {
      EXPECT_FALSE(rtc.Found()) << "tagged EOLs are no one-dimensional RTC";
    }
  }
}

}  // namespace
}  // namespace telvane
