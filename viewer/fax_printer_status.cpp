#include "viewer/fax_printer_status.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace telvane {

FaxPrinterStatusWindow::FaxPrinterStatusWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Print Status"));
  auto* info = new QGroupBox(QStringLiteral("Fax Information"), this);
  auto* form = new QFormLayout(info);
  const auto value = [&](const char* label) {
    auto* l = new QLabel(info);
    form->addRow(QString::fromLatin1(label), l);
    return l;
  };
  FileNameValue = value("Filename");
  TotalPagesValue = value("Total Pages");
  ResolutionValue = value("Resolution");
  WidthValue = value("Width");
  FirstPageValue = value("First Page to Print");
  LastPageValue = value("Last Page to Print");
  auto* status = new QGroupBox(QStringLiteral("Status"), this);
  StatusLine = new QLabel(status);
  (new QVBoxLayout(status))->addWidget(StatusLine);
  AbortButton = new QPushButton(QStringLiteral("Abort"), this);
  connect(AbortButton, &QPushButton::clicked, this, [this] {
    if (Printer) Printer->PrintAbort();
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(info);
  layout->addWidget(status);
  layout->addWidget(AbortButton, 0, Qt::AlignHCenter);
}

void FaxPrinterStatusWindow::Refresh(const TApdFaxPrinter& printer) {
  FileNameValue->setText(QFileInfo(printer.FileName()).fileName().toUpper());
  TotalPagesValue->setText(QString::number(printer.PageCount()));
  ResolutionValue->setText(printer.Resolution() == frHigh ? QStringLiteral("high") : QStringLiteral("standard"));
  WidthValue->setText(printer.Width() == fwWide ? QStringLiteral("2048") : QStringLiteral("1728"));
  FirstPageValue->setText(QString::number(printer.FirstPage));
  LastPageValue->setText(QString::number(printer.LastPage));
  StatusLine->setText(QString::asprintf("%s %d of %d", ProgressText(printer.Progress()), printer.CurrentPage(),
                                        printer.LastPage));
}

TApdFaxPrinterStatus::TApdFaxPrinterStatus(QObject* parent) : TApdAbstractFaxPrinterStatus(parent) {}

TApdFaxPrinterStatus::~TApdFaxPrinterStatus() { delete window_; }

bool TApdFaxPrinterStatus::Showing() const { return window_ && window_->isVisible(); }

void TApdFaxPrinterStatus::UpdateDisplay(bool first, bool last) {
  if (first) {
    if (!window_) {
      window_ = new FaxPrinterStatusWindow(qobject_cast<QWidget*>(parent()));
      window_->setWindowFlag(Qt::Window);
    }
    window_->setWindowTitle(Caption);
    window_->Printer = FaxPrinter;
    if (FaxPrinter) window_->Refresh(*FaxPrinter);
    window_->adjustSize();
    if (CenterOnScreen && QGuiApplication::primaryScreen()) {
      QRect r = window_->frameGeometry();
      r.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
      window_->move(r.topLeft());
    }
    window_->show();
  }
  if (!window_) return;
  if (last)
    window_->hide();
  else if (!first && FaxPrinter)  // a first call has just filled the window in
    window_->Refresh(*FaxPrinter);
}

}  // namespace telvane
