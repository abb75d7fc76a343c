#include "viewer/fax_printer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QTextStream>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>

#include "faxdoc/apf_file.h"
#include "base/exceptions.h"
#include "viewer/margin_tags.h"
#include "viewer/page_bitmap_ops.h"

namespace telvane {
namespace {

// Fit-to-page leaves 7 % of the width free, as the printed faxes always had.
constexpr double kFitWidth = 0.93;
// Fax pixels count as 200 per inch when printed 1:1.
constexpr int kFaxDpi = 200;

int MulDiv(int64_t a, int64_t b, int64_t c) { return c ? static_cast<int>((a * b + c / 2) / c) : 0; }

QFont DefaultMarginFont() {
  // "System" at a character height of 13 pixels on a 96-per-inch screen.
  QFont f(QStringLiteral("System"));
  f.setPointSize(10);
  return f;
}

}  // namespace

const char* ProgressText(unsigned progress) {
  static const char* const kTexts[] = {"Idle", "Composing", "Rendering", "Submitting", "Converting"};
  return progress < 5 ? kTexts[progress] : "";
}

void TApdFaxPrinterLog::UpdateLog(FaxPLCode code) {
  if (LogFileName.isEmpty() || !FaxPrinter) return;
  static const char* const kWhat[] = {" started at ", " finished at ", " aborted at ", " failed at "};
  const QString when = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
  QString line = QStringLiteral("Printing ") + FaxPrinter->FileName() + QLatin1String(kWhat[code]) + when + '\n';
  if (code != lcStart) line += '\n';
  std::ofstream out(QFile::encodeName(LogFileName).toStdString(), std::ios::app);
  if (!out) throw EFileError(ErrnoToCode(errno ? errno : EACCES),
                             "Cannot open the print log " + LogFileName.toStdString());
  out << line.toStdString();
  if (!out.flush()) throw EFileError(ErrnoToCode(errno ? errno : EIO), "Cannot write the print log");
}

TApdFaxPrinter::TApdFaxPrinter(QObject* parent)
    : QObject(parent), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  FaxHeader.Caption = QStringLiteral("FILE: $F");
  FaxFooter.Caption = QStringLiteral("PAGE: $P of $N");
  FaxHeader.Font = FaxFooter.Font = DefaultMarginFont();
  Yield = [] { QCoreApplication::processEvents(); };
  ExecPrintDialog = [](QPrintDialog& d) { return d.exec(); };
  AvailablePrinters = [] { return QPrinterInfo::availablePrinterNames(); };
  unpacker_.Yield = [this] {
    if (Yield) Yield();
    return ecOK;
  };
  if (parent) {
    const auto statuses = parent->findChildren<TApdAbstractFaxPrinterStatus*>();
    if (!statuses.isEmpty()) StatusDisplay = statuses.first();
    const auto logs = parent->findChildren<TApdFaxPrinterLog*>();
    if (!logs.isEmpty()) {
      FaxPrinterLog = logs.first();
      FaxPrinterLog->FaxPrinter = this;
    }
  }
}

TApdFaxPrinter::~TApdFaxPrinter() {
  if (painter_.isActive()) painter_.end();
}

void TApdFaxPrinter::SetFileName(const QString& name) {
  if (name == fileName_) return;
  // The unpacker and the page count belong to the running print.
  if (running_)
    throw EGeneral(ecBadArgument, "Cannot take " + name.toStdString() + " while " + fileName_.toStdString() +
                                      " is being printed");
  fileName_ = name;
  unpacker_.SetInFileName(QFile::encodeName(name).toStdString());
  pageCount_ = static_cast<uint16_t>(unpacker_.PageCountOf());
  resolution_ = frNormal;
  width_ = fwNormal;
  if (pageCount_ > 0) {
    resolution_ = unpacker_.ResolutionOf();
    width_ = unpacker_.WidthOf();
  }
  minPage_ = FirstPage = pageCount_ > 0 ? 1 : 0;
  maxPage_ = LastPage = pageCount_;
}

