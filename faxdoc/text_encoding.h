// What a text file or text line is written in: its line end (CR or LF) and
// its encoding (GBK, or UTF-8 as Linux writes text), and UTF-8 text turned
// into the byte codes of the built-in fax font.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace telvane {

enum class TextEncoding { Gbk, Utf8 };
enum class LineEnd { Cr, Lf };

// Checks text for UTF-8 as it is fed piece by piece; a character may be split
// between pieces.
class Utf8Check {
 public:
  void Feed(std::string_view bytes);
  // All fed so far is UTF-8, ends with a whole character and holds at least
  // one character beyond ASCII.
  bool NonAsciiUtf8() const { return valid_ && pending_ == 0 && nonAscii_; }

 private:
  bool valid_ = true;
  bool nonAscii_ = false;
  int pending_ = 0;  // continuation bytes still to come
  // Range of the next continuation byte: narrower after some lead bytes, which
  // rules out overlong forms, surrogates and values beyond U+10FFFF.
  unsigned char low_ = 0x80, high_ = 0xBF;
};

// UTF-8 for text that is UTF-8 with a character beyond ASCII; GBK otherwise
// (plain ASCII reads the same either way).
TextEncoding DetectEncoding(std::string_view text);

// How the text of a file is to be read.
struct TextFileFormat {
  LineEnd lineEnd = LineEnd::Cr;
  TextEncoding encoding = TextEncoding::Gbk;
  std::size_t skip = 0;  // bytes of a UTF-8 byte-order mark, not part of the text
};

// Reads the whole file, as the line reader will see it, from its start
// without moving the file offset. The first line end decides: an LF with no
// CR before it makes an LF file; a CR keeps the CR reading. Files that cannot
// be read from their start keep the CR and GBK reading.
TextFileFormat ScanTextFile(int fd);

// UTF-8 text in the byte codes of the built-in fax font: ASCII as it is,
// other characters as their code page 437 code, or '?' when the font has none.
std::string Utf8ToFaxFont(std::string_view utf8);

// Cuts `text` to at most `limit` characters without splitting one: GBK
// characters of two bytes count as two, UTF-8 characters as one.
void CutText(std::string& text, std::size_t limit, TextEncoding encoding);

}  // namespace telvane
