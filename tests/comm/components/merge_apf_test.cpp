// Joining APF files into one: pages in list order, the summed page count,
// and bad input refused without leaving a temporary file behind.
#include <gtest/gtest.h>

#include "apf_file.h"
#include "apf_pages.h"
#include "component_fixture.h"
#include "exceptions.h"
#include "merge_apf.h"
#include "temp_dir.h"

namespace telvane {
namespace {

using test::ComponentFixture;

std::vector<test::RasterPage> Pages(const std::vector<int>& numbers) {
  std::vector<test::RasterPage> out;
  for (int n : numbers) out.push_back(test::TestPage(n));
  return out;
}

TEST(MergeApfFiles, PagesOfAllFilesInListOrder) {
  test::TempDir dir, temp;
  const std::string a = test::WriteTestApf(dir.File("a.apf"), {1, 2});
  const std::string b = test::WriteTestApf(dir.File("b.apf"), {3});
  const std::string c = test::WriteTestApf(dir.File("c.apf"), {4, 5});
  const std::string merged = MergeApfFiles({b, a, c}, temp.Path().string());
  EXPECT_EQ(std::filesystem::path(merged).parent_path(), temp.Path());
  EXPECT_EQ(std::filesystem::path(merged).filename().string().rfind("~AP", 0), 0u) << merged;
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(merged, header), 0);
  EXPECT_EQ(header.PageCount, 5);
  EXPECT_EQ(header.StationIdText(), "TEST");  // the first file's header
  EXPECT_TRUE(test::ReadApfPages(merged) == Pages({3, 1, 2, 4, 5}));
}

TEST(MergeApfFiles, AFileWithoutTheSignatureIsABadFormatAndLeavesNothing) {
  test::TempDir dir, temp;
  const std::string good = test::WriteTestApf(dir.File("good.apf"), {1});
  std::string bytes = test::ReadAll(good);
  bytes[5] = 'X';  // "APF10" must be followed by byte 26
  test::WriteAll(dir.File("bad.apf"), bytes);
  for (const auto& list : {std::vector<std::string>{good, dir.File("bad.apf")},
                           std::vector<std::string>{dir.File("bad.apf"), good}}) {
    try {
      MergeApfFiles(list, temp.Path().string());
      ADD_FAILURE() << "no exception";
    } catch (const EFaxBadFormat& e) {
      EXPECT_EQ(e.ErrorCode(), -8001);
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
}

TEST(MergeApfFiles, TruncatedAndMissingFilesAreRefused) {
  test::TempDir dir, temp;
  const std::string good = test::WriteTestApf(dir.File("good.apf"), {1, 2});
  std::string bytes = test::ReadAll(good);
  test::WriteAll(dir.File("short.apf"), bytes.substr(0, bytes.size() - 10));
  EXPECT_THROW(MergeApfFiles({good, dir.File("short.apf")}, temp.Path().string()), EFaxBadFormat);
  EXPECT_THROW(MergeApfFiles({good, dir.File("none.apf")}, temp.Path().string()), EAPDException);
  EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
}

}  // namespace
}  // namespace telvane
