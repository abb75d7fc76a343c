// Damaged two-dimensional page data: every damage is counted as bad lines,
// the page keeps its length, bad lines are copies of the last good line,
// and lines after the damage that do not depend on it come back intact.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <random>

#include "faxdoc/t4_encoder.h"
#include "faxdoc/t4_mr_decoder.h"
#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_mr_page.h"
#include "tests/faxdoc/t4_test_pages.h"

namespace telvane {
namespace {

constexpr int kWidth = 1728;
constexpr int kRows = 40;
constexpr int kK = kMrKFine;
constexpr int kDamaged = 20;  // a one-dimensional line (20 % K == 0)

// A page coded line by line, with where each line starts.
struct CodedPage {
  test::Page rows;
  std::vector<uint8_t> data;
  std::vector<size_t> starts;

  CodedPage() : rows(test::MakePage(test::Kind::kRandomRuns, kWidth, kRows, 9)) {
    MrLineCoder coder(kWidth, kK);
    uint8_t line[kCodedLineMax];
    for (const auto& row : rows) {
      starts.push_back(data.size());
      const size_t n = coder.EncodeLine(row.data(), line);
      data.insert(data.end(), line, line + n);
    }
    starts.push_back(data.size());
    const auto rtc = MrEndOfPage();
    data.insert(data.end(), rtc.begin(), rtc.end());
  }
  // The line's bytes after its EOL (00 80).
  size_t Body(int y) const { return starts[static_cast<size_t>(y)] + 2; }
};

struct Damage {
  const char* name;
  std::function<void(const CodedPage&, std::vector<uint8_t>&)> apply;
  int firstBad;       // lines before it must be intact
  int intactFrom;     // lines from here on must be intact
  size_t rowsKept;    // rows the decoder must deliver
};

void PrintTo(const Damage& damage, std::ostream* os) { *os << damage.name; }

// A one-dimensional line of 1800 pixels, black at its end: runs past 1728.
std::vector<uint8_t> OverlongLine() {
  std::vector<uint8_t> row(225, 0);
  row.back() = 0xFF;
  MrLineCoder coder(1800, 1);
  uint8_t out[kCodedLineMax];
  const size_t n = coder.EncodeLine(row.data(), out);
  return {out, out + n};
}

const Damage kDamages[] = {
    {"bits flipped inside a line",
     [](const CodedPage& p, std::vector<uint8_t>& d) {
       for (size_t i = p.Body(kDamaged) + 3; i < p.Body(kDamaged) + 9; ++i) d[i] ^= 0xA5;
     },
     kDamaged, kDamaged + kK, kRows},
    {"one-dimensional line tagged two-dimensional",
     [](const CodedPage& p, std::vector<uint8_t>& d) { d[p.Body(kDamaged)] &= 0xFE; }, kDamaged, kDamaged + kK,
     kRows},
    {"line replaced by one longer than the width",
     [](const CodedPage& p, std::vector<uint8_t>& d) {
       std::vector<uint8_t> out(d.begin(), d.begin() + static_cast<long>(p.starts[kDamaged]));
       const auto bad = OverlongLine();
       out.insert(out.end(), bad.begin(), bad.end());
       out.insert(out.end(), d.begin() + static_cast<long>(p.starts[kDamaged + 1]), d.end());
       d = out;
     },
     kDamaged, kDamaged + kK, kRows},
    {"zeros inside a line that read as an early EOL",
     [](const CodedPage& p, std::vector<uint8_t>& d) {
       d[p.Body(kDamaged) + 10] = 0;
       d[p.Body(kDamaged) + 11] = 0;
     },
     kDamaged, kDamaged + kK, kRows},
    {"data ends inside a line",
     [](const CodedPage& p, std::vector<uint8_t>& d) { d.resize((p.Body(kDamaged) + p.starts[kDamaged + 1]) / 2); }, kDamaged, kRows,
     static_cast<size_t>(kDamaged) + 1},
};

class TwoDimDamage : public ::testing::TestWithParam<Damage> {
 protected:
  static const CodedPage& Page() {
    static const CodedPage page;
    return page;
  }
};

TEST_P(TwoDimDamage, CountsBadLinesAndKeepsThePage) {
  const Damage& damage = GetParam();
  const CodedPage& page = Page();
  std::vector<uint8_t> data = page.data;
  damage.apply(page, data);
  const MrDecodedPage decoded = DecodeMrPage(data.data(), data.size(), kWidth);

  ASSERT_EQ(decoded.rows.size(), damage.rowsKept);
  EXPECT_GE(decoded.badLines, 1u);
  uint32_t differing = 0;
  for (size_t y = 0; y < decoded.rows.size(); ++y) {
    SCOPED_TRACE(y);
    if (decoded.rows[y] == page.rows[y]) continue;
    ++differing;
    EXPECT_GE(y, static_cast<size_t>(damage.firstBad));
    EXPECT_LT(y, static_cast<size_t>(damage.intactFrom));
    // A bad line repeats the line before it.
    ASSERT_GT(y, 0u);
    EXPECT_EQ(decoded.rows[y], decoded.rows[y - 1]);
  }
  EXPECT_GE(differing, 1u);
  EXPECT_LE(differing, decoded.badLines);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TwoDimDamage, ::testing::ValuesIn(kDamages), [](const auto& info) {
  std::string name = info.param.name;
  for (char& c : name) {
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

TEST(TwoDimDamage, NoiseNeverHangsAndDeliversBoundedLines) {
  std::mt19937 rng(4);
  for (int round = 0; round < 200; ++round) {
    // Noise biased towards zeros, so that EOLs occur in it.
    std::vector<uint8_t> noise(1 + rng() % 3000);
    for (auto& b : noise) b = static_cast<uint8_t>(rng() & rng() & rng());
    for (const int width : {1728, 2048, 5}) {
      MrDecoder decoder(width);
      size_t rows = 0;
      decoder.DecodePage(noise.data(), noise.size(), [&](const uint8_t*) { ++rows; });
      EXPECT_EQ(rows, decoder.Lines());
      EXPECT_LE(rows, noise.size() * 8 / 13 + 1);  // each line takes an EOL and a tag
      EXPECT_LE(decoder.BadLines(), decoder.Lines());
    }
  }
}

}  // namespace
}  // namespace telvane
