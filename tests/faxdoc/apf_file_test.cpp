// IsApfFile, GetFaxHeader and GetPageHeader on hand-built files: signature,
// page number bounds, the page chain, and short or missing files.
#include <gtest/gtest.h>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_page_reader.h"
#include "tests/faxdoc/apf_test_files.h"
#include "base/error_codes.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using namespace test;

// Three pages with different lengths and flags; page n's data is n*10 bytes.
std::string ThreePages(uint32_t firstPageOffset = 64) {
  std::string file = FileHeaderBytes(3, firstPageOffset);
  file.resize(firstPageOffset, '\xEE');  // whatever stands between header and page 1
  file += PageBytes(pfLineRecords, std::string(10, '\x01'));
  file += PageBytes(pfLineRecords | pfHighRes, std::string(20, '\x02'));
  file += PageBytes(pfWide, std::string(30, '\x03'));
  return file;
}

TEST(ApfFile, SignatureMismatchInAnyByteIsRejected) {
  TempDir dir;
  const std::string name = dir.File("f.apf");
  WriteAll(name, ThreePages());
  ApfFileHeader header;
  ApfPageHeader page;
  ASSERT_TRUE(IsApfFile(name));
  ASSERT_EQ(GetFaxHeader(name, header), 0);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    std::string bad = ThreePages();
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    WriteAll(name, bad);
    EXPECT_FALSE(IsApfFile(name));
    EXPECT_EQ(GetFaxHeader(name, header), ecFaxBadFormat);
    EXPECT_EQ(GetPageHeader(name, 1, page), ecFaxBadFormat);
    ApfPageReader reader;
    EXPECT_EQ(reader.Open(name, 1), ecFaxBadFormat);
  }
}

TEST(ApfFile, MissingEmptyAndShortFiles) {
  TempDir dir;
  ApfFileHeader header;
  ApfPageHeader page;
  EXPECT_EQ(GetFaxHeader("", header), ecFileNotFound);
  EXPECT_EQ(GetPageHeader("", 1, page), ecFileNotFound);
  EXPECT_FALSE(IsApfFile(""));
  EXPECT_EQ(GetFaxHeader(dir.File("none.apf"), header), ecFileNotFound);
  EXPECT_FALSE(IsApfFile(dir.File("none.apf")));

  // The signature alone: IsApfFile is satisfied, the header is short.
  WriteAll(dir.File("short.apf"), ThreePages().substr(0, 6));
  EXPECT_TRUE(IsApfFile(dir.File("short.apf")));
  EXPECT_EQ(GetFaxHeader(dir.File("short.apf"), header), ecReadBeyondEof);
  WriteAll(dir.File("tiny.apf"), "APF");
  EXPECT_FALSE(IsApfFile(dir.File("tiny.apf")));

  // A directory is no file.
  EXPECT_FALSE(IsApfFile(dir.Path().string()));
  EXPECT_LT(GetFaxHeader(dir.Path().string(), header), 0);
}

TEST(ApfFile, PageNumberBounds) {
  TempDir dir;
  const std::string name = dir.File("f.apf");
  WriteAll(name, ThreePages());
  ApfPageHeader page;
  EXPECT_EQ(GetPageHeader(name, 4, page), ecFaxBadFormat);
  // Page 0 succeeds without reading a page header.
  page.DataLength = 12345;
  page.PageFlags = 0x7777;
  EXPECT_EQ(GetPageHeader(name, 0, page), 0);
  EXPECT_EQ(page.DataLength, 12345u);
  EXPECT_EQ(page.PageFlags, 0x7777);
}

TEST(ApfFile, PagesAreFoundThroughTheDataLengthChain) {
  TempDir dir;
  for (uint32_t first : {64u, 100u}) {
    SCOPED_TRACE(first);
    const std::string name = dir.File("f.apf");
    WriteAll(name, ThreePages(first));
    ApfPageHeader page;
    ASSERT_EQ(GetPageHeader(name, 1, page), 0);
    EXPECT_EQ(page.DataLength, 10u);
    EXPECT_EQ(page.PageFlags, pfLineRecords);
    ASSERT_EQ(GetPageHeader(name, 3, page), 0);
    EXPECT_EQ(page.DataLength, 30u);
    EXPECT_EQ(page.PageFlags, pfWide);
  }
}

TEST(ApfFile, ChainRunningPastTheEndOfTheFile) {
  TempDir dir;
  const std::string name = dir.File("f.apf");
  std::string file = ThreePages();
  file.resize(file.size() - 30 - 16 + 8);  // page 3's header cut in half
  WriteAll(name, file);
  ApfPageHeader page;
  EXPECT_EQ(GetPageHeader(name, 2, page), 0);
  EXPECT_EQ(GetPageHeader(name, 3, page), ecReadBeyondEof);
}

}  // namespace
}  // namespace telvane
