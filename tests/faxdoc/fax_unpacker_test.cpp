// The fax unpacker: aspect modes, width trimming, blank-line compression,
// scaling, progress and abort, errors, and the images it writes as read back
// by libtiff, ImageMagick and Qt.
#include "faxdoc/fax_unpacker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "tests/faxdoc/apf_test_files.h"
#include "tests/support/raised_code.h"
#include "faxdoc/bmp_file.h"
#include "base/exceptions.h"
#include "tests/faxdoc/image_references.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Bytes;
using test::CodedLine;
using test::EndOfPageBytes;
using test::FileHeaderBytes;
using test::Le16;
using test::Le32;
using test::MonoImage;
using test::PageBytes;
using test::ReadAll;
using test::Record;
using test::TempDir;
using test::WriteAll;

using Raster = std::vector<uint8_t>;
using Span = std::pair<int, int>;  // black pixels [first, second)

Raster Line(int width, std::initializer_list<Span> spans = {}) {
  Raster r(static_cast<size_t>(width / 8), 0);
  for (const auto& [from, to] : spans)
    for (int x = from; x < to; ++x) r[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  return r;
}

bool Black(const Raster& r, int x) { return (r[x >> 3] >> (7 - (x & 7))) & 1; }

// A page in line-record form (plus `flags`) with the end-of-page record.
std::string Page(const std::vector<Raster>& lines, uint16_t flags = 0) {
  const int width = (flags & pfWide) ? 2048 : 1728;
  std::string data;
  for (const Raster& line : lines) data += Record(CodedLine(line, width));
  data += Record(EndOfPageBytes());
  return PageBytes(flags | pfLineRecords, data);
}

std::string Apf(const std::vector<std::string>& pages) {
  std::string file = FileHeaderBytes(static_cast<uint16_t>(pages.size()));
  for (const auto& p : pages) file += p;
  return file;
}

// Lines with a text-like pattern that differs from line to line.
std::vector<Raster> Varied(int count, int width = 1728, unsigned seed = 7) {
  std::vector<Raster> lines;
  for (int y = 0; y < count; ++y) {
    Raster r(static_cast<size_t>(width / 8), 0);
    for (auto& b : r) {
      seed = seed * 1103515245u + 12345u;
      const unsigned v = seed >> 16;
      b = (v % 5 == 0) ? static_cast<uint8_t>(v >> 3) : (v % 7 == 0 ? 0xFF : 0);
    }
    lines.push_back(std::move(r));
  }
  return lines;
}

uint16_t Get16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t Get32(const std::string& s, size_t at) { return Get16(s, at) | (uint32_t{Get16(s, at + 2)} << 16); }

class UnpackerTest : public ::testing::Test {
 protected:
  // Writes the APF file and points the unpacker at it.
  std::string Use(const std::string& apfBytes, const std::string& name = "fax.apf") {
    const std::string path = dir.File(name);
    WriteAll(path, apfBytes);
    unpacker.SetInFileName(path);
    return path;
  }

  TempDir dir;
  TApdFaxUnpacker unpacker;
};

// --- Aspect modes and width ---

TEST_F(UnpackerTest, DoubleHeightDoublesStandardLinesOnly) {
  const std::vector<Raster> lines(5, Line(1728, {{0, 16}}));
  Use(Apf({Page(lines), Page(lines, pfHighRes)}));
  unpacker.OutFileName = dir.File("page.pcx");
  unpacker.PageToPcx(1);
  std::string pcx = ReadAll(dir.File("page.pcx"));
  EXPECT_EQ(Get16(pcx, 10), 9);  // y max: 10 lines
  unpacker.PageToPcx(2);
  pcx = ReadAll(dir.File("page.pcx"));
  EXPECT_EQ(Get16(pcx, 10), 4);
}

TEST_F(UnpackerTest, HalfWidthHalvesStandardLinesOnly) {
  // Pixel 1727 alone makes halved pixel 863 black; 1724 and 1725 make 862.
  const std::vector<Raster> lines = {Line(1728, {{1727, 1728}}), Line(1728, {{1724, 1726}})};
  Use(Apf({Page(lines), Page(lines, pfHighRes)}));
  unpacker.AutoScaleMode = asHalfWidth;
  Bitmap b = unpacker.PageToBitmap(1);
  ASSERT_EQ(b.Width(), 864);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Pixel(863, 0), (RgbColor{0, 0, 0}));
  EXPECT_EQ(b.Pixel(862, 0), (RgbColor{255, 255, 255}));
  EXPECT_EQ(b.Pixel(862, 1), (RgbColor{0, 0, 0}));
  EXPECT_EQ(b.Pixel(863, 1), (RgbColor{255, 255, 255}));

  unpacker.OutFileName = dir.File("half.pcx");
  unpacker.PageToPcx(1);
  const std::string pcx = ReadAll(dir.File("half.pcx"));
  EXPECT_EQ(Get16(pcx, 66), 108);  // bytes per line
  EXPECT_EQ(Get16(pcx, 8), 863);

  b = unpacker.PageToBitmap(2);
  EXPECT_EQ(b.Width(), 1728);
  EXPECT_EQ(b.Height(), 2);
}

