// The fax printer, printing to PDF files read back with poppler's pdftotext:
// sheets, footers, the quarters of multi-page mode, empty ranges, aborts,
// failures and the print log; printing without a printer through the print
// dialog's PDF file; the placement of a page and the margin tags.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <memory>

#include "tests/support/apf_pages.h"
#include "base/exceptions.h"
#include "viewer/fax_printer.h"
#include "viewer/fax_printer_status.h"
#include "viewer/margin_tags.h"
#include "tests/viewer/viewer_test_files.h"

using telvane::TApdFaxPrinter;
using telvane::TApdFaxPrinterLog;
using telvane::TApdFaxPrinterStatus;
using telvane::FaxPLCode;
using namespace telvane::test;

namespace {

// A printer to a PDF file with its status window and log, as the windows
// that print own them.
struct PrintRig {
  QObject owner;
  TApdFaxPrinterStatus* status = new TApdFaxPrinterStatus(&owner);
  TApdFaxPrinterLog* log = new TApdFaxPrinterLog(&owner);
  TApdFaxPrinter* printer = new TApdFaxPrinter(&owner);
  QString pdf, logFile;
  QList<int> nextPages;

  PrintRig(const TempDir& dir, const QString& fax) {
    pdf = QString::fromStdString(dir.File("out.pdf"));
    logFile = QString::fromStdString(dir.File("FAXPRINT.LOG"));
    QFile::remove(pdf);
    QFile::remove(logFile);
    log->LogFileName = logFile;
    printer->Printer().setOutputFormat(QPrinter::PdfFormat);
    printer->Printer().setOutputFileName(pdf);
    printer->Printer().setPageSize(QPageSize(QPageSize::A4));
    printer->OnNextPage = [this](TApdFaxPrinter&, uint16_t cp, uint16_t) { nextPages.append(cp); };
    printer->SetFileName(fax);
  }

