// The text converter end to end: text file in, APF file out, read back
// through the page reader and compared with what the font should draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "tests/support/apf_pages.h"
#include "tests/support/convert_text.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_font.h"
#include "faxdoc/t4_encoder.h"
#include "tests/support/temp_dir.h"
#include "faxdoc/text_input.h"

namespace telvane {
namespace {

using test::RasterLine;
using test::RasterPage;

// The scan lines a text line should become: glyph rows placed edge to edge
// after the left margin.
RasterPage ExpectedRows(const std::string& text, FaxFontType type, bool highRes, int margin = 50, int width = 1728) {
  std::vector<uint8_t> glyphs;
  FaxFontMetrics m{};
  EXPECT_EQ(LoadFaxFont(type, highRes, glyphs, m), 0);
  RasterPage rows(m.height, RasterLine(width / 8, 0));
  for (int r = 0; r < m.height; ++r) {
    for (size_t i = 0; i < text.size(); ++i) {
      const uint8_t* g = glyphs.data() + static_cast<unsigned char>(text[i]) * m.glyphBytes + r * m.byteWidth;
      for (int x = 0; x < m.pixelWidth; ++x) {
        const int px = margin + static_cast<int>(i) * m.pixelWidth + x;
        if (px < width && (g[x >> 3] & (0x80 >> (x & 7)))) rows[r][px >> 3] |= static_cast<uint8_t>(0x80 >> (px & 7));
      }
    }
  }
  return rows;
}

RasterPage Concat(std::initializer_list<RasterPage> parts) {
  RasterPage all;
  for (const RasterPage& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class ConverterTest : public ::testing::Test {
 protected:
  std::string Input(const std::string& text) {
    const std::string name = dir.File("in.txt");
    test::WriteAll(name, text);
    return name;
  }

  // Converts `text` with `cvt`'s settings; returns the error code.
  int Convert(const std::string& text) {
    if (cvt.InputDocumentType == idNone) cvt.InputDocumentType = idText;
    return test::ConvertText(cvt, dir, text);
  }

  std::vector<RasterPage> Pages() { return test::ReadApfPages(dir.File("out.apf")); }
  bool OutputExists() { return std::filesystem::exists(dir.File("out.apf")); }

  test::TempDir dir;
  TApdFaxConverter cvt;
};

TEST_F(ConverterTest, Defaults) {
  TApdFaxConverter c;
  EXPECT_EQ(c.InputDocumentType, idNone);
  EXPECT_EQ(c.Options(), 13);
  EXPECT_EQ(c.Resolution, frNormal);
  EXPECT_EQ(c.Width, fwNormal);
  EXPECT_EQ(c.TopMargin, 0u);
  EXPECT_EQ(c.LeftMargin, 50u);
  EXPECT_EQ(c.LinesPerPage, 60u);
  EXPECT_EQ(c.TabStop, 4u);
  EXPECT_EQ(c.FontType, FaxFontType::ffStandard);
  EXPECT_EQ(c.FontFile, "APFAX.FNT");
}

TEST_F(ConverterTest, PropertyRules) {
  cvt.SetOptions(coYieldOften);
  EXPECT_EQ(cvt.Options(), coYield | coYieldOften);
  cvt.SetDocumentFile("/tmp/letters/report.txt");
  EXPECT_EQ(cvt.OutFileName, "/tmp/letters/report.APF");
  cvt.OutFileName = "/tmp/out";
  EXPECT_EQ(cvt.ResolvedOutputName(), "/tmp/out.APF");
  cvt.SetDocumentFile("/tmp/noext");
  EXPECT_EQ(cvt.ResolvedInputName("TXT"), "/tmp/noext.TXT");
}

TEST_F(ConverterTest, InputTypesWithoutADocumentAreRefused) {
  for (FaxInputDocumentType t : {idNone, idBitmap}) {
    TApdFaxConverter c;
    c.InputDocumentType = t;
    c.SetDocumentFile(Input("x"));
    EXPECT_THROW(c.ConvertDocument(), EBadArgument);
  }
}

TEST_F(ConverterTest, EmptyFileGivesOnePageWithOneWhiteLine) {
  ASSERT_EQ(Convert(""), 0);
  ApfFileHeader h;
  ASSERT_EQ(GetFaxHeader(dir.File("out.apf"), h), 0);
  EXPECT_EQ(h.PageCount, 1);
  ApfPageHeader ph;
  ASSERT_EQ(GetPageHeader(dir.File("out.apf"), 1, ph), 0);
  EXPECT_EQ(ph.PageFlags, pfLineRecords);
  // One record of the coded white line, one end-of-page record.
  EXPECT_EQ(ph.DataLength, 2u + 6 + 2 + 12);
  const std::string bytes = test::ReadAll(dir.File("out.apf"));
  const std::string expected = std::string("\x06\x00\x00\x80\xB2\x59\x01\x00\x0C\x00", 10) +
                               std::string(reinterpret_cast<const char*>(kEndOfPageRecord), 12);
  EXPECT_EQ(bytes.substr(64 + 16), expected);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], RasterPage(1, RasterLine(216, 0)));
}

TEST_F(ConverterTest, TextIsDrawnWithTheBuiltInFont) {
  ASSERT_EQ(Convert("Hello, fax!\r\nSecond line\r\n"), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], Concat({ExpectedRows("Hello, fax!", FaxFontType::ffStandard, false),
                              ExpectedRows("Second line", FaxFontType::ffStandard, false)}));
}

TEST_F(ConverterTest, FontSizesAndResolution) {
  struct Case {
    FaxFontType type;
    TFaxResolution res;
    size_t rowsPerLine;
  };
  for (Case c : {Case{FaxFontType::ffStandard, frNormal, 16}, Case{FaxFontType::ffStandard, frHigh, 32},
                 Case{FaxFontType::ffSmall, frNormal, 8}, Case{FaxFontType::ffSmall, frHigh, 16}}) {
    cvt.FontType = c.type;
    cvt.Resolution = c.res;
    ASSERT_EQ(Convert("AB\r\nCD\r\n"), 0);
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].size(), 2 * c.rowsPerLine);
    EXPECT_EQ(pages[0], Concat({ExpectedRows("AB", c.type, c.res == frHigh), ExpectedRows("CD", c.type, c.res == frHigh)}));
    ApfPageHeader ph;
    ASSERT_EQ(GetPageHeader(dir.File("out.apf"), 1, ph), 0);
    EXPECT_EQ(ph.PageFlags, pfLineRecords | (c.res == frHigh ? pfHighRes : 0));
  }
}

