#include "faxdoc/text_input.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "faxdoc/converter_engine.h"
#include "base/error_codes.h"
#include "faxdoc/gbk_text.h"
#include "faxdoc/text_rows.h"

namespace telvane {

TextInputState::TextInputState(TextInputOptions options) : options_(std::move(options)) {
  if (options_.TabStop == 0) options_.TabStop = 4;
}

std::string TextInputState::ExpandTabs(const std::string& line, unsigned tabStop, TextEncoding encoding) {
  if (tabStop == 0) tabStop = 4;
  const bool utf8 = encoding == TextEncoding::Utf8;
  std::string out;
  out.reserve(line.size());
  size_t column = 0;
  for (char c : line) {
    if (c == '\0') break;
    if (utf8 && (static_cast<unsigned char>(c) & 0xC0) == 0x80) {
      out.push_back(c);  // the rest of a character already counted
      continue;
    }
    if (column >= kMaxLineText) break;
    if (c == '\t') {
      const size_t spaces = std::min<size_t>(tabStop - column % tabStop, kMaxLineText - column);
      out.append(spaces, ' ');
      column += spaces;
    } else {
      out.push_back(c);
      ++column;
    }
  }
  CutText(out, kMaxLineText, encoding);
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
  // Text files are small: the whole file is looked at once to learn its line
  // end and encoding before the first line is read.
  const TextFileFormat format = ScanTextFile(fd);
  reader_ = std::make_unique<TLineReader>(fd, format.lineEnd);
  reader_->Skip(format.skip);
  const bool utf8 = format.encoding == TextEncoding::Utf8;
  lineEncoding_ = utf8 && options_.Enhanced ? TextEncoding::Utf8 : TextEncoding::Gbk;
  toFaxFont_ = utf8 && !options_.Enhanced;
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
    if (toFaxFont_) line = Utf8ToFaxFont(line);
    state.BytesRead = reader_->BytesRead();
    state.BytesToRead = reader_->FileSize();
  }
  const size_t ff = line.find('\f');
  if (ff != std::string::npos) {
    remainder_ = line.substr(ff + 1);
    CutText(remainder_, kMaxLineText, lineEncoding_);
    remainderHeld_ = true;
    line.resize(ff);
  }

  currentRow_ = 1;
  lineText_ = ExpandTabs(line, options_.TabStop, lineEncoding_);
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
    length = (DrawFaxFontRow(lineText_, glyphs_.data(), metrics_, row, raster) + 7) / 8;
    return;
  }

  if (row == 0) renderer_->RenderLine(lineEncoding_ == TextEncoding::Utf8 ? lineText_ : GbkToUtf8(lineText_));
  const uint8_t* src = renderer_->Row(row);
  const size_t rasterBytes = static_cast<size_t>(state.LineWidth) / 8;
  const size_t rowBytes = static_cast<size_t>(renderer_->BytesPerRow());
  FitRendererRow(src, rowBytes, state.UseHighRes, raster, rasterBytes);
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
