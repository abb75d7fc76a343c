// TApdFaxPrinter: prints the pages of an APF fax file through Qt's printing
// (a CUPS printer or a PDF file), one or several fax pages per sheet, with
// header and footer lines, progress, a status window and a print log.
#pragma once

#include <QFont>
#include <QObject>
#include <QPainter>
#include <QPrinter>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "faxdoc/bitmap.h"
#include "faxdoc/fax_types.h"
#include "faxdoc/fax_unpacker.h"

class QPrintDialog;

namespace telvane {

class TApdFaxPrinter;

enum TFaxPrintScale { psNone, psFitToPage };
enum FaxPLCode { lcStart = 0, lcFinish = 1, lcAborted = 2, lcFailed = 3 };
// Progress values; ProgressText gives their display texts.
enum FaxPrintProgress : uint8_t { ppIdle = 0, ppComposing = 1, ppRendering = 2, ppSubmitting = 3, ppConverting = 4 };
const char* ProgressText(unsigned progress);

// A header or footer line.
struct TApdFaxPrinterMargin {
  QString Caption;
  bool Enabled = true;
  QFont Font;
  uint16_t Height = 0;  // text height of the last line drawn, in printer pixels
};

// The status display a printer reports to.
class TApdAbstractFaxPrinterStatus : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  TApdFaxPrinter* FaxPrinter = nullptr;
  // first: attach to the printer and show; last: hide; otherwise refresh.
  virtual void UpdateDisplay(bool first, bool last) = 0;
  virtual bool Showing() const = 0;
};

// The print log: one line per start, finish, abort or failure.
class TApdFaxPrinterLog : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  QString LogFileName = QStringLiteral("FAXPRINT.LOG");
  TApdFaxPrinter* FaxPrinter = nullptr;
  // Appends the line for `code`; an error opening the file other than its
  // absence raises EFileError with the negated errno.
  void UpdateLog(FaxPLCode code);
};

class TApdFaxPrinter : public QObject {
  Q_OBJECT

 public:
  // Takes the first status and log components among the parent's
  // descendants.
  explicit TApdFaxPrinter(QObject* parent = nullptr);
  ~TApdFaxPrinter() override;

  QString Caption = QStringLiteral("Fax Printer Job");
  TApdFaxPrinterMargin FaxHeader;
  TApdFaxPrinterMargin FaxFooter;
  bool MultiPage = false;
  TFaxPrintScale PrintScale = psFitToPage;
  TApdAbstractFaxPrinterStatus* StatusDisplay = nullptr;
  TApdFaxPrinterLog* FaxPrinterLog = nullptr;
  std::function<void(TApdFaxPrinter& Sender, uint16_t CP, uint16_t TP)> OnNextPage;
  std::function<void(TApdFaxPrinter& Sender, FaxPLCode Code)> OnFaxPrintLog;
  std::function<void(TApdFaxPrinter& Sender, unsigned Progress)> OnFaxPrintStatus;
  // Lets pending window events run between steps (QCoreApplication::processEvents).
  std::function<void()> Yield;
  // Runs the print dialog; QPrintDialog::exec unless replaced (tests).
  std::function<int(QPrintDialog& dialog)> ExecPrintDialog;
  // The system's printers (CUPS); QPrinterInfo's list unless replaced (tests).
  std::function<QStringList()> AvailablePrinters;
  // The system has a printer; without one, prints go to PDF files.
  bool HasPrinter() const { return AvailablePrinters && !AvailablePrinters().isEmpty(); }

  const QString& FileName() const { return fileName_; }
  // Reads the page count, resolution and width of the file and sets the
  // range to all pages. Refused with -1002 while a print runs: the running
  // print goes on with its own file.
  void SetFileName(const QString& name);

  uint16_t PageCount() const { return pageCount_; }
  uint16_t CurrentPage() const { return currentPage_; }
  uint16_t FirstPage = 0;
  uint16_t LastPage = 0;
  TFaxResolution Resolution() const { return resolution_; }
  TFaxWidth Width() const { return width_; }
  uint8_t Progress() const { return progress_; }
  void SetProgress(uint8_t value);
  // A PrintFax is running (from its start to its return).
  bool Printing() const { return running_; }

  // The printer the job goes to: output file or format, orientation. A print
  // that could not start may put a new one in its place (BeginJob).
  QPrinter& Printer() { return *printer_; }

  // False without the dialog while a print runs. A printer that prints to a
  // PDF file with none chosen yet (or the one offered last time) is offered
  // the fax's name in the home folder, which the dialog shows.
  bool PrintSetup();
  // Prints FirstPage..LastPage as they are when it starts; a call while a
  // print runs does nothing. A page the unpacker cannot render ends the
  // print with its exception, after the failed line is logged.
  void PrintFax();
  void PrintAbort();

  // Where a fax page of bmpWidth × bmpHeight pixels goes inside `rect` (the
  // part of the sheet left for it), and which part of the bitmap is drawn.
  // Exposed for tests.
  struct Placement {
    QRect Target;
    QRect Source;
  };
  static Placement PlacePage(const QRect& rect, int bmpWidth, int bmpHeight, int lineWidth, TFaxPrintScale scale,
                             int dotsPerInch);
  // The part of a sheet of `sheet` size given to page index k of a range
  // (0 the first) before header and footer are drawn.
  static QRect PageRect(const QSize& sheet, bool multiPage, bool landscape, int k);

 private:
  void Log(FaxPLCode code);
  void RunYield();
  void OfferPdfName();
  void ReplacePrinter();
  // Why a print job could not start, naming where it was to go.
  std::string NoJobReason() const;
  bool BeginJob();
  void EndJob();
  void AbortJob();
  // The pages of the range; false when the print was aborted.
  bool PrintRange(unsigned first, unsigned last);
  void DrawMargin(TApdFaxPrinterMargin& margin, QRect& rect, bool header);
  void PrintPage(const Bitmap& page, QRect rect);

  QString fileName_;
  uint16_t pageCount_ = 0;
  uint16_t currentPage_ = 0;
  TFaxResolution resolution_ = frNormal;
  TFaxWidth width_ = fwNormal;
  uint8_t progress_ = 0;
  bool printing_ = false;  // the print job is open
  bool running_ = false;   // inside PrintFax
  uint16_t minPage_ = 0, maxPage_ = 0;
  std::unique_ptr<QPrinter> printer_;
  QString offeredPdfName_;  // the PDF file name PrintSetup offered last
  QPainter painter_;
  TApdFaxUnpacker unpacker_;
};

}  // namespace telvane
