// Plain text input of the converter: lines of a text file drawn with the
// built-in fax font or, for enhanced text, with a system font. Files in GBK
// or in UTF-8, with CR, CR LF or LF line ends, are read (text_encoding.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faxdoc/fax_font.h"
#include "faxdoc/fax_input.h"
#include "faxdoc/line_reader.h"
#include "faxdoc/text_encoding.h"
#include "faxdoc/text_renderer.h"

namespace telvane {

struct TextInputOptions {
  bool Enhanced = false;
  unsigned TabStop = 4;       // 0 leaves 4
  unsigned LinesPerPage = 0;  // 0 = no limit
  FaxFontType FontType = FaxFontType::ffStandard;
  FaxFontSpec EnhFont;
  // Makes the system-font renderer; the QtGui one when empty.
  std::function<std::unique_ptr<TextBitmapRenderer>()> RendererFactory;
};

class TextInputState : public FaxInput {
 public:
  static constexpr size_t kMaxLineText = 255;

  explicit TextInputState(TextInputOptions options);

  const char* DefaultExtension() const override { return "TXT"; }
  int Prepare(FaxConverterState& state) override;
  int Open(FaxConverterState& state, const std::string& inputName) override;
  int GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                    bool& morePages) override;
  void Close(FaxConverterState& state) override;

  // Tab expansion and the 255-character limit, as applied to every line;
  // columns count characters (for GBK, bytes: a double-byte character takes
  // two columns).
  static std::string ExpandTabs(const std::string& line, unsigned tabStop,
                                TextEncoding encoding = TextEncoding::Gbk);

 private:
  // Takes the next text line; returns true when it starts a new page.
  int NextLine(FaxConverterState& state, bool& endOfPage, bool& morePages, bool& done);
  void RenderRow(FaxConverterState& state, uint8_t* raster, size_t& length);

  TextInputOptions options_;
  std::unique_ptr<TLineReader> reader_;
  // How the lines are held once read: UTF-8 only for UTF-8 files drawn with a
  // system font. UTF-8 files drawn with the built-in font are turned into the
  // font's byte codes as they are read, and from then on read like GBK bytes.
  TextEncoding lineEncoding_ = TextEncoding::Gbk;
  bool toFaxFont_ = false;
  unsigned lineCount_ = 0;
  int currentRow_ = 0;  // 1-based row of the current text line; 0 = a new line is needed
  std::string lineText_;
  std::string remainder_;
  bool remainderHeld_ = false;
  bool endPageNext_ = false;  // the lone white line of an empty page was delivered

  // Built-in font.
  std::vector<uint8_t> glyphs_;
  FaxFontMetrics metrics_{};
  // Enhanced text.
  std::unique_ptr<TextBitmapRenderer> renderer_;
  int height_ = 0;
};

}  // namespace telvane
