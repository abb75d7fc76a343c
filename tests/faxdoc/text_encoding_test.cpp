// Text files as they come on Linux: LF line ends beside CR and CR LF, UTF-8
// (with or without a byte-order mark) beside GBK, for text documents, text
// covers and the header line, with the built-in font and with system fonts.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "faxdoc/code_page_437.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/header_line.h"
#include "faxdoc/line_reader.h"
#include "faxdoc/page_lines.h"
#include "faxdoc/text_encoding.h"
#include "faxdoc/text_renderer.h"
#include "tests/support/apf_pages.h"
#include "tests/support/convert_text.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// A system-font stand-in that records each line it is handed and draws the
// line's bytes as they are, so that different text gives different pages.
class RecordingRenderer : public TextBitmapRenderer {
 public:
  static inline std::vector<std::string> lines;

  int Setup(const FaxFontSpec&, bool, int width) override {
    bytesPerRow_ = (width + 15) / 16 * 2;
    bits_.assign(static_cast<size_t>(bytesPerRow_) * kHeight, 0);
    return 0;
  }
  int Height() const override { return kHeight; }
  int BytesPerRow() const override { return bytesPerRow_; }
  void RenderLine(const std::string& utf8) override {
    lines.push_back(utf8);
    std::fill(bits_.begin(), bits_.end(), 0);
    for (int r = 0; r < kHeight; ++r)
      for (size_t i = 0; i < utf8.size() && i < static_cast<size_t>(bytesPerRow_); ++i)
        bits_[r * bytesPerRow_ + i] = static_cast<uint8_t>(utf8[i]);
  }
  const uint8_t* Row(int row) const override { return bits_.data() + row * bytesPerRow_; }

  static constexpr int kHeight = 3;

 private:
  int bytesPerRow_ = 0;
  std::vector<uint8_t> bits_;
};

std::unique_ptr<TextBitmapRenderer> MakeRecorder() { return std::make_unique<RecordingRenderer>(); }

// Converts text files and returns what follows the APF file header: the page
// headers and coded lines, without the creation time.
class TextFileTest : public ::testing::Test {
 protected:
  std::string PageData(const std::string& bytes, FaxInputDocumentType type = idText) {
    TApdFaxConverter cvt;
    cvt.InputDocumentType = type;
    cvt.LinesPerPage = 4;
    cvt.TextRendererFactory = MakeRecorder;
    RecordingRenderer::lines.clear();
    EXPECT_EQ(test::ConvertText(cvt, dir, bytes), 0);
    const std::string apf = test::ReadAll(dir.File("out.apf"));
    EXPECT_GT(apf.size(), 64u);
    return apf.size() > 64 ? apf.substr(64) : std::string();
  }

  // The coded lines of a one-page text cover drawn from `bytes`.
  std::vector<std::vector<uint8_t>> CoverLines(const std::string& bytes, bool enhanced) {
    const std::string name = dir.File("cover.txt");
    test::WriteAll(name, bytes);
    TextInputOptions options;
    options.Enhanced = enhanced;
    options.RendererFactory = MakeRecorder;
    RecordingRenderer::lines.clear();
    TextCoverLines cover(false, false, options);
    EXPECT_EQ(cover.Open(name), 0);
    std::vector<std::vector<uint8_t>> lines;
    std::vector<uint8_t> line;
    while (cover.Next(line) == 1) lines.push_back(line);
    return lines;
  }

  test::TempDir dir;
};

// --- Line ends ---

struct LineEndCase {
  const char* name;
  const char* end;
};
void PrintTo(const LineEndCase& c, std::ostream* os) { *os << c.name; }


class LineEnds : public TextFileTest, public ::testing::WithParamInterface<LineEndCase> {
 protected:
  // Lines joined by the row's line end, with the last line ended too.
  static std::string Join(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& l : lines) text += l + end;
    return text;
  }
};

// Text with an empty line, a tab, a form feed and more lines than fit on a page.
const std::vector<std::string> kLetter = {"Dear Sir,", "", "\tthe fax you sent", "came out blank.\fPage two",
                                          "one", "two", "three", "four", "five"};

TEST_P(LineEnds, GiveTheSamePagesAsCrLf) {
  const std::string reference = PageData(Join(kLetter, "\r\n"));
  EXPECT_EQ(PageData(Join(kLetter, GetParam().end)), reference);
  EXPECT_EQ(PageData(Join(kLetter, GetParam().end), idTextEx), PageData(Join(kLetter, "\r\n"), idTextEx));
}

INSTANTIATE_TEST_SUITE_P(TextFile, LineEnds,
                         ::testing::Values(LineEndCase{"Lf", "\n"}, LineEndCase{"Cr", "\r"}),
                         [](const auto& info) { return std::string(info.param.name); });

// How a file is split into lines: the first line end decides.
struct SplitCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }


