#include "tests/viewer/viewer_test_files.h"

#include <QFile>
#include <QLineEdit>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include "faxdoc/fax_converter.h"
#include "viewer/fax_printer.h"

namespace telvane::test {

std::string MakeTextFax(const TempDir& dir, const std::string& name, int pages, bool highRes,
                        unsigned topMargin) {
  std::string text;
  for (int p = 1; p <= pages; ++p) {
    if (p > 1) text += '\f';
    text += "PAGE " + std::to_string(p) + " OF THE TEST FAX\r\n";
    for (int line = 0; line < 20 + p; ++line)
      text += "Line " + std::to_string(line) + " of page " + std::to_string(p) + ": the quick brown fox\r\n";
  }
  const std::string input = dir.File(name + ".txt");
  WriteAll(input, text);
  TApdFaxConverter cvt;
  cvt.InputDocumentType = idText;
  cvt.Resolution = highRes ? frHigh : frNormal;
  cvt.TopMargin = topMargin;
  cvt.SetDocumentFile(input);
  cvt.OutFileName = dir.File(name);
  cvt.ConvertDocument();
  return cvt.OutFileName;
}

QImage ToQImage(const Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      image.setPixel(x, y, bitmap.Pixel(x, y).red ? 0xFFFFFFFFu : 0xFF000000u);
  return image;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

QString RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000)) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

void WithPrinter(TApdFaxPrinter& printer) {
  printer.AvailablePrinters = [] { return QStringList{QStringLiteral("Office")}; };
}

void WithoutPrinter(TApdFaxPrinter& printer) {
  printer.AvailablePrinters = [] { return QStringList(); };
  printer.Printer().setOutputFileName(QString());
  printer.Printer().setPrinterName(QString());  // an empty name selects PDF output
}

std::function<int(QPrintDialog&)> PrintDialogUser::Hook() {
  return [this](QPrintDialog& dialog) {
    ++runs;
    QTimer::singleShot(0, &dialog, [this, &dialog] {
      // The file name field of Qt's print dialog.
      if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("filename"))) {
        shown = name->text();
        if (!typed.isEmpty()) name->setText(typed);
      }
      cancel ? dialog.reject() : dialog.accept();
    });
    return dialog.exec();
  };
}

QString CheckPdf(const QString& pdf, int sheets) {
  QFile f(pdf);
  if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("no file ") + pdf;
  if (!f.read(5).startsWith("%PDF-")) return pdf + QStringLiteral(" is not a PDF file");
  const QString info = RunProgram(QStringLiteral("pdfinfo"), {pdf});
  if (!info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(sheets)))) return info;
  return QString();
}

}  // namespace telvane::test
