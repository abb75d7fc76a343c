// The test pages of the end-to-end fax tests, as the modem emulator draws
// them: APF files of them for our senders, what those pages look like at
// the far end, and the check of a received APF file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/apf_pages.h"
#include "tools/modem_emulator/far_end.h"

namespace telvane::test {

using Rows = std::vector<std::vector<uint8_t>>;

inline constexpr int kPageLines = 120;

// Test page `n` (1-based); the second is the fine one.
inline Rows PageRows(int n, int width = kNormalWidth) { return emu::TestPageRasters(n, kPageLines, width); }
inline bool PageFine(int n) { return n == 2; }

// Our sender's page `p` as the far end gets it: the engine starts every
// page with eight white lines.
inline Rows SentRows(int p, int width = kNormalWidth) {
  Rows rows(8, std::vector<uint8_t>(static_cast<std::size_t>(width) / 8, 0));
  for (auto& line : PageRows(p, width)) rows.push_back(line);
  return rows;
}

// Writes test pages 1 to `pages` as an APF file; page `widePage` is 2048
// pixels wide. Gives the file's name.
inline std::string WriteTestPagesApf(const std::string& name, int pages, int widePage = 0) {
  ApfWriter w;
  EXPECT_EQ(w.Create(name), 0);
  for (int p = 1; p <= pages; ++p) {
    const bool wide = p == widePage;
    const int width = wide ? kWideWidth : kNormalWidth;
    EXPECT_EQ(w.BeginPage(PageFine(p), wide), 0);
    for (const auto& line : PageRows(p, width)) {
      auto coded = EncodeRasterLine(line.data(), width);
      EXPECT_EQ(w.AddLine(coded.data(), coded.size()), 0);
    }
    EXPECT_EQ(w.EndPage(), 0);
  }
  EXPECT_EQ(w.Finish("SENDER"), 0);
  return name;
}

// A received APF file holds exactly `expected`, page p (1-based) at the
// resolution of test page p.
inline void ExpectApfPages(const std::string& file, const std::vector<Rows>& expected) {
  const auto got = ReadApfPages(file);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    const int p = static_cast<int>(i) + 1;
    ApfPageHeader page;
    ASSERT_EQ(GetPageHeader(file, static_cast<unsigned>(p), page), 0);
    EXPECT_EQ((page.PageFlags & pfHighRes) != 0, PageFine(p)) << "page " << p;
    EXPECT_TRUE(got[i] == expected[i]) << "page " << p << " differs: " << got[i].size() << " lines";
  }
}

}  // namespace telvane::test