class LineSplitting : public TextFileTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(LineSplitting, FollowsTheFirstLineEnd) {
  std::string crLf;
  for (const std::string& l : GetParam().lines) crLf += l + "\r\n";
  EXPECT_EQ(PageData(GetParam().bytes), PageData(crLf));
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, LineSplitting,
    ::testing::Values(
        // In a CR LF or CR file a lone LF stays an ordinary character.
        SplitCase{"LoneLfInCrLfFile", "a\r\nb\nc\r\n", {"a", "b\nc"}},
        SplitCase{"LoneLfInCrFile", "a\rb\nc", {"a", "b\nc"}},
        // In an LF file a CR before an LF belongs to the line end.
        SplitCase{"CrLfInLfFile", "a\nb\r\nc\n", {"a", "b", "c"}},
        SplitCase{"NoFinalLineEnd", "a\nb", {"a", "b"}},
        // The CR is the last byte of the first block, its LF the first of the next.
        SplitCase{"CrLfAcrossBlocksInLfFile",
                  "a\n" + std::string(TLineReader::kBlockSize - 6, ' ') + "\nxx\r\nz\n",
                  {"a", std::string(TLineReader::kBlockSize - 6, ' '), "xx", "z"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- UTF-8 with the built-in font ---

// The same text in UTF-8 and in the fax font's code page.
struct CodePageCase {
  const char* name;
  std::string utf8;
  std::string codePage;
};
void PrintTo(const CodePageCase& c, std::ostream* os) { *os << c.name; }


class Utf8BuiltInFont : public TextFileTest, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(Utf8BuiltInFont, DrawsWhatTheCodePageFileDraws) {
  EXPECT_EQ(PageData(GetParam().utf8), PageData(GetParam().codePage));
}

TEST_P(Utf8BuiltInFont, TextCoverDrawsWhatTheCodePageFileDraws) {
  EXPECT_EQ(CoverLines(GetParam().utf8, false), CoverLines(GetParam().codePage, false));
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, Utf8BuiltInFont,
    ::testing::Values(
        CodePageCase{"Umlauts", "Gr\xC3\xBC\xC3\x9F" "e\n", "Gr\x81\xE1" "e\r\n"},
        CodePageCase{"Accents", "caf\xC3\xA9 na\xC3\xAFve r\xC3\xA9sum\xC3\xA9\r\n",
                     "caf\x82 na\x8Bve r\x82sum\x82\r\n"},
        CodePageCase{"ByteOrderMark", "\xEF\xBB\xBF\xC3\x84rger\n", "\x8Erger\r\n"},
        CodePageCase{"BoxDrawing", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97\n\xE2\x95\x9A\xE2\x95\x90\xE2\x95\x9D\n",
                     "\xC9\xCD\xBB\r\n\xC8\xCD\xBC\r\n"},
        // Characters the font does not have are shown by a stand-in.
        CodePageCase{"StandIn", "\xE2\x82\xAC" "5 \xE4\xBC\xA0\n", "?5 ?\r\n"},
        // A tab counts characters, not bytes.
        CodePageCase{"TabAfterUmlaut", "\xC3\xA4\tx\n", "\x84\tx\r\n"},
        // A character whose bytes fall in two blocks of the file.
        CodePageCase{"CharacterAcrossBlocks", "a\n" + std::string(TLineReader::kBlockSize - 4, ' ') + "\n\xC3\xA9\n",
                     "a\r\n" + std::string(TLineReader::kBlockSize - 4, ' ') + "\r\n\x82\r\n"},
        CodePageCase{"FormFeed", "\xC3\xBC\f\xC3\xA9\n", "\x81\f\x82\r\n"},
        // A long line is cut after as many characters as for the code page.
        CodePageCase{"LongLine",
                     [] {
                       std::string s;
                       for (int i = 0; i < 100; ++i) s += "\xC3\xA9";
                       return s + "\n";
                     }(),
                     std::string(100, '\x82') + "\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- UTF-8 and GBK with a system font ---

struct EnhancedCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> drawn;  // the lines the renderer is handed, UTF-8
};
void PrintTo(const EnhancedCase& c, std::ostream* os) { *os << c.name; }


class EnhancedReading : public TextFileTest, public ::testing::WithParamInterface<EnhancedCase> {};

TEST_P(EnhancedReading, HandsTheRendererTheText) {
  PageData(GetParam().bytes, idTextEx);
  EXPECT_EQ(RecordingRenderer::lines, GetParam().drawn);
}

TEST_P(EnhancedReading, TextCoverHandsTheRendererTheText) {
  CoverLines(GetParam().bytes, true);
  EXPECT_EQ(RecordingRenderer::lines, GetParam().drawn);
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, EnhancedReading,
    ::testing::Values(
        EnhancedCase{"Utf8", "Gr\xC3\xBC\xC3\x9F" "e\n\xE4\xBC\xA0\xE7\x9C\x9F\n",
                     {"Gr\xC3\xBC\xC3\x9F" "e", "\xE4\xBC\xA0\xE7\x9C\x9F"}},
        EnhancedCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBF" "caf\xC3\xA9\r\n", {"caf\xC3\xA9"}},
        // GBK has the accented letters of pinyin: the same é from a GBK file.
        EnhancedCase{"Gbk", "caf\xA8\xA6\r\n\xB4\xAB\xD5\xE6\r\n", {"caf\xC3\xA9", "\xE4\xBC\xA0\xE7\x9C\x9F"}},
        // A tab after a two-byte character moves to the next stop by characters.
        EnhancedCase{"TabAfterUmlaut", "\xC3\xA4\tx\n", {"\xC3\xA4   x"}},
        // 255 characters at most, none of them cut in half.
        EnhancedCase{"LongLine", Repeat("\xC3\xA9", 300) + "\n", {Repeat("\xC3\xA9", 255)}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The header line ---

// The same header in UTF-8, as the program may hold it, and in the fax font's code page.
class HeaderLineBuiltInFont : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(HeaderLineBuiltInFont, DrawsTheCodePage) {
  std::vector<std::vector<uint8_t>> text, codePage;
  ASSERT_EQ(RenderHeaderLines(GetParam().utf8, false, false, text), 0);
  ASSERT_EQ(RenderHeaderLines(GetParam().codePage, false, false, codePage), 0);
  EXPECT_EQ(text, codePage);
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, HeaderLineBuiltInFont,
    ::testing::Values(CodePageCase{"Accents", "Fa\xC3\xA7" "ade M\xC3\xBCller 1/2", "Fa\x87" "ade M\x81ller 1/2"},
                      CodePageCase{"StandIn", "\xE2\x82\xAC 3", "? 3"}),
    [](const auto& info) { return std::string(info.param.name); });

// A header and the text a system font is handed for it.
struct HeaderCase {
  const char* name;
  std::string text;
  std::string utf8;
};
void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }


class HeaderLineSystemFont : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderLineSystemFont, GetsUnicode) {
  std::vector<std::vector<uint8_t>> lines;
  RecordingRenderer::lines.clear();
  ASSERT_EQ(RenderEnhancedHeaderLines(GetParam().text, false, false, FaxFontSpec{}, MakeRecorder, lines), 0);
  EXPECT_EQ(RecordingRenderer::lines, std::vector<std::string>{GetParam().utf8});
}

INSTANTIATE_TEST_SUITE_P(
    TextFile, HeaderLineSystemFont,
    ::testing::Values(HeaderCase{"Utf8", "Fa\xC3\xA7" "ade M\xC3\xBCller", "Fa\xC3\xA7" "ade M\xC3\xBCller"},
                      // Text that is not UTF-8 is GBK, as the stored settings are.
                      HeaderCase{"Gbk", "\xB4\xAB\xD5\xE6 1", "\xE4\xBC\xA0\xE7\x9C\x9F 1"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Which texts are UTF-8 ---

struct DetectCase {
  const char* name;
  std::string bytes;
  TextEncoding expected;
};
void PrintTo(const DetectCase& c, std::ostream* os) { *os << c.name; }

class EncodingDetection : public ::testing::TestWithParam<DetectCase> {};

TEST_P(EncodingDetection, TakesOnlyWellFormedUtf8AsUtf8) { EXPECT_EQ(DetectEncoding(GetParam().bytes), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    TextFile, EncodingDetection,
    ::testing::Values(DetectCase{"Ascii", "plain text\r\n", TextEncoding::Gbk},
                      DetectCase{"TwoBytes", "caf\xC3\xA9", TextEncoding::Utf8},
                      DetectCase{"FourBytes", "\xF0\x9F\x93\xA0 fax", TextEncoding::Utf8},
                      DetectCase{"Gbk", "\xB4\xAB\xD5\xE6", TextEncoding::Gbk},
                      DetectCase{"CutAtTheEnd", "caf\xC3", TextEncoding::Gbk},
                      DetectCase{"Overlong", "\xC0\xAF", TextEncoding::Gbk},
                      DetectCase{"OverlongThreeBytes", "\xE0\x80\xAF", TextEncoding::Gbk},
                      DetectCase{"Surrogate", "\xED\xA0\x80", TextEncoding::Gbk},
                      DetectCase{"BeyondUnicode", "\xF4\x90\x80\x80", TextEncoding::Gbk},
                      DetectCase{"LoneContinuation", "a\x80" "b", TextEncoding::Gbk}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The fax font's code page ---

TEST(CodePage437, EveryDrawnCharacterLeadsBackToItsCode) {
  for (int code = 1; code < 255; ++code) {
    if (code == 32) continue;  // blank, as 0 and 255 are
    const char32_t ch = Cp437ToUnicode(code);
    EXPECT_EQ(UnicodeToCp437(ch), code) << "code " << code << " U+" << std::hex << static_cast<unsigned>(ch);
  }
  EXPECT_EQ(UnicodeToCp437(U' '), 32);
}

TEST(CodePage437, CharactersOutsideItHaveNoCode) {
  for (char32_t ch : {U'\u20AC', U'\u4F20', U'\u00C0', U'\U0001F600'}) EXPECT_LT(UnicodeToCp437(ch), 0);
}

}  // namespace
}  // namespace telvane
