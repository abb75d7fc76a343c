// Fax files for the viewer and printer tests, converted from text with the
// built-in fax font, and small helpers around them.
#pragma once

#include <QImage>
#include <QString>
#include <string>

#include "faxdoc/bitmap.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// Converts `pages` pages of numbered text into `name` in `dir` and returns
// its path; each page starts with "PAGE n". `topMargin` blank lines open
// each page.
std::string MakeTextFax(const TempDir& dir, const std::string& name, int pages, bool highRes,
                        unsigned topMargin = 0);

// A monochrome bitmap (set bit white) as a QImage of the same pixels,
// white as 0xFFFFFFFF, black as 0xFF000000.
QImage ToQImage(const Bitmap& bitmap);

// Pixels equal, sizes equal.
bool SamePixels(const Bitmap& a, const Bitmap& b);

// Runs a program and returns what it wrote to standard output.
QString RunProgram(const QString& program, const QStringList& arguments);

}  // namespace telvane::test