TEST_F(UnpackerTest, WidthIsTrimmedToTheLastInkRoundedToEvenBytes) {
  Use(Apf({Page({Line(1728, {{0, 300}}), Line(1728, {{10, 20}})})}));
  unpacker.AutoScaleMode = asNone;
  unpacker.OutFileName = dir.File("trim.tif");
  unpacker.PageToTiff(1);
  const MonoImage tif = test::ReadTiffWithLibtiff(dir.File("trim.tif"));
  ASSERT_EQ(tif.error, "");
  EXPECT_EQ(tif.width, 304);  // 38 bytes
  EXPECT_EQ(tif.height, 2);
  EXPECT_TRUE(tif.Black(299, 0));
  EXPECT_FALSE(tif.Black(300, 0));
}

TEST_F(UnpackerTest, WidePagesAndBlankPagesKeepTheirFullWidth) {
  Use(Apf({Page({Line(2048, {{2040, 2048}})}, pfWide), Page({Line(1728), Line(1728)})}));
  unpacker.AutoScaleMode = asNone;
  EXPECT_EQ(unpacker.PageToBitmap(1).Width(), 2048);
  // A page with no black pixel is a white page of its size, not an empty image.
  const Bitmap blank = unpacker.PageToBitmap(2);
  EXPECT_EQ(blank.Width(), 1728);
  EXPECT_EQ(blank.Height(), 2);
}

// --- Blank-line compression ---

class WhitespaceTest : public UnpackerTest {
 protected:
  // Heights of the bitmap of one page: ink line, `gaps` blank lines, ink line, ...
  std::vector<bool> Rows(const std::vector<int>& gaps, int trailing, uint16_t flags = pfHighRes) {
    std::vector<Raster> lines{Line(1728, {{0, 8}})};
    for (int gap : gaps) {
      for (int i = 0; i < gap; ++i) lines.push_back(Line(1728));
      lines.push_back(Line(1728, {{0, 8}}));
    }
    for (int i = 0; i < trailing; ++i) lines.push_back(Line(1728));
    Use(Apf({Page(lines, flags)}));
    const Bitmap b = unpacker.PageToBitmap(1);
    std::vector<bool> ink;
    for (int y = 0; y < b.Height(); ++y) ink.push_back(b.Pixel(0, y) == RgbColor{0, 0, 0});
    return ink;
  }
};

TEST_F(WhitespaceTest, LongRunsShrinkShortRunsStay) {
  unpacker.WhitespaceCompression = true;
  unpacker.WhitespaceFrom = 10;
  unpacker.WhitespaceTo = 2;
  const std::vector<bool> ink = Rows({25, 9, 10}, 0);
  std::vector<bool> expected{true, false, false, true};
  expected.insert(expected.end(), 9, false);
  expected.insert(expected.end(), {true, false, false, true});
  EXPECT_EQ(ink, expected);
}

TEST_F(WhitespaceTest, OffUnlessBothValuesAndTheSwitchAreSet) {
  unpacker.WhitespaceFrom = 10;
  unpacker.WhitespaceTo = 2;
  EXPECT_EQ(Rows({25}, 0).size(), 27u);  // switch off
  unpacker.WhitespaceCompression = true;
  unpacker.WhitespaceTo = 0;
  EXPECT_EQ(Rows({25}, 0).size(), 27u);
}

TEST_F(WhitespaceTest, BlankLinesAtThePageEndFollowTheSameRule) {
  unpacker.WhitespaceCompression = true;
  unpacker.WhitespaceFrom = 10;
  unpacker.WhitespaceTo = 2;
  EXPECT_EQ(Rows({}, 25).size(), 3u);
  EXPECT_EQ(Rows({}, 9).size(), 10u);
  // Equal limits: a long run keeps its limit, a short one all its lines.
  unpacker.WhitespaceTo = 10;
  EXPECT_EQ(Rows({}, 15).size(), 11u);
  EXPECT_EQ(Rows({}, 5).size(), 6u);
}