TEST_F(ConverterTest, LinesPerPageBreaksPagesWithoutAnExtraEmptyPage) {
  cvt.LinesPerPage = 3;
  ASSERT_EQ(Convert("1\r\n2\r\n3\r\n"), 0);
  EXPECT_EQ(Pages().size(), 1u);
  ASSERT_EQ(Convert("1\r\n2\r\n3\r\n4\r\n"), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], ExpectedRows("4", FaxFontType::ffStandard, false));
  // A last line without a line end that must start a new page still gets it.
  ASSERT_EQ(Convert("1\r\n2\r\n3\r\n4"), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], ExpectedRows("4", FaxFontType::ffStandard, false));
}

TEST_F(ConverterTest, NoLineLimitGivesOneLongPage) {
  cvt.LinesPerPage = 0;
  std::string text;
  for (int i = 0; i < 150; ++i) text += "line\r\n";
  ASSERT_EQ(Convert(text), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].size(), 150u * 16);
}

TEST_F(ConverterTest, FormFeeds) {
  // The text after a form feed starts the next page.
  ASSERT_EQ(Convert("abc\fdef\r\n"), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], ExpectedRows("abc", FaxFontType::ffStandard, false));
  EXPECT_EQ(pages[1], ExpectedRows("def", FaxFontType::ffStandard, false));

  // A form feed at the end of a line: page 2 starts with the next line.
  ASSERT_EQ(Convert("abc\f\r\nnext\r\n"), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], ExpectedRows("next", FaxFontType::ffStandard, false));

  // ... and the next page still holds LinesPerPage lines.
  cvt.LinesPerPage = 2;
  ASSERT_EQ(Convert("abc\f\r\nx\r\ny\r\n"), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], Concat({ExpectedRows("x", FaxFontType::ffStandard, false),
                              ExpectedRows("y", FaxFontType::ffStandard, false)}));

  // Text after a form feed at the very end of the file is not lost.
  cvt.LinesPerPage = 60;
  ASSERT_EQ(Convert("abc\fdef"), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], ExpectedRows("def", FaxFontType::ffStandard, false));

  // A form feed that ends the file makes no empty page.
  ASSERT_EQ(Convert("abc\f"), 0);
  EXPECT_EQ(Pages().size(), 1u);

  // Two form feeds in a row leave a blank page between.
  ASSERT_EQ(Convert("a\f\fb"), 0);
  pages = Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[1], RasterPage(16, RasterLine(216, 0)));
  EXPECT_EQ(pages[2], ExpectedRows("b", FaxFontType::ffStandard, false));
}

