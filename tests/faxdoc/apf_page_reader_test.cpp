// ApfPageReader: pages written by ApfWriter, hand-built record and stream
// pages, overlong records, cut-short and damaged files.
#include <gtest/gtest.h>

#include <random>

#include "faxdoc/apf_page_reader.h"
#include "tests/faxdoc/apf_test_files.h"
#include "faxdoc/apf_writer.h"
#include "base/error_codes.h"
#include "tests/faxdoc/t4_reference.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using namespace test;
using Raster = std::vector<uint8_t>;

// All lines of a page and the final return code.
struct ReadResult {
  std::vector<Raster> lines;
  int rc = 0;
  uint32_t badCodes = 0;
};

ReadResult ReadPage(const std::string& name, unsigned page) {
  ReadResult r;
  ApfPageReader reader;
  r.rc = reader.Open(name, page);
  if (r.rc != 0) return r;
  Raster line;
  while ((r.rc = reader.ReadLine(line)) == 1) r.lines.push_back(line);
  r.badCodes = reader.BadCodes();
  return r;
}

Raster Solid(int width, int blackFrom, int blackTo) {
  return RasterFromRuns({blackFrom, blackTo - blackFrom, width - blackTo}, width);
}

TEST(ApfPageReader, ConvertedOneLineWhitePageIsOneZeroLine) {
  TempDir dir;
  const std::string name = dir.File("p.apf");
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  ASSERT_EQ(w.BeginPage(false, false), 0);
  const auto coded = EncodeRasterLine(Raster(216, 0).data(), 1728);
  ASSERT_EQ(w.AddLine(coded.data(), coded.size()), 0);
  ASSERT_EQ(w.Finish("S"), 0);

  const ReadResult r = ReadPage(name, 1);
  EXPECT_EQ(r.rc, 0);
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(r.lines[0], Raster(216, 0));
  EXPECT_EQ(r.badCodes, 0u);
}

TEST(ApfPageReader, ReadsTheRequestedPage) {
  TempDir dir;
  const std::string name = dir.File("p.apf");
  ApfWriter w;
  ASSERT_EQ(w.Create(name), 0);
  // Page n: n lines, each black from column 10n; page 3 is wide.
  for (int n = 1; n <= 4; ++n) {
    const int width = n == 3 ? 2048 : 1728;
    ASSERT_EQ(w.BeginPage(n % 2 == 0, width == 2048), 0);
    for (int i = 0; i < n; ++i) {
      const auto coded = EncodeRasterLine(Solid(width, 10 * n, 10 * n + 5).data(), width);
      ASSERT_EQ(w.AddLine(coded.data(), coded.size()), 0);
    }
    ASSERT_EQ(w.EndPage(), 0);
  }
  ASSERT_EQ(w.Finish(""), 0);

  const ReadResult page3 = ReadPage(name, 3);
  EXPECT_EQ(page3.rc, 0);
  EXPECT_EQ(page3.lines, std::vector<Raster>(3, Solid(2048, 30, 35)));
  // Page 0 is the first page.
  EXPECT_EQ(ReadPage(name, 0).lines, std::vector<Raster>(1, Solid(1728, 10, 15)));
  EXPECT_EQ(ReadPage(name, 4).lines.size(), 4u);
  EXPECT_EQ(ReadPage(name, 5).rc, ecFaxBadFormat);
  EXPECT_EQ(ReadPage("", 1).rc, ecFileNotFound);

  ApfPageReader reader;
  ASSERT_EQ(reader.Open(name, 2), 0);
  EXPECT_EQ(reader.PageHeader().PageFlags, pfLineRecords | pfHighRes);
  EXPECT_EQ(reader.FileHeader().PageCount, 4);
}

TEST(ApfPageReader, FirstPageOffsetOtherThan64) {
  TempDir dir;
  const std::string name = dir.File("p.apf");
  std::string file = FileHeaderBytes(1, 128) + std::string(64, '\x55');
  file += PageBytes(pfLineRecords, Record(CodedLine(Solid(1728, 0, 8), 1728)) + Record(EndOfPageBytes()));
  WriteAll(name, file);
  const ReadResult r = ReadPage(name, 1);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, std::vector<Raster>(1, Solid(1728, 0, 8)));
}