TEST_F(WhitespaceTest, KeptBlankLinesAreDoubledOnStandardPages) {
  unpacker.WhitespaceCompression = true;
  unpacker.WhitespaceFrom = 10;
  unpacker.WhitespaceTo = 2;
  EXPECT_EQ(Rows({25}, 0, 0), std::vector<bool>({true, true, false, false, false, false, true, true}));
}

TEST_F(WhitespaceTest, ToAboveFromIsABadArgument) {
  Use(Apf({Page({Line(1728, {{0, 8}})})}));
  unpacker.WhitespaceCompression = true;
  unpacker.WhitespaceFrom = 2;
  unpacker.WhitespaceTo = 5;
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToBitmap(1); }), ecBadArgument);
  unpacker.OutFileName = dir.File("x.tif");
  EXPECT_EQ(test::RaisedCode([&] { unpacker.FileToTiff(); }), ecBadArgument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.tif")));
}

// --- Scaling ---

TEST_F(UnpackerTest, ScaleFactorsOfZeroAreIgnored) {
  unpacker.SetHorizMult(3);
  unpacker.SetHorizMult(0);
  unpacker.SetVertDiv(0);
  EXPECT_EQ(unpacker.HorizMult(), 3u);
  EXPECT_EQ(unpacker.VertDiv(), 1u);
}

TEST_F(UnpackerTest, ScalingStretchesByPixelCopy) {
  Use(Apf({Page({Line(1728, {{0, 64}, {1720, 1728}}), Line(1728)}, pfHighRes)}));
  unpacker.Scaling = true;
  unpacker.SetHorizDiv(4);
  unpacker.SetVertMult(2);
  const Bitmap b = unpacker.PageToBitmap(1);
  ASSERT_EQ(b.Width(), 432);
  ASSERT_EQ(b.Height(), 4);
  const RgbColor black{0, 0, 0}, white{255, 255, 255};
  EXPECT_EQ(b.Pixel(15, 0), black);
  EXPECT_EQ(b.Pixel(15, 1), black);
  EXPECT_EQ(b.Pixel(16, 0), white);
  EXPECT_EQ(b.Pixel(431, 1), black);
  EXPECT_EQ(b.Pixel(0, 2), white);

  // Without Scaling the factors are kept but not applied.
  unpacker.Scaling = false;
  EXPECT_EQ(unpacker.PageToBitmap(1).Width(), 1728);

  // Files get the stretched lines too.
  unpacker.Scaling = true;
  unpacker.OutFileName = dir.File("s.tif");
  unpacker.PageToTiff(1);
  const MonoImage tif = test::ReadTiffWithLibtiff(dir.File("s.tif"));
  ASSERT_EQ(tif.error, "");
  EXPECT_EQ(tif.width, 432);
  EXPECT_EQ(tif.height, 4);
  EXPECT_TRUE(tif.Black(15, 1));
  EXPECT_FALSE(tif.Black(16, 1));
}

TEST_F(UnpackerTest, AStretchNoBitmapCanHoldFails) {
  Use(Apf({Page({Line(1728, {{0, 8}})}, pfHighRes)}));
  unpacker.Scaling = true;
  unpacker.SetHorizMult(1u << 20);
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToBitmap(1); }), ecBitmapCreateFailed);
}

// --- Progress, yield and abort ---

TEST_F(UnpackerTest, ProgressClimbsToTheTotalOfAllPages) {
  const std::string page1 = Page(Varied(40)), page2 = Page(Varied(30, 2048), pfWide), page3 = Page(Varied(20));
  Use(Apf({page1, page2, page3}));
  const uint64_t total = Get32(page1, 0) + Get32(page2, 0) + Get32(page3, 0);
  std::vector<std::pair<unsigned, uint64_t>> seen;
  unpacker.OnStatus = [&](TApdCustomFaxUnpacker&, const std::string& name, unsigned page, uint64_t done,
                          uint64_t toDo) {
    EXPECT_EQ(name, unpacker.InFileName());
    EXPECT_EQ(toDo, total);
    EXPECT_LE(done, toDo);
    if (!seen.empty()) {
      EXPECT_GE(done, seen.back().second);
    }
    seen.emplace_back(page, done);
  };
  unpacker.OutFileName = dir.File("all.tif");
  unpacker.FileToTiff();
  ASSERT_GT(seen.size(), 90u);  // about one report per record
  EXPECT_EQ(seen.front().first, 1u);
  EXPECT_EQ(seen.back(), std::make_pair(3u, total));
}

