// Joining APF files into one: bad input is refused without leaving a
// temporary file behind (the pages of a good merge are checked where the
// merged fax is sent, in send_fax_test.cpp).
#include <gtest/gtest.h>

#include "tests/comm/components/component_fixture.h"
#include "base/exceptions.h"
#include "comm/components/merge_apf.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

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
