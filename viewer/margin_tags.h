// Tag replacement in the header and footer lines of printed fax pages.
#pragma once

#include <QDateTime>
#include <QString>

namespace telvane {

// What the tags of a margin line stand for on one printed page.
struct MarginTagValues {
  QString FileName;    // $F: the file name as given to the printer
  unsigned PageCount;  // $N
  unsigned Page;       // $P
  QDateTime Now;       // $D short date, $T time, in the system's forms
};

// Replaces every tag (a "$" up to the next blank or the end of the text) by
// its value; the letter after "$" may be either case, and a tag with any
// other letter vanishes with the rest of its word. Inserted text is not
// scanned for tags again.
QString ReplaceMarginTags(const QString& caption, const MarginTagValues& values);

}  // namespace telvane
