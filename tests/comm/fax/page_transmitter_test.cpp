// The blank lines that start every sent page: white lines of the page's own
// width, as libtiff reads them, since a receiver counts a line of the wrong
// width as a bad line.
#include <gtest/gtest.h>

#include "faxdoc/apf_format.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/t4_decoder.h"
#include "tests/support/tiff_g3.h"

namespace telvane {
namespace {

TEST(PageBlankLines, AreWhiteLinesOfThePageWidth) {
  for (bool wide : {false, true}) {
    const int width = wide ? kWideWidth : kNormalWidth;
    std::vector<std::uint8_t> strip;
    for (int i = 0; i < 2; ++i) strip.insert(strip.end(), BlankLine(wide).begin(), BlankLine(wide).end());
    std::string error;
    const auto rows = test::TiffDecodeG3(strip, width, 2, &error);
    ASSERT_EQ(rows.size(), 2u) << "wide " << wide << ": " << error;
    for (const auto& row : rows) EXPECT_EQ(row, std::vector<std::uint8_t>(width / 8, 0)) << "wide " << wide;
    // The run lengths add up to the page width: the line-length check of
    // a receiver sees a full line, not a short one.
    std::vector<std::size_t> lengths;
    MhDecoder decoder;
    strip.insert(strip.end(), BlankLine(wide).begin(), BlankLine(wide).end());  // ends the second line
    decoder.Feed(strip.data(), strip.size(), [&](const uint8_t*, size_t n) { lengths.push_back(n); });
    EXPECT_EQ(lengths, std::vector<std::size_t>(2, static_cast<std::size_t>(width / 8))) << "wide " << wide;
  }
}

}  // namespace
}  // namespace telvane
