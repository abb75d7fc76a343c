// Fax files for the viewer and printer tests, converted from text with the
// built-in fax font, and small helpers around them and around printing.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "faxdoc/bitmap.h"
#include "tests/support/temp_dir.h"

class QPrintDialog;

namespace telvane {
class TApdFaxPrinter;
}

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

// The system has one printer ("Office").
void WithPrinter(TApdFaxPrinter& printer);
// The system has no printer: the printer prints to a PDF file with none
// chosen yet, as Qt sets it up on a machine without printers.
void WithoutPrinter(TApdFaxPrinter& printer);

// Runs the real print dialog as the user would: reads the PDF file name it
// shows, types `typed` over it when set, and presses OK (or Cancel).
struct PrintDialogUser {
  QString typed;
  bool cancel = false;
  QString shown;
  int runs = 0;
  std::function<int(QPrintDialog&)> Hook();
};

// Empty when `pdf` is a PDF file of `sheets` pages, else what is wrong.
QString CheckPdf(const QString& pdf, int sheets);

}  // namespace telvane::test