  int Sheets() const {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(RunProgram("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  }
  QString SheetText(int sheet) const {
    // Compatibility normalisation undoes ligatures such as "fi" in file names.
    return RunProgram("pdftotext", {"-f", QString::number(sheet), "-l", QString::number(sheet), pdf, "-"})
        .normalized(QString::NormalizationForm_KC);
  }
  QStringList LogLines() const {
    QFile f(logFile);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n');
  }
};

// Where pdftotext finds the word "PAGE:" of each footer: sheet, number,
// position as a fraction of the sheet, and word height in points.
struct Footer {
  int sheet;
  int page;
  double x, y, height;
};

QList<Footer> Footers(const QString& pdf) {
  const QString html = RunProgram("pdftotext", {"-bbox", pdf, "-"});
  QList<Footer> footers;
  const QRegularExpression pageRe(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
  const QRegularExpression wordRe(
      QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
  int sheet = 0;
  double w = 1, h = 1;
  QString previous;
  Footer pending{};
  for (const QString& line : html.split('\n')) {
    if (const auto m = pageRe.match(line); m.hasMatch()) {
      ++sheet;
      w = m.captured(1).toDouble();
      h = m.captured(2).toDouble();
      continue;
    }
    const auto m = wordRe.match(line);
    if (!m.hasMatch()) continue;
    const QString word = m.captured(4);
    if (word == "PAGE:")
      pending = Footer{sheet, 0, m.captured(1).toDouble() / w, m.captured(2).toDouble() / h,
                       m.captured(3).toDouble() - m.captured(2).toDouble()};
    else if (previous == "PAGE:")
      footers.append(Footer{pending.sheet, word.toInt(), pending.x, pending.y, pending.height});
    previous = word;
  }
  return footers;
}

}  // namespace

class FaxPrinterTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void fivePagesPrintFiveSheetsWithFooters();
  void multiPagePortraitFillsQuartersWithHalfSizeFooters();
  void multiPageLandscapePutsTwoSideBySide();
  void rangeEndingBelowItsStartPrintsNothingButLogs();
  void abortStopsAtTheNextPage();
  void pageThatCannotBeReadFailsThePrint();
  void statusWindowShowsTheFile();
  void logThatCannotBeOpenedStopsThePrint();
  void pagesArePrintedWithTheirTrueAspect();
  void printSetupTakesTheDialogsRange();
  void fileAndRangeHoldWhilePrinting();
  void pdfGoesToTheNameTheDialogShows_data();
  void pdfGoesToTheNameTheDialogShows();
  void offeredPdfNameFollowsTheFax();
  void failedPrintLeavesThePrinterUsable_data();
  void failedPrintLeavesThePrinterUsable();
  void placement_data();
  void placement();
  void marginTags_data();
  void marginTags();

 private:
  std::unique_ptr<TempDir> dir_;
  QString five_;
};

void FaxPrinterTest::initTestCase() {
  dir_ = std::make_unique<TempDir>();
  // PDF files offered in the home folder land in the test's folder.
  qputenv("HOME", QFile::encodeName(QString::fromStdString(dir_->Path().string())));
  five_ = QString::fromStdString(MakeTextFax(*dir_, "five.apf", 5, true));
}

void FaxPrinterTest::fivePagesPrintFiveSheetsWithFooters() {
  PrintRig rig(*dir_, five_);
  QCOMPARE(rig.printer->PageCount(), 5);
  QCOMPARE(rig.printer->Resolution(), telvane::frHigh);
  QList<unsigned> progress;
  rig.printer->OnFaxPrintStatus = [&](TApdFaxPrinter&, unsigned p) { progress.append(p); };
  rig.printer->PrintFax();
  QCOMPARE(rig.Sheets(), 5);
  for (int sheet = 1; sheet <= 5; ++sheet) {
    const QString text = rig.SheetText(sheet);
    QVERIFY2(text.contains(QStringLiteral("PAGE: %1 of 5").arg(sheet)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("FILE: ") + five_), qPrintable(text.left(300)));
  }
  QCOMPARE(rig.nextPages, (QList<int>{1, 2, 3, 4, 5}));
  QCOMPARE(progress.first(), 0u);
  QCOMPARE(progress.mid(1, 4), (QList<unsigned>{4, 1, 2, 3}));
  QCOMPARE(progress.last(), 0u);
  QCOMPARE(rig.printer->CurrentPage(), 0);
  const QStringList log = rig.LogLines();
  QCOMPARE(log.size(), 4);  // started, finished, empty line, end of file
  QVERIFY(log[0].startsWith(QStringLiteral("Printing ") + five_ + QStringLiteral(" started at ")));
  QVERIFY(log[1].startsWith(QStringLiteral("Printing ") + five_ + QStringLiteral(" finished at ")));
  QCOMPARE(log[2], QString());
}

void FaxPrinterTest::multiPagePortraitFillsQuartersWithHalfSizeFooters() {
  PrintRig single(*dir_, five_);
  single.printer->FirstPage = single.printer->LastPage = 1;
  single.printer->PrintFax();
  const double fullHeight = Footers(single.pdf).at(0).height;

  PrintRig rig(*dir_, five_);
  rig.printer->MultiPage = true;
  rig.printer->PrintFax();
  QCOMPARE(rig.Sheets(), 2);
  const QList<Footer> footers = Footers(rig.pdf);
  QCOMPARE(footers.size(), 5);
  const struct {
    int sheet;
    bool right, bottom;
  } expected[] = {{1, false, false}, {1, true, false}, {1, false, true}, {1, true, true}, {2, false, false}};
  for (int i = 0; i < 5; ++i) {
    QCOMPARE(footers[i].page, i + 1);
    QCOMPARE(footers[i].sheet, expected[i].sheet);
    QCOMPARE(footers[i].x > 0.5, expected[i].right);
    QCOMPARE(footers[i].y > 0.5, expected[i].bottom);
    QVERIFY2(std::abs(footers[i].height / fullHeight - 0.5) < 0.1,
             qPrintable(QStringLiteral("%1 vs %2").arg(footers[i].height).arg(fullHeight)));
  }
}

void FaxPrinterTest::multiPageLandscapePutsTwoSideBySide() {
  PrintRig rig(*dir_, five_);
  rig.printer->MultiPage = true;
  rig.printer->Printer().setPageOrientation(QPageLayout::Landscape);
  rig.printer->PrintFax();
  QCOMPARE(rig.Sheets(), 3);
  const QList<Footer> footers = Footers(rig.pdf);
  QCOMPARE(footers.size(), 5);
  for (int i = 0; i < 5; ++i) {
    QCOMPARE(footers[i].sheet, i / 2 + 1);
    QCOMPARE(footers[i].x > 0.5, i % 2 == 1);
    QVERIFY(footers[i].y > 0.8);
  }
}

void FaxPrinterTest::rangeEndingBelowItsStartPrintsNothingButLogs() {
  PrintRig rig(*dir_, five_);
  rig.printer->FirstPage = 3;
  rig.printer->LastPage = 2;
  rig.printer->PrintFax();
  QVERIFY(rig.nextPages.isEmpty());
  QVERIFY(!QFile::exists(rig.pdf));  // not even a blank sheet
  const QStringList log = rig.LogLines();
  QCOMPARE(log.size(), 4);
  QVERIFY(log[0].contains(" started at "));
  QVERIFY(log[1].contains(" finished at "));
}

void FaxPrinterTest::abortStopsAtTheNextPage() {
  PrintRig rig(*dir_, five_);
  QList<FaxPLCode> codes;
  rig.printer->OnFaxPrintLog = [&](TApdFaxPrinter&, FaxPLCode code) { codes.append(code); };
  rig.printer->OnNextPage = [&](TApdFaxPrinter&, uint16_t cp, uint16_t) {
    rig.nextPages.append(cp);
    if (cp == 2) rig.status->Display()->AbortButton->click();  // the user presses "Abort"
  };
  rig.printer->PrintFax();
  QCOMPARE(rig.nextPages, (QList<int>{1, 2}));
  QCOMPARE(codes, (QList<FaxPLCode>{telvane::lcStart, telvane::lcAborted}));
  QCOMPARE(rig.printer->CurrentPage(), 0);
  QCOMPARE(rig.printer->Progress(), 0);
  QVERIFY(!rig.status->Showing());
  QVERIFY(!QFile::exists(rig.pdf));  // no partial print left behind
  const QStringList log = rig.LogLines();
  QCOMPARE(log.size(), 4);
  QVERIFY(log[1].startsWith(QStringLiteral("Printing ") + five_ + QStringLiteral(" aborted at ")));
  // The next print is not aborted by the last one.
  rig.nextPages.clear();
  rig.printer->OnNextPage = [&](TApdFaxPrinter&, uint16_t cp, uint16_t) { rig.nextPages.append(cp); };
  rig.printer->PrintFax();
  QCOMPARE(rig.Sheets(), 5);
}

void FaxPrinterTest::pageThatCannotBeReadFailsThePrint() {
  const std::string cut = dir_->File("cut.apf");
  std::string bytes = ReadAll(five_.toStdString());
  bytes[32] = 6;  // the header claims six pages, the file holds five
  WriteAll(cut, bytes);
  PrintRig rig(*dir_, QString::fromStdString(cut));
  QCOMPARE(rig.printer->LastPage, 6);
  int code = 0;
  try {
    rig.printer->PrintFax();
  } catch (const telvane::EAPDException& e) {
    code = e.ErrorCode();
  }
  QVERIFY(code < 0);
  QCOMPARE(rig.nextPages, (QList<int>{1, 2, 3, 4, 5, 6}));
  const QStringList log = rig.LogLines();
  QCOMPARE(log.size(), 4);
  QVERIFY(log[1].contains(" failed at "));
  QVERIFY(!rig.status->Showing());
}

void FaxPrinterTest::statusWindowShowsTheFile() {
  PrintRig rig(*dir_, five_);
  rig.printer->FirstPage = 2;
  rig.printer->LastPage = 4;
  QStringList seen;
  rig.printer->OnFaxPrintStatus = [&](TApdFaxPrinter&, unsigned progress) {
    if (progress != telvane::ppRendering) return;
    const auto* w = rig.status->Display();
    seen = QStringList{w->windowTitle(), w->FileNameValue->text(), w->TotalPagesValue->text(),
                       w->ResolutionValue->text(), w->WidthValue->text(), w->FirstPageValue->text(),
                       w->LastPageValue->text()};
  };
  rig.printer->PrintFax();
  QCOMPARE(seen, (QStringList{"Print Status", "FIVE.APF", "5", "high", "1728", "2", "4"}));
  QCOMPARE(rig.status->Display()->StatusLine->text(), QStringLiteral("Idle 4 of 4"));
  QVERIFY(!rig.status->Showing());
}

void FaxPrinterTest::printSetupTakesTheDialogsRange() {
  PrintRig rig(*dir_, five_);
  int minPage = 0, maxPage = 0;
  rig.printer->ExecPrintDialog = [&](QPrintDialog& dialog) {
    minPage = dialog.minPage();
    maxPage = dialog.maxPage();
    return int(QDialog::Rejected);
  };
  QVERIFY(!rig.printer->PrintSetup());
  QCOMPARE(minPage, 1);
  QCOMPARE(maxPage, 5);
  QCOMPARE(rig.printer->FirstPage, 1);
  QCOMPARE(rig.printer->LastPage, 5);
  rig.printer->ExecPrintDialog = [&](QPrintDialog& dialog) {
    dialog.printer()->setPrintRange(QPrinter::PageRange);
    dialog.printer()->setFromTo(2, 3);
    return int(QDialog::Accepted);
  };
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(rig.printer->FirstPage, 2);
  QCOMPARE(rig.printer->LastPage, 3);
  rig.printer->PrintFax();
  QCOMPARE(rig.nextPages, (QList<int>{2, 3}));
  QCOMPARE(rig.Sheets(), 2);
  QVERIFY(rig.SheetText(1).contains("PAGE: 2 of 5"));
}

// Changes asked for while the pages go out are refused or wait for the next
// print; the running print keeps its file and range.
void FaxPrinterTest::fileAndRangeHoldWhilePrinting() {
  const QString one = QString::fromStdString(MakeTextFax(*dir_, "single.apf", 1, true));
  PrintRig rig(*dir_, five_);
  rig.printer->FirstPage = 2;
  rig.printer->LastPage = 4;
  int dialogs = 0, refused = 0;
  rig.printer->ExecPrintDialog = [&](QPrintDialog&) {
    ++dialogs;
    return int(QDialog::Accepted);
  };
  rig.printer->OnNextPage = [&](TApdFaxPrinter& p, uint16_t cp, uint16_t tp) {
    rig.nextPages.append(cp);
    QCOMPARE(tp, uint16_t(5));
    if (cp != 2) return;
    QVERIFY(p.Printing());
    try {
      p.SetFileName(one);
    } catch (const telvane::EAPDException& e) {
      refused = e.ErrorCode();
    }
    QVERIFY(!p.PrintSetup());
    p.LastPage = 2;
  };
  rig.printer->PrintFax();
  QCOMPARE(refused, -1002);
  QCOMPARE(dialogs, 0);
  QCOMPARE(rig.nextPages, (QList<int>{2, 3, 4}));
  QCOMPARE(rig.printer->FileName(), five_);
  QCOMPARE(rig.Sheets(), 3);
  QVERIFY(rig.SheetText(3).contains("PAGE: 4 of 5"));
  QVERIFY(!rig.printer->Printing());
  rig.printer->SetFileName(one);
  QCOMPARE(rig.printer->PageCount(), 1);
}

// Without a printer, print set-up offers a PDF file named after the fax in the
// home folder, and the PDF goes to the name the dialog shows when OK is pressed.
void FaxPrinterTest::pdfGoesToTheNameTheDialogShows_data() {
  QTest::addColumn<QString>("typed");
  QTest::newRow("as offered") << QString();
  QTest::newRow("typed over") << QString::fromStdString(dir_->File("letter to Anna.pdf"));
}

void FaxPrinterTest::pdfGoesToTheNameTheDialogShows() {
  QFETCH(QString, typed);
  PrintRig rig(*dir_, five_);
  WithoutPrinter(*rig.printer);
  PrintDialogUser user;
  user.typed = typed;
  rig.printer->ExecPrintDialog = user.Hook();
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(user.shown, QDir::home().filePath(QStringLiteral("five.pdf")));
  rig.printer->PrintFax();
  const QString pdf = typed.isEmpty() ? user.shown : typed;
  const QString problem = CheckPdf(pdf, 5);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(QFile::remove(pdf));
}

// The name offered follows the fax printed; a name the user chose is kept.
void FaxPrinterTest::offeredPdfNameFollowsTheFax() {
  const QString one = QString::fromStdString(MakeTextFax(*dir_, "single.apf", 1, true));
  PrintRig rig(*dir_, five_);
  WithoutPrinter(*rig.printer);
  PrintDialogUser user;
  rig.printer->ExecPrintDialog = user.Hook();
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(user.shown, QDir::home().filePath(QStringLiteral("five.pdf")));
  rig.printer->SetFileName(one);
  user.typed = QString::fromStdString(dir_->File("mine.pdf"));
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(user.shown, QDir::home().filePath(QStringLiteral("single.pdf")));
  rig.printer->SetFileName(five_);
  user.typed.clear();
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(user.shown, QString::fromStdString(dir_->File("mine.pdf")));
}

// A print that cannot start says why and leaves the printer as usable as
// before: the PDF file chosen next in print set-up takes the next print.
void FaxPrinterTest::failedPrintLeavesThePrinterUsable_data() {
  QTest::addColumn<QString>("output");
  QTest::addColumn<QString>("message");
  QTest::newRow("nowhere to print") << QString() << QStringLiteral("No printer");
  QTest::newRow("folder missing") << QString::fromStdString(dir_->File("no/such/folder/out.pdf"))
                                  << QString::fromStdString(dir_->File("no/such/folder/out.pdf"));
}

void FaxPrinterTest::failedPrintLeavesThePrinterUsable() {
  QFETCH(QString, output);
  QFETCH(QString, message);
  PrintRig rig(*dir_, five_);
  WithoutPrinter(*rig.printer);
  if (!output.isEmpty()) rig.printer->Printer().setOutputFileName(output);
  QString error;
  try {
    rig.printer->PrintFax();
  } catch (const telvane::EAPDException& e) {
    error = QString::fromUtf8(e.what());
  }
  QVERIFY2(error.contains(message), qPrintable(error));
  QVERIFY(!rig.printer->Printing());
  QVERIFY(!rig.status->Showing());
  PrintDialogUser user;
  user.typed = rig.pdf;
  rig.printer->ExecPrintDialog = user.Hook();
  QVERIFY(rig.printer->PrintSetup());
  QCOMPARE(user.runs, 1);
  try {
    rig.printer->PrintFax();
  } catch (const telvane::EAPDException& e) {
    QFAIL(e.what());
  }
  const QString problem = CheckPdf(rig.pdf, 5);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void FaxPrinterTest::logThatCannotBeOpenedStopsThePrint() {
  PrintRig rig(*dir_, five_);
  rig.log->LogFileName = QString::fromStdString(dir_->File("no/such/folder/FAXPRINT.LOG"));
  int code = 0;
  try {
    rig.printer->PrintFax();
  } catch (const telvane::EAPDException& e) {
    code = e.ErrorCode();
  }
  QCOMPARE(code, -ENOENT);
  QVERIFY(rig.nextPages.isEmpty());
  QVERIFY(!rig.printer->Printing());
  QVERIFY(!rig.status->Showing());
  QCOMPARE(rig.printer->Progress(), 0);
}

// pdfimages lists each picture in the PDF with its pixel size and its
// resolution on the sheet; equal horizontal and vertical resolutions mean
// the page keeps its aspect ratio.
void FaxPrinterTest::pagesArePrintedWithTheirTrueAspect() {
  for (bool highRes : {true, false}) {
    const QString fax = QString::fromStdString(MakeTextFax(*dir_, highRes ? "fine.apf" : "std.apf", 1, highRes));
    const auto coded = ReadApfPages(fax.toStdString()).at(0).size();
    PrintRig rig(*dir_, fax);
    rig.printer->PrintFax();
    const QStringList rows = RunProgram("pdfimages", {"-list", rig.pdf}).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);  // two heading lines and the page
    const QStringList f = rows[2].simplified().split(' ');
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    QCOMPARE(f[4].toULongLong(), highRes ? coded : 2 * coded);  // standard lines are doubled
    QVERIFY2(std::abs(f[12].toDouble() - f[13].toDouble()) <= 1, qPrintable(rows[2]));
  }
}

void FaxPrinterTest::placement_data() {
  QTest::addColumn<QSize>("bitmap");
  QTest::addColumn<int>("lineWidth");
  QTest::addColumn<int>("scale");
  QTest::addColumn<QRect>("target");
  QTest::addColumn<QRect>("source");
  const QRect rect(10, 20, 1000, 1300);
  // A full fax line takes 93 % of the width; the height follows the aspect.
  QTest::newRow("fit 1728 wide") << QSize(1728, 1000) << 1728 << int(telvane::psFitToPage)
                                 << QRect(10, 20, 930, 538) << QRect(0, 0, 1728, 1000);
  // A page trimmed to its text keeps the scale of a full line.
  QTest::newRow("fit trimmed") << QSize(864, 1000) << 1728 << int(telvane::psFitToPage) << QRect(10, 20, 465, 538)
                               << QRect(0, 0, 864, 1000);
  // A long page is limited by the height, aspect kept.
  QTest::newRow("fit long") << QSize(1728, 2600) << 1728 << int(telvane::psFitToPage) << QRect(10, 20, 864, 1300)
                            << QRect(0, 0, 1728, 2600);
  // A wide page stays inside the rectangle with its aspect.
  QTest::newRow("fit wide") << QSize(2048, 1000) << 2048 << int(telvane::psFitToPage) << QRect(10, 20, 930, 454)
                            << QRect(0, 0, 2048, 1000);
  // 1:1 at 300 per inch: 1.5 printer pixels per fax pixel; what does not fit is left out.
  QTest::newRow("1:1") << QSize(400, 600) << 1728 << int(telvane::psNone) << QRect(10, 20, 600, 900)
                       << QRect(0, 0, 400, 600);
  QTest::newRow("1:1 cut") << QSize(1000, 1000) << 1728 << int(telvane::psNone) << QRect(10, 20, 1000, 1300)
                           << QRect(0, 0, 667, 867);
}

void FaxPrinterTest::placement() {
  QFETCH(QSize, bitmap);
  QFETCH(int, lineWidth);
  QFETCH(int, scale);
  QFETCH(QRect, target);
  QFETCH(QRect, source);
  const auto p = TApdFaxPrinter::PlacePage(QRect(10, 20, 1000, 1300), bitmap.width(), bitmap.height(), lineWidth,
                                           static_cast<telvane::TFaxPrintScale>(scale), 300);
  QCOMPARE(p.Target, target);
  QCOMPARE(p.Source, source);
}

void FaxPrinterTest::marginTags_data() {
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("expected");
  QTest::newRow("footer") << "PAGE: $P of $N" << "PAGE: 2 of 5";
  QTest::newRow("lower case") << "page $p/$n" << "page 2";  // a tag runs to the next blank
  QTest::newRow("file") << "FILE: $F" << "FILE: C:/fax/in.apf";
  QTest::newRow("unknown letter") << "A $Xyz B" << "A  B";
  QTest::newRow("bare dollar") << "cost $ 5" << "cost  5";
  QTest::newRow("inserted text is not scanned") << "$F end" << "C:/fax/in.apf end";
}

void FaxPrinterTest::marginTags() {
  QFETCH(QString, caption);
  QFETCH(QString, expected);
  QCOMPARE(telvane::ReplaceMarginTags(caption, {QStringLiteral("C:/fax/in.apf"), 5, 2, QDateTime::currentDateTime()}),
           expected);
  const QString dated = telvane::ReplaceMarginTags(QStringLiteral("$D"), {QString(), 1, 1, QDateTime(QDate(2026, 12, 8), QTime(9, 5))});
  QCOMPARE(dated, QLocale::system().toString(QDate(2026, 12, 8), QLocale::ShortFormat));
}

QTEST_MAIN(FaxPrinterTest)
#include "fax_printer_test.moc"
