// Our T.4 two-dimensional coder and decoder checked against libtiff's
// independent Group 3 2-D codec, in both directions, for both K values.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <string>
#include <tuple>
#include <vector>

#include "faxdoc/t4_mr_decoder.h"
#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_page.h"
#include "faxdoc/t4_mr_recoder.h"
#include "tests/faxdoc/t4_test_pages.h"
#include "tests/support/tiff_g3.h"

namespace telvane {
namespace {

constexpr int kRows = 120;

class TwoDimLibtiff : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  const test::PageCase& Case() const { return test::kPages[std::get<0>(GetParam())]; }
  int K() const { return std::get<1>(GetParam()); }
  test::Page MakePage(uint32_t salt) const {
    return test::MakePage(Case().kind, Case().width, kRows, static_cast<uint32_t>(std::get<0>(GetParam())) + salt);
  }
};

TEST_P(TwoDimLibtiff, LibtiffDecodesWhatWeCode) {
  const test::Page page = MakePage(1);
  // Our lines: EOLs end on a byte boundary, so the strip is declared with
  // fill bits as well as 2-D coding.
  const std::vector<uint8_t> strip = EncodeMrPage(page, {Case().width, K(), 0});
  std::string error;
  const test::Page decoded =
      test::TiffDecodeG3(strip, Case().width, kRows, &error, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS);
  ASSERT_EQ(error, "");
  EXPECT_EQ(decoded, page);
}

// What a sender puts on the line: MH lines re-coded into one packed bit
// stream, EOLs not aligned, each line EOL to EOL at least the minimum.
TEST_P(TwoDimLibtiff, LibtiffDecodesOurPackedLineStream) {
  const test::Page page = MakePage(2);
  std::vector<uint8_t> mh;
  for (const auto& row : page) {
    const std::vector<uint8_t> line = EncodeRasterLine(row.data(), Case().width);
    mh.insert(mh.end(), line.begin(), line.end());
  }
  constexpr int kMinBytes = 9;
  std::vector<uint8_t> packed, aligned;
  MhToMrRecoder recoder(Case().width, K(), kMinBytes, MhToMrRecoder::Layout::kPacked);
  recoder.Take(mh.data(), mh.size(), packed);
  recoder.Finish(packed);
  MhToMrRecoder byBytes(Case().width, K(), kMinBytes);
  byBytes.Take(mh.data(), mh.size(), aligned);
  byBytes.Finish(aligned);
  std::string error;
  EXPECT_EQ(test::TiffDecodeG3(packed, Case().width, kRows, &error, GROUP3OPT_2DENCODING), page) << error;
  EXPECT_LT(packed.size(), aligned.size());
  // Distances between the ends of successive EOLs (11 zeros, then 1): no
  // line shorter than the minimum, but the RTC's.
  std::vector<size_t> eolEnds;
  size_t zeros = 0;
  for (size_t bit = 0; bit < packed.size() * 8; ++bit) {
    if (packed[bit / 8] >> (bit % 8) & 1) {
      if (zeros >= 11) eolEnds.push_back(bit);
      zeros = 0;
    } else {
      ++zeros;
    }
  }
  ASSERT_EQ(eolEnds.size(), static_cast<size_t>(kRows) + 6);
  for (size_t i = 1; i <= static_cast<size_t>(kRows); ++i)
    EXPECT_GE(eolEnds[i] - eolEnds[i - 1], static_cast<size_t>(kMinBytes) * 8) << "line " << i;
}

TEST_P(TwoDimLibtiff, WeDecodeWhatLibtiffCodes) {
  const test::Page page = MakePage(500);
  std::string error;
  const std::vector<uint8_t> strip = test::TiffEncodeG3TwoDim(page, Case().width, K(), &error);
  ASSERT_EQ(error, "");
  ASSERT_FALSE(strip.empty());
  MrDecoder decoder(Case().width);
  test::Page rows;
  decoder.DecodePage(strip.data(), strip.size(),
                     [&](const uint8_t* row) { rows.emplace_back(row, row + decoder.RowBytes()); });
  EXPECT_EQ(decoder.BadLines(), 0u);
  EXPECT_EQ(rows, page);
  // libtiff's lines really were two-dimensional, K - 1 of them in a row.
  EXPECT_EQ(decoder.OneDimLines(), static_cast<uint32_t>((kRows + K() - 1) / K()));
}

INSTANTIATE_TEST_SUITE_P(Pages, TwoDimLibtiff,
                         ::testing::Combine(::testing::Range(0, test::kPageCaseCount),
                                            ::testing::Values(kMrKStandard, kMrKFine)),
                         [](const auto& info) {
                           std::string name = test::kPages[std::get<0>(info.param)].name;
                           for (char& c : name) {
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name + "_K" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace telvane