TEST_F(UnpackerTest, YieldRunsOnlyWithTheOptionAndAQuitEndsTheUnpack) {
  Use(Apf({Page(Varied(100))}));
  int yields = 0;
  unpacker.Yield = [&] { return ++yields, 0; };
  unpacker.PageToBitmap(1);
  EXPECT_GT(yields, 3);
  yields = 0;
  unpacker.SetOptions(0);
  unpacker.PageToBitmap(1);
  EXPECT_EQ(yields, 0);

  unpacker.SetOptions(uoYield);
  unpacker.Yield = [] { return ecGotQuitMsg; };
  unpacker.OutFileName = dir.File("quit.pcx");
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToPcx(1); }), ecGotQuitMsg);
  EXPECT_FALSE(std::filesystem::exists(dir.File("quit.pcx")));
}

TEST_F(UnpackerTest, AbortKeepsTheLinesDecodedSoFar) {
  Use(Apf({Page(Varied(200)), Page(Varied(200))}));
  unpacker.AutoScaleMode = asNone;
  unpacker.OnStatus = [](TApdCustomFaxUnpacker& u, const std::string&, unsigned, uint64_t done, uint64_t total) {
    if (done * 4 > total) u.SetOptions(u.Options() | uoAbort);
  };
  const Bitmap b = unpacker.FileToBitmap();
  EXPECT_GT(b.Height(), 0);
  EXPECT_LT(b.Height(), 200);

  // Taking uoAbort out again does not undo an abort already requested.
  unpacker.OnStatus = [](TApdCustomFaxUnpacker& u, const std::string&, unsigned, uint64_t, uint64_t) {
    u.SetOptions(uoAbort | uoYield);
    u.SetOptions(uoYield);
  };
  EXPECT_TRUE(unpacker.PageToBitmap(1).IsNull());
}

TEST_F(UnpackerTest, AbortBeforeTheFirstLineGivesNoImage) {
  Use(Apf({Page(Varied(20))}));
  unpacker.SetOptions(uoYield | uoAbort);
  EXPECT_TRUE(unpacker.PageToBitmap(1).IsNull());
  unpacker.OutFileName = dir.File("none.tif");
  unpacker.PageToTiff(1);
  unpacker.FileToDcx();
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.tif")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.DCX")));
}

// --- Errors ---

TEST_F(UnpackerTest, FilesThatAreNotFaxesAndMissingPagesAreRejected) {
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToBitmap(1); }), ecFileNotFound);  // no InFileName
  Use("This is a text file, not a fax, and it is long enough to fill a header. ............");
  EXPECT_EQ(unpacker.PageCountOf(), 0u);
  EXPECT_EQ(test::RaisedCode([&] { unpacker.FileToBitmap(); }), ecFaxBadFormat);
  EXPECT_EQ(test::RaisedCode([&] { unpacker.ResolutionOf(); }), ecFaxBadFormat);

  Use(Apf({Page(Varied(3)), Page(Varied(3)), Page(Varied(3))}));
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToBitmap(4); }), ecFaxBadFormat);
  EXPECT_EQ(unpacker.PageToBitmap(3).Height(), 6);

  // A page with no line of a valid length.
  std::string shortLine = Record(Bytes({0x00, 0x80, 0x35, 0x00}));  // EOL, white 0... never 1728 pixels
  Use(FileHeaderBytes(1) + PageBytes(pfLineRecords, shortLine + Record(EndOfPageBytes())));
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToBitmap(1); }), ecFaxBadFormat);
}

TEST_F(UnpackerTest, AStreamPageCutShortFailsAndKeepsAnEarlierImage) {
  std::string data;
  for (const Raster& line : Varied(30)) data += CodedLine(line, 1728);
  data += EndOfPageBytes();
  // Stream form: the page claims more data than the file holds.
  Use(FileHeaderBytes(1) + PageBytes(0, data, static_cast<int64_t>(data.size() + 5000)));
  WriteAll(dir.File("keep.tif"), "an earlier image");
  unpacker.OutFileName = dir.File("keep.tif");
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToTiff(1); }), ecFaxBadFormat);
  EXPECT_EQ(ReadAll(dir.File("keep.tif")), "an earlier image");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // no temporary left

  // The same page complete decodes exactly like its line-record form.
  Use(FileHeaderBytes(1) + PageBytes(0, data));
  const Bitmap stream = unpacker.PageToBitmap(1);
  Use(Apf({Page(Varied(30))}));
  EXPECT_EQ(unpacker.PageToBitmap(1).Bits(), stream.Bits());
}