TEST_F(ConverterTest, TabsAndLineLength) {
  EXPECT_EQ(TextInputState::ExpandTabs("abcde\tX", 4), "abcde   X");
  EXPECT_EQ(TextInputState::ExpandTabs("\tX", 4), "    X");
  EXPECT_EQ(TextInputState::ExpandTabs("ab\tX", 3), "ab X");
  EXPECT_EQ(TextInputState::ExpandTabs(std::string(300, 'z'), 4).size(), 255u);

  // 84 characters of the standard font fit at 1728 pixels with margin 50; the 85th is cut.
  const std::string longLine = std::string(84, 'M') + "W";
  ASSERT_EQ(Convert(longLine + "\r\n"), 0);
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], ExpectedRows(std::string(84, 'M'), FaxFontType::ffStandard, false));
}

TEST_F(ConverterTest, MarginsAndWideLines) {
  cvt.TopMargin = 3;
  cvt.Width = fwWide;
  cvt.LeftMargin = 0;
  ASSERT_EQ(Convert("Wide\r\n"), 0);
  // The top margin lines are 1728-pixel white lines even on a 2048-pixel page.
  const std::string bytes = test::ReadAll(dir.File("out.apf"));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(bytes.substr(80 + i * 8, 8), std::string("\x06\x00\x00\x80\xB2\x59\x01\x00", 8));
  auto pages = Pages();
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].size(), 3u + 16);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pages[0][i], RasterLine(216, 0));
  const RasterPage text = ExpectedRows("Wide", FaxFontType::ffStandard, false, 0, 2048);
  EXPECT_EQ(RasterPage(pages[0].begin() + 3, pages[0].end()), text);
}

TEST_F(ConverterTest, StatusReportsAndAbort) {
  int starting = 0, ending = 0, lines = 0;
  unsigned lastPage = 0;
  cvt.LinesPerPage = 1;
  cvt.OnStatus = [&](TApdFaxConverter&, bool s, bool e, unsigned pages, unsigned, uint64_t done, uint64_t total,
                     bool&) {
    starting += s;
    ending += e;
    if (!s && !e) {
      ++lines;
      EXPECT_LE(done, total);
    }
    lastPage = pages;
  };
  ASSERT_EQ(Convert("a\r\nb\r\n"), 0);
  EXPECT_EQ(starting, 1);
  EXPECT_EQ(ending, 1);
  EXPECT_EQ(lastPage, 2u);
  // Every raster line is reported, plus the one that says the page is over.
  EXPECT_EQ(lines, 16 + 1 + 16 + 1);

  // Abort in the middle: -8003, and no file is left.
  std::filesystem::remove(dir.File("out.apf"));
  cvt.OnStatus = [](TApdFaxConverter&, bool, bool, unsigned, unsigned lines, uint64_t, uint64_t, bool& abort) {
    abort = lines == 5;
  };
  EXPECT_EQ(Convert("a\r\nb\r\n"), ecConvertAbort);
  EXPECT_FALSE(OutputExists());

  // Abort when starting: nothing is opened.
  ending = 0;
  cvt.OnStatus = [&](TApdFaxConverter&, bool s, bool e, unsigned, unsigned, uint64_t, uint64_t, bool& abort) {
    abort = s;
    ending += e;
  };
  EXPECT_EQ(Convert("a"), ecConvertAbort);
  EXPECT_EQ(ending, 0);
  EXPECT_FALSE(OutputExists());
}

