#include "tests/support/apf_pages.h"

#include <gtest/gtest.h>

#include <bit>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_page_reader.h"

namespace telvane::test {

std::vector<RasterPage> ReadApfPages(const std::string& fileName) {
  std::vector<RasterPage> pages;
  ApfFileHeader header;
  int rc = GetFaxHeader(fileName, header);
  EXPECT_EQ(rc, 0) << fileName;
  if (rc != 0) return pages;
  for (unsigned page = 1; page <= header.PageCount; ++page) {
    ApfPageReader reader;
    rc = reader.Open(fileName, page);
    EXPECT_EQ(rc, 0) << "page " << page;
    RasterPage lines;
    RasterLine line;
    while (rc == 0 && (rc = reader.ReadLine(line)) == 1) {
      lines.push_back(line);
      rc = 0;
    }
    EXPECT_EQ(rc, 0) << "page " << page;
    EXPECT_EQ(reader.BadCodes(), 0u) << "page " << page;
    pages.push_back(std::move(lines));
  }
  return pages;
}

int BlackPixels(const RasterLine& line) {
  int n = 0;
  for (uint8_t b : line) n += std::popcount(b);
  return n;
}

}  // namespace telvane::test