TEST_F(UnpackerTest, DcxRefusesMoreThan1023PagesBeforeWriting) {
  std::string file = FileHeaderBytes(1024);
  const std::string page = Page({Line(1728, {{0, 8}})});
  for (int i = 0; i < 1024; ++i) file += page;
  Use(file);
  unpacker.OutFileName = dir.File("many.dcx");
  EXPECT_EQ(test::RaisedCode([&] { unpacker.FileToDcx(); }), ecBadArgument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("many.dcx")));
}

// --- Names and header queries ---

TEST_F(UnpackerTest, OutputNamesFollowTheInputAndDefaultExtensions) {
  unpacker.SetInFileName("/faxes/In.apf");
  EXPECT_EQ(unpacker.OutFileName, "/faxes/In");
  EXPECT_EQ(unpacker.OutputNameFor("TIF"), "/faxes/In.TIF");
  unpacker.OutFileName = "/out/picture.pcx";
  unpacker.SetInFileName("/faxes/IN.APF");  // differs only in case: output kept
  EXPECT_EQ(unpacker.OutputNameFor("TIF"), "/out/picture.pcx");
  unpacker.OutFileName.clear();
  EXPECT_EQ(unpacker.OutputNameFor("DCX"), "/faxes/IN.DCX");
}

TEST_F(UnpackerTest, ResolutionAndWidthComeFromTheFirstPage) {
  Use(Apf({Page({Line(2048)}, pfHighRes | pfWide), Page({Line(1728)})}));
  EXPECT_EQ(unpacker.PageCountOf(), 2u);
  EXPECT_EQ(unpacker.ResolutionOf(), frHigh);
  EXPECT_EQ(unpacker.WidthOf(), fwWide);
}

// --- Images read back by independent readers ---

// The expected image of stacked pages: standard lines twice (double height),
// trimmed to `bytes` per line.
std::vector<Raster> Expected(const std::vector<std::pair<std::vector<Raster>, bool>>& pages, size_t bytes) {
  std::vector<Raster> out;
  for (const auto& [lines, high] : pages)
    for (const Raster& l : lines)
      for (int i = 0; i < (high ? 1 : 2); ++i) {
        Raster r = l;
        r.resize(bytes, 0);
        out.push_back(r);
      }
  return out;
}

void ExpectPixels(const MonoImage& image, const std::vector<Raster>& expected, int width) {
  ASSERT_EQ(image.error, "");
  ASSERT_EQ(image.width, width);
  ASSERT_EQ(image.height, static_cast<int>(expected.size()));
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < width; ++x)
      if (image.Black(x, y) != Black(expected[y], x)) {
        ADD_FAILURE() << "pixel " << x << "," << y;
        return;
      }
  }
}

TEST_F(UnpackerTest, StackedTiffReadsBackWithLibtiff) {
  const auto a = Varied(30, 1728, 1), b = Varied(25, 2048, 2), c = Varied(12, 1728, 3);
  Use(Apf({Page(a), Page(b, pfWide | pfHighRes), Page(c)}));
  unpacker.OutFileName = dir.File("stack");
  unpacker.FileToTiff();
  ExpectPixels(test::ReadTiffWithLibtiff(dir.File("stack.TIF")), Expected({{a, false}, {b, true}, {c, false}}, 256),
               2048);
}

