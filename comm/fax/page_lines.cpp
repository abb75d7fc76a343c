// Coded lines of a page being sent: APF pages as stored, text covers and the
// header line drawn with the fax font.
#include "page_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "apf_file.h"
#include "apf_io.h"
#include "error_codes.h"
#include "fax_font.h"
#include "gbk_text.h"

namespace telvane {

// --- APF pages ---

ApfPageLines::~ApfPageLines() {
  if (fd_ >= 0) ::close(fd_);
}

int ApfPageLines::Open(const std::string& fileName, unsigned pageNumber) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = apf::OpenForReading(fileName);
  if (fd_ < 0) {
    int rc = fd_;
    fd_ = -1;
    return rc;
  }
  ApfFileHeader header;
  int rc = apf::ReadFileHeader(fd_, header);
  if (rc == ecOK && (pageNumber == 0 || pageNumber > header.PageCount)) rc = ecFaxBadFormat;
  if (rc == ecOK) rc = apf::FindPage(fd_, header, pageNumber, page_, offset_);
  if (rc != ecOK) {
    ::close(fd_);
    fd_ = -1;
    return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
  }
  end_ = offset_ + page_.DataLength;
  return ecOK;
}

int ApfPageLines::Next(std::vector<std::uint8_t>& line) {
  if (fd_ < 0 || offset_ >= end_) return 0;
  std::size_t n;
  std::uint64_t next;
  if (page_.PageFlags & pfLineRecords) {
    std::uint8_t count[2];
    int rc = apf::ReadExactly(fd_, offset_, count, 2);
    if (rc != ecOK) return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
    std::size_t stored = count[0] | (count[1] << 8);
    n = std::min<std::size_t>(stored, 4096);
    next = offset_ + 2 + stored;
    offset_ += 2;
    if (next > end_) return ecFaxBadFormat;  // a record running past its page
  } else {
    n = static_cast<std::size_t>(std::min<std::uint64_t>(4096, end_ - offset_));
    next = offset_ + n;
  }
  line.resize(n);
  int rc = apf::ReadExactly(fd_, offset_, line.data(), n);
  if (rc != ecOK) return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
  offset_ = next;
  return 1;
}

int ReadApfHeader(const std::string& fileName, ApfFileHeader& header) {
  int rc = GetFaxHeader(fileName, header);
  return rc == ecReadBeyondEof ? ecFaxBadFormat : rc;
}

int ReadApfPageHeader(const std::string& fileName, unsigned pageNumber, ApfPageHeader& page) {
  ApfPageLines lines;
  int rc = lines.Open(fileName, pageNumber);
  if (rc == ecOK) page = lines.PageHeader();
  return rc;
}

// --- Text covers ---

TextCoverLines::TextCoverLines(bool fine, bool wide, TextInputOptions text) : input_(std::move(text)) {
  state_.UseHighRes = fine;
  state_.LineWidth = wide ? kWideWidth : kNormalWidth;
  state_.DoubleWidth = false;
}

TextCoverLines::~TextCoverLines() {
  if (open_) input_.Close(state_);
}

int TextCoverLines::Open(const std::string& fileName) {
  if (int rc = input_.Prepare(state_)) return rc;
  if (int rc = input_.Open(state_, fileName)) return rc;
  open_ = true;
  return ecOK;
}

int TextCoverLines::Next(std::vector<std::uint8_t>& line) {
  if (!open_ || done_) return 0;
  std::fill(state_.Raster.begin(), state_.Raster.end(), 0);
  std::size_t length = 0;
  bool endOfPage = false, morePages = false;
  if (int rc = input_.GetRasterLine(state_, state_.Raster.data(), length, endOfPage, morePages)) return rc;
  if (endOfPage) {
    done_ = true;  // a cover is one page; text after a form feed is not sent
    return 0;
  }
  std::size_t n = state_.CompressLine(state_.Raster.data());
  line.assign(state_.CodedLine.begin(), state_.CodedLine.begin() + static_cast<long>(n));
  return 1;
}

// --- Header line ---

