// Pages of typical and extreme content for the T.4 codec tests.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/faxdoc/t4_reference.h"

namespace telvane::test {

using Page = std::vector<Line>;

enum class Kind { kRandomRuns, kAllWhite, kAllBlack, kAlternating, kTextLike };

// `lines` raster lines of `width` pixels (a multiple of 8).
Page MakePage(Kind kind, int width, int lines, uint32_t seed);

struct PageCase {
  const char* name;
  Kind kind;
  int width;
};

// Each kind at 1728 and 2048 pixels.
inline constexpr int kPageCaseCount = 10;
extern const PageCase kPages[kPageCaseCount];

}  // namespace telvane::test
