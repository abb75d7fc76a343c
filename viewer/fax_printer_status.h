// TApdFaxPrinterStatus: the window that shows what the fax printer is doing,
// with a button that aborts the print.
#pragma once

#include <QDialog>
#include <QString>

#include "viewer/fax_printer.h"

class QLabel;
class QPushButton;

namespace telvane {

class FaxPrinterStatusWindow : public QDialog {
  Q_OBJECT
 public:
  explicit FaxPrinterStatusWindow(QWidget* parent = nullptr);
  // Shows the printer's values: file name without path in upper case, page
  // count, resolution, width, range and the status line.
  void Refresh(const TApdFaxPrinter& printer);

  QLabel* FileNameValue;
  QLabel* TotalPagesValue;
  QLabel* ResolutionValue;
  QLabel* WidthValue;
  QLabel* FirstPageValue;
  QLabel* LastPageValue;
  QLabel* StatusLine;
  QPushButton* AbortButton;
  TApdFaxPrinter* Printer = nullptr;
};

class TApdFaxPrinterStatus : public TApdAbstractFaxPrinterStatus {
  Q_OBJECT
 public:
  explicit TApdFaxPrinterStatus(QObject* parent = nullptr);
  ~TApdFaxPrinterStatus() override;

  QString Caption = QStringLiteral("Print Status");
  bool CenterOnScreen = true;  // the window position: centred on the screen

  void UpdateDisplay(bool first, bool last) override;
  bool Showing() const override;
  // The window, created on the first UpdateDisplay(true, ...).
  FaxPrinterStatusWindow* Display() const { return window_; }

 private:
  FaxPrinterStatusWindow* window_ = nullptr;
};

}  // namespace telvane
