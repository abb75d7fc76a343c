#include "text_input.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "converter_engine.h"
#include "error_codes.h"
#include "gbk_text.h"

namespace telvane {
namespace {

// Cuts GBK text to at most `limit` bytes without splitting a double-byte character.
void CutGbk(std::string& text, size_t limit) {
  if (text.size() <= limit) return;
  size_t i = 0;
  while (i < limit) {
    const size_t step = static_cast<unsigned char>(text[i]) >= 0x81 ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  text.resize(i);
}

}  // namespace

TextInputState::TextInputState(TextInputOptions options) : options_(std::move(options)) {
  if (options_.TabStop == 0) options_.TabStop = 4;
}

std::string TextInputState::ExpandTabs(const std::string& line, unsigned tabStop) {
  if (tabStop == 0) tabStop = 4;
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c == '\0') break;
    if (c == '\t') {
      out.append(tabStop - out.size() % tabStop, ' ');
    } else {
      out.push_back(c);
    }
    if (out.size() >= kMaxLineText) break;
  }
  CutGbk(out, kMaxLineText);
  return out;
}

int TextInputState::Prepare(FaxConverterState& state) {
  if (!options_.Enhanced) {
    glyphs_.clear();
    return LoadFaxFont(options_.FontType, state.UseHighRes, glyphs_, metrics_);
  }
  renderer_ = options_.RendererFactory ? options_.RendererFactory() : CreateSystemFontRenderer();
  const int width = state.LineWidth - static_cast<int>(std::min<unsigned>(state.LeftMargin, state.LineWidth));
  if (int rc = renderer_->Setup(options_.EnhFont, state.UseHighRes, width)) return rc;
  height_ = renderer_->Height();
  return 0;
}

int TextInputState::Open(FaxConverterState& state, const std::string& inputName) {
  int fd;
  do {
    fd = open(inputName.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return ErrnoToCode(errno);
  reader_ = std::make_unique<TLineReader>(fd);
  state.BytesRead = 0;
  state.BytesToRead = reader_->FileSize();
  lineCount_ = 0;
  currentRow_ = 0;
  remainderHeld_ = false;
  endPageNext_ = false;
  return 0;
}

void TextInputState::Close(FaxConverterState&) { reader_.reset(); }

int TextInputState::NextLine(FaxConverterState& state, bool& endOfPage, bool& morePages, bool& done) {
  done = false;
  if (reader_->Eof() && !remainderHeld_) {
    if (int err = reader_->Error()) return err;
    if (state.CurrentLine == 1) {
      // A page with nothing on it still gets one white line.
      endPageNext_ = true;
      endOfPage = false;
    } else {
      endOfPage = true;
    }
    morePages = false;
    done = true;
    return 0;
  }

  std::string line;
  bool fromFormFeed = false;
  if (remainderHeld_) {
    line = std::move(remainder_);
    remainderHeld_ = false;
    fromFormFeed = true;
  } else {
    line = reader_->ReadLine();
    if (int err = reader_->Error()) return err;
    state.BytesRead = reader_->BytesRead();
    state.BytesToRead = reader_->FileSize();
  }
  const size_t ff = line.find('\f');
  if (ff != std::string::npos) {
    remainder_ = line.substr(ff + 1);
    CutGbk(remainder_, kMaxLineText);
    remainderHeld_ = true;
    line.resize(ff);
  }

  currentRow_ = 1;
  lineText_ = ExpandTabs(line, options_.TabStop);
  if (!options_.Enhanced) {
    const size_t fit = static_cast<size_t>(state.LineWidth / metrics_.pixelWidth) -
                       static_cast<size_t>(state.LeftMargin / static_cast<unsigned>(metrics_.pixelWidth));
    if (lineText_.size() > fit) lineText_.resize(fit);
  }

  ++lineCount_;
  if (fromFormFeed || (options_.LinesPerPage != 0 && lineCount_ > options_.LinesPerPage)) {
    lineCount_ = 1;
    endOfPage = true;
    // A line that must start a new page gets that page even when the file
    // has just ended; only the empty line after a final line end does not.
    const bool atEnd = reader_->Eof() && !remainderHeld_;
    morePages = !(atEnd && lineText_.empty());
    if (lineText_.empty() && fromFormFeed && morePages && !remainderHeld_) {
      currentRow_ = 0;  // a form feed at the end of a line: the page starts with the next line
      lineCount_ = 0;
    }
    done = true;
  }
  return 0;
}

void TextInputState::RenderRow(FaxConverterState& state, uint8_t* raster, size_t& length) {
  const int row = currentRow_ - 1;
  if (!options_.Enhanced) {
    const int width = metrics_.pixelWidth;
    size_t bit = 0;
    for (unsigned char c : lineText_) {
      const uint8_t* glyphRow = glyphs_.data() + static_cast<size_t>(c) * metrics_.glyphBytes +
                                static_cast<size_t>(row) * metrics_.byteWidth;
      for (int x = 0; x < width; ++x, ++bit)
        if (glyphRow[x >> 3] & (0x80 >> (x & 7))) raster[bit >> 3] |= static_cast<uint8_t>(0x80 >> (bit & 7));
    }
    length = (bit + 7) / 8;
    return;
  }

  if (row == 0) renderer_->RenderLine(GbkToUtf8(lineText_));
  const uint8_t* src = renderer_->Row(row);
  const size_t rasterBytes = static_cast<size_t>(state.LineWidth) / 8;
  const size_t rowBytes = static_cast<size_t>(renderer_->BytesPerRow());
  if (state.UseHighRes) {
    std::memcpy(raster, src, std::min(rowBytes, rasterBytes));
  } else {
    // Standard resolution has half the lines per inch of high resolution but
    // the same pixels across: the left half of the bitmap, each pixel doubled,
    // keeps the text at the same size on paper.
    for (size_t i = 0; i < rowBytes / 2 && 2 * i + 1 < rasterBytes; ++i) {
      uint16_t wide = 0;
      for (int b = 0; b < 8; ++b)
        if (src[i] & (0x80 >> b)) wide |= static_cast<uint16_t>(0xC000 >> (2 * b));
      raster[2 * i] = static_cast<uint8_t>(wide >> 8);
      raster[2 * i + 1] = static_cast<uint8_t>(wide);
    }
  }
  length = rasterBytes;
}

int TextInputState::GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                                  bool& morePages) {
  length = 0;
  endOfPage = false;
  morePages = true;
  if (endPageNext_) {
    endPageNext_ = false;
    endOfPage = true;
    morePages = false;
    return 0;
  }
  if (currentRow_ == 0) {
    bool done = false;
    if (int rc = NextLine(state, endOfPage, morePages, done)) return rc;
    if (done) {
      if (!endOfPage) length = static_cast<size_t>(state.LineWidth) / 8;  // the lone white line
      return 0;
    }
  }
  RenderRow(state, raster, length);
  const int height = options_.Enhanced ? height_ : metrics_.height;
  if (++currentRow_ > height) currentRow_ = 0;
  endOfPage = false;
  morePages = true;
  return 0;
}

}  // namespace telvane
