// Text wrapping for the document conversion: a text file's lines broken into
// the lines they occupy on an A4 page in the chosen font, so that the fax
// shows the text as it would be printed rather than cut at the page edge.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

namespace telvane {

// The width of an A4 page (210 mm) in pixels at `dotsPerInch`.
int A4WidthPixels(int dotsPerInch);

// Each line broken at word boundaries (anywhere in a word longer than the
// width) into the visual lines `font` gives it in `width` pixels. An empty
// line stays one empty line.
QStringList WrapLines(const QStringList& lines, const QFont& font, int width);

// Reads the GBK text file `source` (an unreadable file counts as empty),
// wraps its lines and writes them, each ended by CR LF, in GBK to `target`.
// `yield` runs before each line is written. False when `target` cannot be
// written.
bool WriteWrappedText(const QString& source, const QString& target, const QFont& font, int width,
                      const std::function<void()>& yield = {});

}  // namespace telvane
