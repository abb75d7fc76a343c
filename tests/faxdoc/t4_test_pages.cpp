// Pages of typical and extreme content for the T.4 codec tests.
#include "tests/faxdoc/t4_test_pages.h"

#include <random>

namespace telvane::test {

Page MakePage(Kind kind, int width, int lines, uint32_t seed) {
  std::mt19937 rng(seed);
  const size_t bytes = static_cast<size_t>(width / 8);
  Page page;
  for (int y = 0; y < lines; ++y) {
    switch (kind) {
      case Kind::kAllWhite:
        page.emplace_back(bytes, 0x00);
        break;
      case Kind::kAllBlack:
        page.emplace_back(bytes, 0xFF);
        break;
      case Kind::kAlternating:
        // Single pixels, and pairs. Both start white: libtiff's decoder keeps
        // room for as many runs as the line has pixels, so a line of single
        // pixels starting black (a white 0 run first) is beyond it.
        page.emplace_back(bytes, y % 2 ? 0x55 : 0x66);
        break;
      case Kind::kRandomRuns: {
        std::vector<int> runs;
        for (int total = 0; total < width;) {
          const int run = rng() % 4 ? static_cast<int>(rng() % 16) : static_cast<int>(rng() % 2600);
          runs.push_back(run);
          total += run;
        }
        page.push_back(RasterFromRuns(runs, width));
        break;
      }
      case Kind::kTextLike: {
        // Strokes 1-4 pixels wide between gaps of 1-12, in a band with margins.
        std::vector<int> runs{150 + static_cast<int>(rng() % 20)};
        for (int total = runs[0]; total < width - 200;) {
          runs.push_back(1 + static_cast<int>(rng() % 4));
          runs.push_back(1 + static_cast<int>(rng() % 12));
          total += runs[runs.size() - 2] + runs.back();
        }
        page.push_back(y % 40 < 24 ? RasterFromRuns(runs, width) : Line(bytes, 0));
        break;
      }
    }
  }
  return page;
}

const PageCase kPages[kPageCaseCount] = {
    {"random runs 1728", Kind::kRandomRuns, 1728}, {"random runs 2048", Kind::kRandomRuns, 2048},
    {"all white 1728", Kind::kAllWhite, 1728},     {"all white 2048", Kind::kAllWhite, 2048},
    {"all black 1728", Kind::kAllBlack, 1728},     {"all black 2048", Kind::kAllBlack, 2048},
    {"alternating 1728", Kind::kAlternating, 1728}, {"alternating 2048", Kind::kAlternating, 2048},
    {"text-like 1728", Kind::kTextLike, 1728},     {"text-like 2048", Kind::kTextLike, 2048},
};

}  // namespace telvane::test
