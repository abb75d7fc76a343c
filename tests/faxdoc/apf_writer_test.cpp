// ApfWriter: the bytes it lays down, buffering across 4096-byte blocks, and
// that a failed or abandoned file is removed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "faxdoc/apf_file.h"
#include "tests/faxdoc/apf_test_files.h"
#include "faxdoc/apf_writer.h"
#include "base/error_codes.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

std::string Line(size_t length, char fill) {
  std::string s(length, fill);
  s[0] = '\0';
  if (length > 1) s[1] = '\x80';
  return s;
}

int Add(ApfWriter& w, const std::string& coded) {
  return w.AddLine(reinterpret_cast<const uint8_t*>(coded.data()), coded.size());
}

TEST(ApfWriter, WritesHeadersRecordsAndEndOfPage) {
  TempDir dir;
  const std::string name = dir.File("out.apf");
  const std::string a = Line(6, '\x11'), b = Line(40, '\x22'), c = Line(9, '\x33');
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  ASSERT_EQ(w.BeginPage(true, false), 0);
  ASSERT_EQ(Add(w, a), 0);
  ASSERT_EQ(Add(w, b), 0);
  ASSERT_EQ(w.EndPage(), 0);
  ASSERT_EQ(w.BeginPage(false, true), 0);
  ASSERT_EQ(Add(w, c), 0);
  ASSERT_EQ(w.EndPage(), 0);
  EXPECT_EQ(w.PageCount(), 2);
  const std::time_t when = 1718106358;  // a fixed moment; CreatedAt is its local time
  ASSERT_EQ(w.Finish("STATION 1", when), 0);
  EXPECT_FALSE(w.IsOpen());

  std::tm local{};
  localtime_r(&when, &local);
  std::string expected = FileHeaderBytes(2);
  expected.replace(6, 4, Le32(PackDosDateTime(local)));
  expected.replace(10, 21, std::string("\x09STATION 1           ", 21));
  const std::string page1 = Record(a) + Record(b) + Record(EndOfPageBytes());
  const std::string page2 = Record(c) + Record(EndOfPageBytes());
  expected += PageBytes(pfLineRecords | pfHighRes, page1) + PageBytes(pfLineRecords | pfWide, page2);
  EXPECT_EQ(ReadAll(name), expected);
}

TEST(ApfWriter, OutputIsExactAcrossBufferBlocks) {
  // Records around and above the buffer's free space, so that partial
  // flushes, direct whole-block writes and the page header patch all occur.
  TempDir dir;
  const std::string name = dir.File("out.apf");
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  std::string page1, page2;
  ASSERT_EQ(w.BeginPage(false, false), 0);
  const size_t lengths[] = {4000, 4096, 4094, 3, 4095, 1, 4096, 4096, 2, 17, 4096};
  char fill = 'a';
  for (size_t length : lengths) {
    const std::string line = Line(length, fill++);
    ASSERT_EQ(Add(w, line), 0);
    page1 += Record(line);
  }
  ASSERT_EQ(w.EndPage(), 0);
  ASSERT_EQ(w.BeginPage(false, false), 0);
  for (int i = 0; i < 700; ++i) {
    const std::string line = Line(static_cast<size_t>(5 + i % 37), static_cast<char>(i));
    ASSERT_EQ(Add(w, line), 0);
    page2 += Record(line);
  }
  ASSERT_EQ(w.Finish(""), 0);  // ends the open page

  const std::string file = ReadAll(name);
  const std::string pages = PageBytes(pfLineRecords, page1 + Record(EndOfPageBytes())) +
                            PageBytes(pfLineRecords, page2 + Record(EndOfPageBytes()));
  ASSERT_EQ(file.size(), 64 + pages.size());
  EXPECT_TRUE(file.substr(64) == pages);
  ApfFileHeader header;
  ASSERT_EQ(GetFaxHeader(name, header), 0);
  EXPECT_EQ(header.PageCount, 2);
}

TEST(ApfWriter, AbandonedFilesAreDeleted) {
  TempDir dir;
  const std::string name = dir.File("out.apf");
  {
    ApfWriter w;
    ASSERT_EQ(w.Create(name), 0);
    ASSERT_EQ(w.BeginPage(false, false), 0);
    ASSERT_EQ(Add(w, Line(900, 'x')), 0);
    // The file is built beside its final name until it is finished.
    EXPECT_FALSE(fs::exists(name));
    EXPECT_FALSE(fs::is_empty(dir.Path()));
    w.Abandon();
    EXPECT_FALSE(fs::exists(name));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_FALSE(w.IsOpen());
  }
  {
    ApfWriter w;
    ASSERT_EQ(w.Create(name), 0);
    ASSERT_EQ(w.BeginPage(false, false), 0);
  }  // destroyed unfinished
  EXPECT_FALSE(fs::exists(name));
  {
    ApfWriter w;
    ASSERT_EQ(w.Create(name), 0);
    ASSERT_EQ(w.Finish("X"), 0);
    w.Abandon();  // a finished file stays
  }
  EXPECT_TRUE(IsApfFile(name));
}

TEST(ApfWriter, RecordAbove4096BytesAbandonsTheFile) {
  TempDir dir;
  const std::string name = dir.File("out.apf");
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  ASSERT_EQ(w.BeginPage(false, false), 0);
  EXPECT_EQ(Add(w, Line(4097, 'x')), ecBadArgument);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(fs::exists(name));
}

TEST(ApfWriter, CreateInMissingFolderFails) {
  TempDir dir;
  ApfWriter w;
  EXPECT_EQ(w.Create(dir.File("no/such/folder/out.apf")), ecFileNotFound);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_EQ(w.BeginPage(false, false), ecNotOpen);
}

TEST(ApfWriter, WriteFailureLeavesNoFile) {
  // The output name is a link to a device that refuses every write: the
  // writer reports the full disk and removes the link, not the device.
  TempDir dir;
  const std::string name = dir.File("out.apf");
  ASSERT_EQ(::symlink("/dev/full", name.c_str()), 0);
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  ASSERT_EQ(w.BeginPage(false, false), 0);
  ASSERT_EQ(Add(w, Line(100, 'x')), 0);  // still in the buffer
  EXPECT_EQ(w.EndPage(), ecDiskFull);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(fs::exists(fs::symlink_status(name)));
  EXPECT_TRUE(fs::exists("/dev/full"));

  // A record too large for the buffer fails at once.
  ASSERT_EQ(::symlink("/dev/full", name.c_str()), 0);
  ASSERT_EQ(w.Create(name), 0);
  ASSERT_EQ(w.BeginPage(false, false), 0);
  EXPECT_EQ(Add(w, Line(4096, 'x')), ecDiskFull);
  EXPECT_FALSE(fs::exists(fs::symlink_status(name)));
}

}  // namespace
}  // namespace telvane
