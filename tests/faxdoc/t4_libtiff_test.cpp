// Our T.4 coder and decoder checked against libtiff's independent Group 3
// 1-D codec, in both directions, on typical and extreme pages.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "faxdoc/apf_page_reader.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_decoder.h"
#include "faxdoc/t4_encoder.h"
#include "tests/faxdoc/t4_reference.h"
#include "tests/faxdoc/t4_test_pages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_g3.h"

namespace telvane {
namespace {

using test::Kind;
using test::kPages;
using test::Line;
using test::MakePage;
using test::Page;
using test::PageCase;

// The payloads of a page's line records, end-of-page record included.
std::vector<uint8_t> RecordPayloads(const std::string& file, unsigned pageNumber) {
  const std::string bytes = test::ReadAll(file);
  size_t at = 64;
  for (unsigned n = 1;; ++n) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at;
    const uint32_t dataLength = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    if (n < pageNumber) {
      at += 16 + dataLength;
      continue;
    }
    std::vector<uint8_t> out;
    for (size_t r = at + 16; r < at + 16 + dataLength;) {
      const size_t count = static_cast<uint8_t>(bytes[r]) | (static_cast<uint8_t>(bytes[r + 1]) << 8);
      out.insert(out.end(), bytes.begin() + static_cast<long>(r + 2), bytes.begin() + static_cast<long>(r + 2 + count));
      r += 2 + count;
    }
    return out;
  }
}

TEST(T4LibtiffCheck, LibtiffDecodesWhatWeWrite) {
  test::TempDir dir;
  const std::string file = dir.File("pages.apf");
  ApfWriter writer;
  ASSERT_EQ(writer.Create(file), 0);
  std::vector<Page> pages;
  uint32_t seed = 1;
  for (const PageCase& c : kPages) {
    pages.push_back(MakePage(c.kind, c.width, 120, seed++));
    ASSERT_EQ(writer.BeginPage(false, c.width == 2048), 0);
    for (const Line& line : pages.back()) {
      const std::vector<uint8_t> coded = EncodeRasterLine(line.data(), c.width);
      ASSERT_EQ(writer.AddLine(coded.data(), coded.size()), 0);
    }
    ASSERT_EQ(writer.EndPage(), 0);
  }
  ASSERT_EQ(writer.Finish("TEST"), 0);

  for (size_t i = 0; i < std::size(kPages); ++i) {
    SCOPED_TRACE(kPages[i].name);
    std::string error;
    const Page decoded = test::TiffDecodeG3(RecordPayloads(file, static_cast<unsigned>(i + 1)), kPages[i].width,
                                            static_cast<int>(pages[i].size()), &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(decoded, pages[i]);
  }
}

TEST(T4LibtiffCheck, WeDecodeWhatLibtiffWrites) {
  uint32_t seed = 100;
  for (const PageCase& c : kPages) {
    SCOPED_TRACE(c.name);
    const Page page = MakePage(c.kind, c.width, 120, seed++);
    std::string error;
    std::vector<uint8_t> strip = test::TiffEncodeG3(page, c.width, &error);
    ASSERT_EQ(error, "");
    ASSERT_FALSE(strip.empty());
    strip.insert(strip.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));

    const auto result = test::DecodeAll(strip);
    EXPECT_EQ(result.badCodes, 0u);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.lines, page);
  }
}

TEST(T4LibtiffCheck, StreamFormPageFromLibtiffReadsBack) {
  // libtiff's strip stored as a stream-form page: no records, lines found
  // by their EOLs only, the strip split across 4096-byte blocks.
  const Page page = MakePage(Kind::kTextLike, 1728, 300, 77);
  std::vector<uint8_t> strip = test::TiffEncodeG3(page, 1728);
  strip.insert(strip.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  ASSERT_GT(strip.size(), 3 * 4096u);

  std::string file(64, '\0');
  file.replace(0, 6, "APF10\x1A");
  file[32] = 1;   // one page
  file[34] = 64;  // first page at 64
  const uint32_t length = static_cast<uint32_t>(strip.size());
  std::string pageHeader(16, '\0');
  for (int i = 0; i < 4; ++i) pageHeader[i] = static_cast<char>(length >> (8 * i));
  file += pageHeader + std::string(strip.begin(), strip.end());
  test::TempDir dir;
  test::WriteAll(dir.File("s.apf"), file);

  ApfPageReader reader;
  ASSERT_EQ(reader.Open(dir.File("s.apf"), 1), 0);
  Page read;
  std::vector<uint8_t> line;
  int rc;
  while ((rc = reader.ReadLine(line)) == 1) read.push_back(line);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(read, page);
  EXPECT_EQ(reader.BadCodes(), 0u);
}

}  // namespace
}  // namespace telvane