TEST_F(UnpackerTest, TiffTallerThan65535RowsUsesLongSizes) {
  // 33000 standard lines doubled: 66000 rows.
  std::vector<Raster> lines;
  for (int y = 0; y < 33000; ++y) lines.push_back(Line(1728, {{y % 1720, y % 1720 + 8}}));
  Use(Apf({Page(lines)}));
  unpacker.OutFileName = dir.File("tall.tif");
  unpacker.PageToTiff(1);
  const std::string tif = ReadAll(dir.File("tall.tif"));
  EXPECT_EQ(Get16(tif, 10 + 12 * 2), 257);
  EXPECT_EQ(Get16(tif, 10 + 12 * 2 + 2), 4);  // LONG
  EXPECT_EQ(Get16(tif, 10 + 12 * 1 + 2), 3);  // width 1728 stays SHORT
  const MonoImage image = test::ReadTiffWithLibtiff(dir.File("tall.tif"));
  ASSERT_EQ(image.error, "");
  ASSERT_EQ(image.height, 66000);
  const int lastX = 32999 % 1720;
  EXPECT_TRUE(image.Black(lastX, 65999));
  EXPECT_FALSE(image.Black(lastX == 0 ? 8 : lastX - 1, 65999));

  // A PCX header cannot describe that many lines: refused, nothing written.
  unpacker.OutFileName = dir.File("tall.pcx");
  EXPECT_EQ(test::RaisedCode([&] { unpacker.PageToPcx(1); }), ecBadArgument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("tall.pcx")));
}

TEST_F(UnpackerTest, PcxAndDcxReadBackWithNetpbmAndImageMagick) {
  if (test::NetpbmPcxToPpm().empty()) GTEST_SKIP() << "netpbm is not installed";
  const auto a = Varied(20, 1728, 4), b = Varied(15, 1728, 5), c = Varied(10, 2048, 6);
  Use(Apf({Page(a), Page(b, pfHighRes), Page(c, pfWide)}));
  unpacker.OutFileName = dir.File("page.pcx");
  unpacker.PageToPcx(1);
  ExpectPixels(test::ReadPcxWithNetpbm(dir.File("page.pcx")), Expected({{a, false}}, 216), 1728);

  // Each DCX page is a PCX image at the offset its table entry gives.
  unpacker.OutFileName = dir.File("all.dcx");
  unpacker.FileToDcx();
  const std::string dcx = ReadAll(dir.File("all.dcx"));
  ExpectPixels(test::ReadPcxWithNetpbm(dir.File("all.dcx"), Get32(dcx, 4)), Expected({{a, false}}, 216), 1728);
  ExpectPixels(test::ReadPcxWithNetpbm(dir.File("all.dcx"), Get32(dcx, 8)), Expected({{b, true}}, 216), 1728);
  ExpectPixels(test::ReadPcxWithNetpbm(dir.File("all.dcx"), Get32(dcx, 12)), Expected({{c, false}}, 256), 2048);

  if (test::ImageMagickIdentify().empty()) GTEST_SKIP() << "ImageMagick is not installed";
  EXPECT_EQ(test::IdentifyFrames(dir.File("all.dcx")), "1728x40\n1728x15\n2048x20\n");
  EXPECT_EQ(test::IdentifyFrames(dir.File("page.pcx")), "1728x40\n");
}

TEST_F(UnpackerTest, DcxHeaderListsEachPageAtAPcxHeader) {
  Use(Apf({Page(Varied(3)), Page(Varied(4)), Page(Varied(5))}));
  unpacker.OutFileName = dir.File("three.dcx");
  unpacker.FileToDcx();
  const std::string dcx = ReadAll(dir.File("three.dcx"));
  EXPECT_EQ(Get32(dcx, 0), 987654321u);
  EXPECT_EQ(Get32(dcx, 4), 4100u);
  uint32_t previous = 0;
  for (int i = 0; i < 3; ++i) {
    const uint32_t at = Get32(dcx, 4 + 4 * i);
    ASSERT_GT(at, previous);
    ASSERT_LT(at + 4, dcx.size());
    EXPECT_EQ(dcx.substr(at, 4), std::string("\x0A\x02\x01\x01", 4)) << "page " << i + 1;
    EXPECT_EQ(Get16(dcx, at + 10), (3 + i) * 2 - 1) << "page " << i + 1;  // doubled lines
    previous = at;
  }
  for (int i = 3; i < 1024; ++i) ASSERT_EQ(Get32(dcx, 4 + 4 * i), 0u) << i;
}

TEST_F(UnpackerTest, BitmapSavedAsBmpReadsBackWithQt) {
  const auto a = Varied(16, 1728, 8);
  Use(Apf({Page(a, pfHighRes)}));
  const Bitmap b = unpacker.PageToBitmap(1);
  ASSERT_EQ(SaveBmpFile(dir.File("page.bmp"), b), 0);
  ExpectPixels(test::ReadWithQt(dir.File("page.bmp")), Expected({{a, true}}, 216), 1728);
}

}  // namespace
}  // namespace telvane