TEST_F(ConverterTest, QuitWhileYieldingStopsTheConversion) {
  int yields = 0;
  cvt.SetOptions(coYield | coYieldOften);
  cvt.Yield = [&] { return ++yields == 3 ? ecGotQuitMsg : 0; };
  EXPECT_EQ(Convert("a\r\nb\r\nc\r\nd\r\n"), ecGotQuitMsg);
  EXPECT_EQ(yields, 3);
  EXPECT_FALSE(OutputExists());
  // With coYield alone the hook runs once per page.
  yields = 0;
  cvt.SetOptions(coYield);
  cvt.Yield = [&] { return ++yields, 0; };
  cvt.LinesPerPage = 1;
  ASSERT_EQ(Convert("a\r\nb\r\nc\r\n"), 0);
  EXPECT_EQ(yields, 3);
}

TEST_F(ConverterTest, FileErrorsLeaveNoOutput) {
  cvt.InputDocumentType = idText;
  cvt.SetDocumentFile(dir.File("missing.txt"));
  cvt.OutFileName = dir.File("out.apf");
  try {
    cvt.ConvertDocument();
    FAIL() << "no error";
  } catch (const EAPDException& e) {
    EXPECT_EQ(e.ErrorCode(), ecFileNotFound);
  }
  EXPECT_FALSE(OutputExists());

  // An input that opens but cannot be read (a folder).
  std::filesystem::create_directory(dir.File("folder.txt"));
  cvt.SetDocumentFile(dir.File("folder.txt"));
  cvt.OutFileName = dir.File("out.apf");
  EXPECT_THROW(cvt.ConvertDocument(), EAPDException);
  EXPECT_FALSE(OutputExists());

  // An output that cannot be created.
  cvt.SetDocumentFile(Input("text"));
  cvt.OutFileName = dir.File("no-such-folder/out.apf");
  EXPECT_THROW(cvt.ConvertDocument(), EAPDException);
}

TEST_F(ConverterTest, FailedConversionKeepsAnEarlierFileOfTheSameName) {
  test::WriteAll(dir.File("out.apf"), "an earlier fax");
  cvt.OnStatus = [](TApdFaxConverter&, bool, bool, unsigned, unsigned lines, uint64_t, uint64_t, bool& abort) {
    abort = lines == 20;
  };
  EXPECT_EQ(Convert("a\r\nb\r\n"), ecConvertAbort);
  EXPECT_EQ(test::ReadAll(dir.File("out.apf")), "an earlier fax");
  // Nothing else is left in the folder: no partial or temporary file.
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 2u);  // in.txt and out.apf

  // A conversion that succeeds replaces it, also through a symbolic link.
  cvt.OnStatus = nullptr;
  std::filesystem::rename(dir.File("out.apf"), dir.File("target.apf"));
  std::filesystem::create_symlink(dir.File("target.apf"), dir.File("out.apf"));
  ASSERT_EQ(Convert("a\r\n"), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("out.apf")));
  EXPECT_EQ(Pages().size(), 1u);
  EXPECT_TRUE(IsApfFile(dir.File("target.apf")));
}

TEST_F(ConverterTest, StationIdIsStored) {
  cvt.StationID = "+49 30 1234567 and much more";
  ASSERT_EQ(Convert("x"), 0);
  ApfFileHeader h;
  ASSERT_EQ(GetFaxHeader(dir.File("out.apf"), h), 0);
  EXPECT_EQ(h.StationIdText(), "+49 30 1234567 and m");
}

}  // namespace
}  // namespace telvane