// The print dialog's field for the PDF file starts from the printer's output
// file; with none, Qt puts a bare folder there or "print.pdf", depending on
// the platform. A printer that prints to a file is given one named after the
// fax instead, in the home folder, where the dialog's own default would be.
// The next fax is offered its own name unless the user chose another.
void TApdFaxPrinter::OfferPdfName() {
  const bool toFile = printer_->outputFormat() == QPrinter::PdfFormat || !HasPrinter();
  const QString current = printer_->outputFileName();
  if (!toFile || (!current.isEmpty() && current != offeredPdfName_)) return;
  QString base = QFileInfo(fileName_).completeBaseName();
  if (base.isEmpty()) base = QStringLiteral("fax");
  offeredPdfName_ = QDir::home().filePath(base + QStringLiteral(".pdf"));
  printer_->setOutputFileName(offeredPdfName_);
}

bool TApdFaxPrinter::PrintSetup() {
  if (running_) return false;
  OfferPdfName();
  QPrintDialog dialog(printer_.get());
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setMinMax(minPage_, maxPage_);
  printer_->setPrintRange(QPrinter::AllPages);
  printer_->setFromTo(FirstPage, LastPage);
  if (ExecPrintDialog(dialog) != QDialog::Accepted) return false;
  if (printer_->printRange() == QPrinter::PageRange) {
    FirstPage = static_cast<uint16_t>(printer_->fromPage());
    LastPage = static_cast<uint16_t>(printer_->toPage());
  } else {
    FirstPage = minPage_;
    LastPage = maxPage_;
  }
  return true;
}

void TApdFaxPrinter::SetProgress(uint8_t value) {
  if (value != progress_) {
    progress_ = value;
    if (OnFaxPrintStatus) OnFaxPrintStatus(*this, value);
    if (StatusDisplay && StatusDisplay->Showing()) StatusDisplay->UpdateDisplay(false, false);
  }
  RunYield();
}

void TApdFaxPrinter::RunYield() {
  if (Yield) Yield();
}

void TApdFaxPrinter::Log(FaxPLCode code) {
  if (OnFaxPrintLog) OnFaxPrintLog(*this, code);
  if (FaxPrinterLog) {
    FaxPrinterLog->FaxPrinter = this;
    FaxPrinterLog->UpdateLog(code);
  }
}

// A print job that cannot start (PDF output with no file, a printer that has
// gone) leaves Qt's printer marked active, and an active printer refuses every
// change, the PDF file chosen next in print set-up included. A new printer
// with the same settings takes its place, so that the next try can work.
void TApdFaxPrinter::ReplacePrinter() {
  const QPrinter& old = *printer_;
  auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (old.outputFormat() == QPrinter::NativeFormat)
    fresh->setPrinterName(old.printerName());
  else
    fresh->setOutputFormat(QPrinter::PdfFormat);
  if (!old.outputFileName().isEmpty()) fresh->setOutputFileName(old.outputFileName());
  fresh->setPageLayout(old.pageLayout());
  fresh->setCopyCount(old.copyCount());
  fresh->setCollateCopies(old.collateCopies());
  fresh->setColorMode(old.colorMode());
  fresh->setDuplex(old.duplex());
  fresh->setPageOrder(old.pageOrder());
  printer_ = std::move(fresh);
}

std::string TApdFaxPrinter::NoJobReason() const {
  const bool toFile = printer_->outputFormat() == QPrinter::PdfFormat;
  const QString where = toFile ? printer_->outputFileName() : printer_->printerName();
  if (where.isEmpty())
    return "No printer to print on: choose a printer or \"Print to File (PDF)\" in print set-up";
  return (toFile ? "Cannot write the PDF file " : "Cannot start the print job on ") + where.toStdString();
}

bool TApdFaxPrinter::BeginJob() {
  printer_->setDocName(Caption);
  printer_->setFullPage(false);
  if (!painter_.begin(printer_.get())) {
    if (printer_->printerState() == QPrinter::Active) ReplacePrinter();
    return false;
  }
  printing_ = true;
  return true;
}

void TApdFaxPrinter::EndJob() {
  if (!printing_) return;
  printing_ = false;
  painter_.end();
}

// Stops the job without completing it. A print engine that cannot abort
// (the PDF writer) has its output file removed, so that no part of an
// aborted print is left behind as if it were whole.
void TApdFaxPrinter::AbortJob() {
  if (!printing_) return;
  printing_ = false;
  const bool aborted = printer_->abort();
  if (painter_.isActive()) painter_.end();
  if (!aborted && !printer_->outputFileName().isEmpty()) QFile::remove(printer_->outputFileName());
}

