// Line ends and encodings of text files and lines, and UTF-8 in the fax font.
#include "faxdoc/text_encoding.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "faxdoc/code_page_437.h"
#include "faxdoc/line_reader.h"

namespace telvane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

void Utf8Check::Feed(std::string_view bytes) {
  for (const char c : bytes) {
    if (!valid_) return;
    const unsigned char b = static_cast<unsigned char>(c);
    if (pending_ > 0) {
      if (b < low_ || b > high_) {
        valid_ = false;
        return;
      }
      --pending_;
      low_ = 0x80;
      high_ = 0xBF;
      continue;
    }
    if (b < 0x80) continue;
    nonAscii_ = true;
    if (b >= 0xC2 && b <= 0xDF) {
      pending_ = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      pending_ = 2;
      if (b == 0xE0) low_ = 0xA0;   // shorter forms are overlong
      if (b == 0xED) high_ = 0x9F;  // U+D800-DFFF are surrogates, not characters
    } else if (b >= 0xF0 && b <= 0xF4) {
      pending_ = 3;
      if (b == 0xF0) low_ = 0x90;
      if (b == 0xF4) high_ = 0x8F;  // nothing beyond U+10FFFF
    } else {
      valid_ = false;  // a continuation byte without its lead, or a lead byte UTF-8 never uses
    }
  }
}

TextEncoding DetectEncoding(std::string_view text) {
  Utf8Check check;
  check.Feed(text);
  return check.NonAsciiUtf8() ? TextEncoding::Utf8 : TextEncoding::Gbk;
}

TextFileFormat ScanTextFile(int fd) {
  TextFileFormat format;
  std::vector<char> block(TLineReader::kBlockSize);
  Utf8Check check;
  std::string start;  // the first bytes of the text, for the byte-order mark
  bool lineEndSeen = false;
  off_t offset = 0;
  for (;;) {
    const ssize_t got = pread(fd, block.data(), block.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return TextFileFormat{};
    if (got == 0) break;
    offset += got;
    const std::string_view text(block.data(), TLineReader::TextOfBlock(block.data(), static_cast<size_t>(got)));
    if (start.size() < kByteOrderMark.size()) start.append(text.substr(0, kByteOrderMark.size() - start.size()));
    if (!lineEndSeen) {
      const size_t end = text.find_first_of("\r\n");
      if (end != std::string_view::npos) {
        lineEndSeen = true;
        if (text[end] == '\n') format.lineEnd = LineEnd::Lf;
      }
    }
    check.Feed(text);
  }
  if (check.NonAsciiUtf8()) {
    format.encoding = TextEncoding::Utf8;
    if (start == kByteOrderMark) format.skip = kByteOrderMark.size();
  }
  return format;
}

std::string Utf8ToFaxFont(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t ch = more ? lead & (0x3F >> more) : 0;
    size_t next = i + 1;
    for (; more > 0 && next < utf8.size() && IsContinuation(utf8[next]); --more, ++next)
      ch = ch << 6 | (static_cast<unsigned char>(utf8[next]) & 0x3F);
    const int code = more == 0 && next > i + 1 ? UnicodeToCp437(ch) : -1;
    out.push_back(code >= 0 ? static_cast<char>(code) : '?');
    i = next;
  }
  return out;
}

void CutText(std::string& text, size_t limit, TextEncoding encoding) {
  if (text.size() <= limit) return;
  size_t i = 0;
  if (encoding == TextEncoding::Utf8) {
    for (size_t characters = 0; i < text.size(); ++i)
      if (!IsContinuation(text[i]) && characters++ == limit) break;
  } else {
    // A GBK byte from 0x81 up leads a character of two bytes.
    while (i < limit) {
      const size_t step = static_cast<unsigned char>(text[i]) >= 0x81 ? 2 : 1;
      if (i + step > limit) break;
      i += step;
    }
  }
  text.resize(i);
}

}  // namespace telvane