std::string ReplaceHeaderTags(const std::string& line, const HeaderTagValues& v) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] != '$') {
      out += line[i++];
      continue;
    }
    std::size_t end = line.find(' ', i);
    if (end == std::string::npos) end = line.size();
    char tag = i + 1 < end ? static_cast<char>(std::toupper(static_cast<unsigned char>(line[i + 1]))) : '\0';
    switch (tag) {
      case 'D': out += v.date; break;
      case 'T': out += v.time; break;
      case 'I': out += v.stationId; break;
      case 'F': out += v.sender; break;
      case 'R': out += v.recipient; break;
      case 'S': out += v.title; break;
      case 'N': out += std::to_string(v.totalPages); break;
      case 'P': out += std::to_string(v.pageNumber); break;
      default: break;  // unknown tags vanish
    }
    i = end;
  }
  return out;
}

namespace {

std::string FormatNow(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, format, &local);
  return std::string(buf, n);
}

}  // namespace

std::string ShortDateNow() { return FormatNow("%x"); }
std::string ShortTimeNow() { return FormatNow("%X"); }

int RenderHeaderLines(const std::string& text, bool fine, bool wide, std::vector<std::vector<std::uint8_t>>& lines) {
  lines.clear();
  std::vector<std::uint8_t> glyphs;
  FaxFontMetrics m{};
  if (int rc = LoadFaxFont(FaxFontType::ffSmall, fine, glyphs, m)) return rc;
  FaxConverterState state;
  state.LineWidth = wide ? kWideWidth : kNormalWidth;
  state.DoubleWidth = false;
  const std::size_t maxChars =
      static_cast<std::size_t>(state.LineWidth / m.pixelWidth - static_cast<int>(state.LeftMargin) / m.pixelWidth);
  const std::string shown = text.substr(0, std::min(text.size(), maxChars));
  for (int row = 0; row < m.height; ++row) {
    std::fill(state.Raster.begin(), state.Raster.end(), 0);
    std::size_t bit = 0;
    for (unsigned char c : shown) {
      const std::uint8_t* src = glyphs.data() + static_cast<std::size_t>(c) * m.glyphBytes + row * m.byteWidth;
      for (int x = 0; x < m.pixelWidth; ++x, ++bit)
        if (src[x / 8] & (0x80 >> (x % 8))) state.Raster[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    }
    std::size_t n = state.CompressLine(state.Raster.data());
    lines.emplace_back(state.CodedLine.begin(), state.CodedLine.begin() + static_cast<long>(n));
  }
  return ecOK;
}

int RenderEnhancedHeaderLines(const std::string& text, bool fine, bool wide, const FaxFontSpec& font,
                              const std::function<std::unique_ptr<TextBitmapRenderer>()>& makeRenderer,
                              std::vector<std::vector<std::uint8_t>>& lines) {
  lines.clear();
  FaxConverterState state;
  state.LineWidth = wide ? kWideWidth : kNormalWidth;
  state.DoubleWidth = false;
  std::unique_ptr<TextBitmapRenderer> renderer = makeRenderer ? makeRenderer() : CreateSystemFontRenderer();
  if (!renderer) return ecBadArgument;
  const int width = state.LineWidth;
  if (int rc = renderer->Setup(font, fine, width)) return rc;
  renderer->RenderLine(GbkToUtf8(text));
  const std::size_t rasterBytes = static_cast<std::size_t>(state.LineWidth) / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(renderer->BytesPerRow());
  for (int row = 0; row < renderer->Height(); ++row) {
    std::fill(state.Raster.begin(), state.Raster.end(), 0);
    const std::uint8_t* src = renderer->Row(row);
    if (fine) {
      std::memcpy(state.Raster.data(), src, std::min(rowBytes, rasterBytes));
    } else {
      // Standard resolution has half the lines per inch: the left half of
      // the bitmap, each pixel doubled across, keeps the proportions.
      for (std::size_t i = 0; i < rowBytes / 2 && 2 * i + 1 < rasterBytes; ++i) {
        std::uint16_t doubled = 0;
        for (int b = 0; b < 8; ++b)
          if (src[i] & (0x80 >> b)) doubled |= static_cast<std::uint16_t>(0xC000 >> (2 * b));
        state.Raster[2 * i] = static_cast<std::uint8_t>(doubled >> 8);
        state.Raster[2 * i + 1] = static_cast<std::uint8_t>(doubled);
      }
    }
    std::size_t n = state.CompressLine(state.Raster.data());
    lines.emplace_back(state.CodedLine.begin(), state.CodedLine.begin() + static_cast<long>(n));
  }
  return ecOK;
}

}  // namespace telvane
