// The header line on top of every page sent: tags, and its coded scan lines
// in the small fax font or a system font.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faxdoc/text_renderer.h"

namespace telvane {

// Replaces the tags of a header line: $D date, $T time, $I station ID,
// $F sender, $R recipient, $S title, $N total pages, $P page number. A tag
// runs from "$" to the next blank; any other tag is removed.
struct HeaderTagValues {
  std::string date, time, stationId, sender, recipient, title;
  int totalPages = 0;
  int pageNumber = 0;
};
std::string ReplaceHeaderTags(const std::string& line, const HeaderTagValues& v);
// The date and the time of `t` in the system's short formats.
std::string ShortDate(std::time_t t);
std::string ShortTime(std::time_t t);

// Renders a text line with the small fax font into coded scan lines (one per
// glyph row; rows doubled at fine resolution). -8052 when the font is missing.
// Both renderers take `text` as UTF-8 when it is UTF-8 beyond ASCII, as GBK
// otherwise; the fax font draws what its code page has of UTF-8 text.
int RenderHeaderLines(const std::string& text, bool fine, bool wide,
                      std::vector<std::vector<std::uint8_t>>& lines);
// The same with a system font (`makeRenderer` empty: the QtGui renderer), as
// enhanced text draws it: the font doubled in height at fine resolution, each
// pixel doubled across at standard resolution, so the line keeps its size on
// paper. -8055 for a font too big, -1002 when no system fonts can be used.
int RenderEnhancedHeaderLines(const std::string& text, bool fine, bool wide, const FaxFontSpec& font,
                              const std::function<std::unique_ptr<TextBitmapRenderer>()>& makeRenderer,
                              std::vector<std::vector<std::uint8_t>>& lines);

}  // namespace telvane
