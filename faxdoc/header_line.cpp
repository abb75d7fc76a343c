// The header line on top of every page sent: its tags replaced, drawn with the
// small fax font or with a system font, and coded as scan lines.
#include "faxdoc/header_line.h"

#include <algorithm>
#include <cctype>

#include "base/error_codes.h"
#include "base/wall_clock.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/fax_font.h"
#include "faxdoc/gbk_text.h"
#include "faxdoc/text_encoding.h"
#include "faxdoc/text_rows.h"

namespace telvane {

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

std::string ShortDate(std::time_t t) { return FormatLocalTime(t, "%x"); }
std::string ShortTime(std::time_t t) { return FormatLocalTime(t, "%X"); }

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
  // The header comes from the program's settings: UTF-8 when it is UTF-8
  // beyond ASCII, else GBK bytes, which the font draws as they are.
  const std::string codes = DetectEncoding(text) == TextEncoding::Utf8 ? Utf8ToFaxFont(text) : text;
  const std::string shown = codes.substr(0, std::min(codes.size(), maxChars));
  for (int row = 0; row < m.height; ++row) {
    std::fill(state.Raster.begin(), state.Raster.end(), 0);
    DrawFaxFontRow(shown, glyphs.data(), m, row, state.Raster.data());
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
  renderer->RenderLine(DetectEncoding(text) == TextEncoding::Utf8 ? text : GbkToUtf8(text));
  const std::size_t rasterBytes = static_cast<std::size_t>(state.LineWidth) / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(renderer->BytesPerRow());
  for (int row = 0; row < renderer->Height(); ++row) {
    std::fill(state.Raster.begin(), state.Raster.end(), 0);
    const std::uint8_t* src = renderer->Row(row);
    FitRendererRow(src, rowBytes, fine, state.Raster.data(), rasterBytes);
    std::size_t n = state.CompressLine(state.Raster.data());
    lines.emplace_back(state.CodedLine.begin(), state.CodedLine.begin() + static_cast<long>(n));
  }
  return ecOK;
}

}  // namespace telvane