void TApdFaxPrinter::PrintAbort() {
  SetProgress(ppIdle);
  if (!printing_) return;
  unpacker_.SetOptions(unpacker_.Options() | uoAbort);
  AbortJob();
  currentPage_ = 0;
  Log(lcAborted);
  if (StatusDisplay) StatusDisplay->UpdateDisplay(false, true);
}

QRect TApdFaxPrinter::PageRect(const QSize& sheet, bool multiPage, bool landscape, int k) {
  QRect r(0, 0, sheet.width(), sheet.height());
  if (!multiPage) return r.adjusted(2, 2, -2, -2);
  const int w = sheet.width() / 2;
  const int h = landscape ? sheet.height() : sheet.height() / 2;
  r = QRect(0, 0, w, h);
  if (k % 4 == 1 || k % 4 == 3) r.translate(w, 0);
  if (!landscape && k % 4 >= 2) r.translate(0, h);
  return r.adjusted(2, 2, -2, -2);
}

// Fit-to-page scales the fax line (1728 or 2048 pixels, or the bitmap when it
// is wider) to 93 % of the width, and keeps the page's aspect ratio, shrinking
// it further when it would not fit the height. 1:1 prints at 200 pixels per
// inch and leaves out what does not fit rather than squeezing it.
TApdFaxPrinter::Placement TApdFaxPrinter::PlacePage(const QRect& rect, int bmpWidth, int bmpHeight, int lineWidth,
                                                    TFaxPrintScale scale, int dotsPerInch) {
  Placement p;
  p.Source = QRect(0, 0, bmpWidth, bmpHeight);
  if (bmpWidth <= 0 || bmpHeight <= 0 || rect.width() <= 0 || rect.height() <= 0) return p;
  if (scale == psFitToPage) {
    const int ref = std::max(lineWidth, bmpWidth);
    const double s = std::min(kFitWidth * rect.width() / ref, static_cast<double>(rect.height()) / bmpHeight);
    p.Target = QRect(rect.left(), rect.top(), std::max(1, static_cast<int>(std::lround(bmpWidth * s))),
                     std::max(1, static_cast<int>(std::lround(bmpHeight * s))));
    return p;
  }
  int w = MulDiv(bmpWidth, dotsPerInch, kFaxDpi);
  int h = MulDiv(bmpHeight, dotsPerInch, kFaxDpi);
  if (h > rect.height()) {
    p.Source.setHeight(std::max(1, MulDiv(rect.height(), kFaxDpi, dotsPerInch)));
    h = rect.height();
  }
  if (w > rect.width()) {
    p.Source.setWidth(std::max(1, MulDiv(rect.width(), kFaxDpi, dotsPerInch)));
    w = rect.width();
  }
  p.Target = QRect(rect.left(), rect.top(), std::max(1, w), std::max(1, h));
  return p;
}

void TApdFaxPrinter::DrawMargin(TApdFaxPrinterMargin& margin, QRect& rect, bool header) {
  const QString text = ReplaceMarginTags(
      margin.Caption, MarginTagValues{fileName_, pageCount_, currentPage_, QDateTime::currentDateTime()});
  QFont font = margin.Font;
  if (MultiPage) {
    if (font.pointSize() > 0)
      font.setPointSize(std::max(1, font.pointSize() / 2));
    else if (font.pixelSize() > 0)
      font.setPixelSize(std::max(1, font.pixelSize() / 2));
  }
  painter_.setFont(font);
  const QFontMetrics metrics(font, printer_.get());
  const int h = metrics.height();
  margin.Height = static_cast<uint16_t>(h);
  painter_.setPen(Qt::black);
  const QRect line = header ? QRect(rect.left(), rect.top(), rect.width(), h)
                            : QRect(rect.left(), rect.bottom() - h, rect.width(), h);
  painter_.save();
  painter_.setClipRect(line);
  painter_.drawText(line.left(), line.top() + metrics.ascent(), text);
  painter_.restore();
  if (header) {
    rect.setTop(rect.top() + h + 2);
    painter_.drawLine(rect.left(), rect.top(), rect.right(), rect.top());
    rect.setTop(rect.top() + 1);
  } else {
    rect.setBottom(rect.bottom() - h - 2);
    painter_.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    rect.setBottom(rect.bottom() - 1);
  }
}

