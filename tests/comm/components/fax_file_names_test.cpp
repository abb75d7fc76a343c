// Names of received fax files: both naming modes, the first free number, and
// a fax that arrives when every number is taken.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "comm/components/fax_file_names.h"
#include "comm/components/receive_fax.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

std::time_t Noon(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

void Touch(const std::string& name) { test::WriteAll(name, ""); }

TEST(FaxFileNames, ModeOneTakesTheFirstFreeNumber) {
  test::TempDir dir;
  TApdReceiveFax fax(nullptr);
  fax.SetDestinationDir(dir.Path().string());  // no trailing separator: one is added
  EXPECT_EQ(fax.FaxNameMode(), 1);
  EXPECT_EQ(fax.NextFaxFileName(0), dir.File("FAX0001.APF"));
  Touch(dir.File("FAX0001.APF"));
  Touch(dir.File("FAX0002.APF"));
  EXPECT_EQ(fax.NextFaxFileName(0), dir.File("FAX0003.APF"));
  Touch(dir.File("FAX0004.APF"));  // a gap is filled before later numbers
  EXPECT_EQ(fax.NextFaxFileName(0), dir.File("FAX0003.APF"));
  fax.SetFaxFileExt("FAX");
  EXPECT_EQ(fax.NextFaxFileName(0), dir.File("FAX0001.FAX"));
}

TEST(FaxFileNames, ModeTwoStartsWithMonthAndDay) {
  test::TempDir dir;
  TApdReceiveFax fax(nullptr);
  fax.SetDestinationDir(dir.Path().string() + "/");
  fax.SetFaxNameMode(2);
  EXPECT_EQ(fax.NextFaxFileName(Noon(2026, 12, 9)), dir.File("12090001.APF"));
  EXPECT_EQ(fax.NextFaxFileName(Noon(2026, 3, 1)), dir.File("03010001.APF"));
  Touch(dir.File("03010001.APF"));
  EXPECT_EQ(fax.NextFaxFileName(Noon(2026, 3, 1)), dir.File("03010002.APF"));
}

TEST(FaxFileNames, AllNumbersTakenGivesEachFaxANewNameInTheFolder) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  for (int n = 1; n <= 9999; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "FAX%04d.APF", n);
    Touch(dir.File(name));
  }
  const std::string first = FreeFaxFileName(folder, 1, "APF", 0);
  const std::string second = FreeFaxFileName(folder, 1, "APF", 0);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second) << "a second fax must not overwrite the first";
  for (const std::string& name : {first, second}) {
    const std::filesystem::path p(name);
    EXPECT_EQ(p.parent_path(), dir.Path());
    EXPECT_EQ(p.extension(), ".APF");
    EXPECT_EQ(std::filesystem::file_size(p), 0u) << "reserved, still empty";
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 10001);
}

TEST(FaxFileNames, AReservedNameIsNotGivenToTheNextReceiver) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  for (int mode : {1, 0}) {
    SCOPED_TRACE(mode);
    const std::string first = ReserveFaxFileName(folder, mode, "APF", 0);
    const std::string second = ReserveFaxFileName(folder, mode, "APF", 0);
    EXPECT_EQ(first, dir.File(mode == 1 ? "FAX0001.APF" : "noname.apf"));
    EXPECT_NE(first, second) << "two faxes named before either is written";
    EXPECT_TRUE(std::filesystem::exists(first));
    EXPECT_TRUE(std::filesystem::exists(second));
  }
  EXPECT_EQ(ReserveFaxFileName(folder + "/missing", 1, "APF", 0), dir.File("missing/FAX0001.APF"))
      << "a folder that is not there is reported when the fax is written";
}

TEST(FaxFileNames, OtherModesUseOneNameWhileItIsFree) {
  test::TempDir dir;
  const std::string folder = dir.Path().string();
  EXPECT_EQ(FreeFaxFileName(folder, 0, "APF", 0), dir.File("noname.apf"));
  Touch(dir.File("noname.apf"));
  const std::string next = FreeFaxFileName(folder, 0, "APF", 0);
  EXPECT_NE(next, dir.File("noname.apf"));
  EXPECT_EQ(std::filesystem::path(next).parent_path(), dir.Path());
}

}  // namespace
}  // namespace telvane