TEST(ApfPageReader, RecordLongerThan4096IsCutAndTheNextRecordFound) {
  // Record 2 claims 5000 bytes: its first 4096 hold a line and zero fill,
  // the 904 bytes after them black lines that must not be decoded.
  const std::string line1 = CodedLine(Solid(1728, 0, 1), 1728);
  std::string longRecord = CodedLine(Solid(1728, 1, 2), 1728);
  longRecord.resize(4096, '\0');
  while (longRecord.size() < 5000) longRecord += CodedLine(Raster(216, 0xFF), 1728);
  longRecord.resize(5000);
  const std::string line3 = CodedLine(Solid(1728, 2, 3), 1728);
  const std::string data = Record(line1) + Record(longRecord) + Record(line3) + Record(EndOfPageBytes());

  TempDir dir;
  const std::string name = dir.File("p.apf");
  WriteAll(name, FileHeaderBytes(1) + PageBytes(pfLineRecords, data));
  const ReadResult r = ReadPage(name, 1);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.lines, (std::vector<Raster>{Solid(1728, 0, 1), Solid(1728, 1, 2), Solid(1728, 2, 3)}));
  EXPECT_EQ(r.badCodes, 0u);
}

TEST(ApfPageReader, PageEndsWhereItsDataEnds) {
  // Page 1 lacks the end-of-page record, and its last line has no EOL after
  // it. Reading on into page 2 (a header of mostly zero bits, then an EOL)
  // would deliver that last line.
  const std::string a = CodedLine(Solid(1728, 0, 4), 1728), b = CodedLine(Solid(1728, 4, 8), 1728);
  const std::string white = CodedLine(Raster(216, 0), 1728);
  TempDir dir;
  const std::string name = dir.File("p.apf");
  for (bool records : {false, true}) {
    SCOPED_TRACE(records);
    const auto wrap = [records](const std::string& coded) { return records ? Record(coded) : coded; };
    const uint16_t flags = records ? pfLineRecords : 0;
    WriteAll(name, FileHeaderBytes(2) + PageBytes(flags, wrap(a) + wrap(b)) +
                       PageBytes(flags, wrap(white) + wrap(EndOfPageBytes())));
    const ReadResult r = ReadPage(name, 1);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, std::vector<Raster>(1, Solid(1728, 0, 4)));
    EXPECT_EQ(ReadPage(name, 2).lines, std::vector<Raster>(1, Raster(216, 0)));
  }
}

TEST(ApfPageReader, PageCutShortFailsAfterItsWholeBlocks) {
  // A stream-form page of many lines; the file ends 100 bytes before the
  // page data does. The first 4096-byte block's lines come out, then -8001.
  std::string data;
  for (int i = 0; i < 300; ++i) data += CodedLine(Raster(216, i % 2 ? 0x5A : 0x0F), 1728);
  data += EndOfPageBytes();
  ASSERT_GT(data.size(), 8192u);
  TempDir dir;
  const std::string name = dir.File("p.apf");
  std::string file = FileHeaderBytes(1) + PageBytes(0, data);
  file.resize(file.size() - 100);
  WriteAll(name, file);
  const ReadResult r = ReadPage(name, 1);
  EXPECT_EQ(r.rc, ecFaxBadFormat);
  EXPECT_GT(r.lines.size(), 10u);
  EXPECT_LT(r.lines.size(), 300u);

  // The same in line-record form.
  std::string records;
  for (int i = 0; i < 20; ++i) records += Record(CodedLine(Raster(216, 0x0F), 1728));
  records += Record(EndOfPageBytes());
  file = FileHeaderBytes(1) + PageBytes(pfLineRecords, records);
  for (size_t cut : {1u, 5u, 20u}) {
    WriteAll(name, file.substr(0, file.size() - cut));
    EXPECT_EQ(ReadPage(name, 1).rc, ecFaxBadFormat) << cut;
  }
}

TEST(ApfPageReader, TruncatedHeaders) {
  TempDir dir;
  const std::string name = dir.File("p.apf");
  const std::string file = FileHeaderBytes(1) + PageBytes(pfLineRecords, Record(EndOfPageBytes()));
  WriteAll(name, file.substr(0, 40));
  EXPECT_EQ(ReadPage(name, 1).rc, ecReadBeyondEof);
  WriteAll(name, file.substr(0, 70));
  EXPECT_EQ(ReadPage(name, 1).rc, ecReadBeyondEof);
}

TEST(ApfPageReader, GarbagePageDataIsSurvivedAndCounted) {
  std::mt19937 rng(5);
  TempDir dir;
  const std::string name = dir.File("p.apf");
  for (uint16_t flags : {uint16_t{0}, pfLineRecords}) {
    SCOPED_TRACE(flags);
    std::string data;
    if (flags & pfLineRecords) {
      for (int i = 0; i < 200; ++i) {
        std::string junk(rng() % 300, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        data += Record(junk);
      }
    } else {
      data.resize(20000);
      for (char& c : data) c = static_cast<char>(rng());
    }
    WriteAll(name, FileHeaderBytes(1) + PageBytes(flags, data));
    const ReadResult r = ReadPage(name, 1);
    EXPECT_GE(r.rc, 0);
    EXPECT_GT(r.badCodes, 50u);
    for (const Raster& line : r.lines) EXPECT_TRUE(line.size() == 216 || line.size() == 256);
  }
}

}  // namespace
}  // namespace telvane