void TApdFaxPrinter::PrintPage(const Bitmap& page, QRect rect) {
  SetProgress(ppComposing);
  const QImage image = ToMonoImage(page);
  if (image.isNull()) RaiseError(ecOutOfMemory);
  if (printing_ && FaxHeader.Enabled) DrawMargin(FaxHeader, rect, true);
  if (printing_ && FaxFooter.Enabled) DrawMargin(FaxFooter, rect, false);
  ApfPageHeader header;
  int lineWidth = LineWidthOf(width_);
  if (GetPageHeader(QFile::encodeName(fileName_).toStdString(), currentPage_, header) == ecOK)
    lineWidth = LineWidthOf((header.PageFlags & pfWide) ? fwWide : fwNormal);
  const Placement place =
      PlacePage(rect, image.width(), image.height(), lineWidth, PrintScale, printer_->logicalDpiX());
  SetProgress(ppRendering);
  if (printing_ && !place.Target.isEmpty()) painter_.drawImage(place.Target, image, place.Source);
  SetProgress(ppSubmitting);
}

void TApdFaxPrinter::PrintFax() {
  if (running_) return;  // asked again from an event handled while printing
  if (pageCount_ == 0) {
    currentPage_ = 0;
    return;
  }
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(running_);
  // The range is taken now: a change made while the pages go out is for the
  // next print.
  const unsigned first = FirstPage, last = LastPage;
  unpacker_.SetOptions(uoYield);  // clears an abort left from an earlier print
  progress_ = ppIdle;
  if (StatusDisplay) {
    StatusDisplay->FaxPrinter = this;
    StatusDisplay->UpdateDisplay(true, false);
  }
  if (OnFaxPrintStatus) OnFaxPrintStatus(*this, ppIdle);
  try {
    Log(lcStart);
    if (!BeginJob()) {
      Log(lcFailed);
      throw EGeneral(ecBadArgument, NoJobReason());
    }
    if (!PrintRange(first, last)) {  // aborted: PrintAbort has logged and hidden the window
      progress_ = ppIdle;
      currentPage_ = 0;
      return;
    }
    Log(lcFinish);
  } catch (...) {
    // Whatever failed, nothing half printed is kept and the printer is idle.
    AbortJob();
    progress_ = ppIdle;
    currentPage_ = 0;
    if (StatusDisplay) StatusDisplay->UpdateDisplay(false, true);
    throw;
  }
  SetProgress(ppIdle);
  if (StatusDisplay) StatusDisplay->UpdateDisplay(false, true);
  if (OnFaxPrintStatus) OnFaxPrintStatus(*this, ppIdle);
  currentPage_ = 0;
}

bool TApdFaxPrinter::PrintRange(unsigned first, unsigned last) {
  const bool landscape = printer_->pageLayout().orientation() == QPageLayout::Landscape;
  const unsigned perSheet = landscape ? 2 : 4;
  unsigned printed = 0;
  for (unsigned page = std::max<unsigned>(first, 1); page <= last; ++page) {
    currentPage_ = static_cast<uint16_t>(page);
    RunYield();
    if (printed > 0 && printing_ && (!MultiPage || (page - first) % perSheet == 0)) printer_->newPage();
    RunYield();
    if (!printing_) return false;
    if (OnNextPage) OnNextPage(*this, currentPage_, pageCount_);
    SetProgress(ppConverting);
    Bitmap bits;
    try {
      bits = unpacker_.PageToBitmap(page);
    } catch (const EAPDException&) {
      Log(lcFailed);  // no bitmap: the print ends here with the unpacker's error
      throw;
    }
    RunYield();
    if (!printing_) return false;
    const QSize sheet(printer_->width(), printer_->height());
    PrintPage(bits, PageRect(sheet, MultiPage, landscape, static_cast<int>((page - first) % 4)));
    ++printed;
  }
  RunYield();
  // An empty range sends nothing to the printer, not even a blank sheet.
  if (printed == 0)
    AbortJob();
  else
    EndJob();
  return true;
}

}  // namespace telvane
