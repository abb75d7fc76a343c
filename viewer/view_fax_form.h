// TViewFaxForm: the window in which the user reads a fax file page by page,
// zooms, turns and prints it.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QStringList>
#include <functional>

#include "viewer/fax_printer.h"
#include "viewer/fax_printer_status.h"
#include "viewer/fax_viewer.h"
#include "viewer/user_notice.h"

class QCheckBox;
class QDialog;
class QFrame;
class QLabel;
class QPushButton;

namespace telvane {

class TViewFaxForm : public QMainWindow {
  Q_OBJECT

 public:
  // `arguments` are the program's command-line arguments without the
  // program name; the first is opened when the window is first shown.
  explicit TViewFaxForm(const QStringList& arguments = {}, IUserNotice* notice = nullptr, QWidget* parent = nullptr);

  // Runs a modal dialog; exec() unless replaced (tests fill and close it).
  std::function<int(QDialog& dialog)> RunDialog;
  // Asks for a file to open; the open dialog unless replaced.
  std::function<QString()> AskFileName;

  int Zoom() const { return zoom_; }
  void SetZoom(int z);
  QString StatusLine() const;
  QString PageFlagsCaption() const;

  // The actions behind the menu items and buttons.
  void OpenFile(const QString& name);
  void CloseFile();
  void ZoomIn();
  void ZoomOut();
  void OtherSize();
  void SetRotationItem(int code);
  void WhitespaceComp();
  void Print();
  void PrintSetup();

  QFrame* Panel1;
  QLabel* Panel1Caption;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox3;
  TApdFaxViewer* FaxViewer;
  QFrame* StatusPanel;
  QLabel* StatusText;
  QPushButton* SpeedButton1;
  QPushButton* SpeedButton2;
  TApdFaxPrinterStatus* PrinterStatus;
  TApdFaxPrinter* FaxPrinter;

  QAction* OpenItem;
  QAction* CloseItem;
  QAction* PrintSetupItem;
  QAction* PrintItem;
  QAction* ExitItem;
  QAction* SelectAllItem;
  QAction* CopyItem;
  QAction* ZoomInItem;
  QAction* ZoomOutItem;
  QAction* N25PercentItem;
  QAction* N50PercentItem;
  QAction* N75PercentItem;
  QAction* N100PercentItem;
  QAction* N200PercentItem;
  QAction* N400PercentItem;
  QAction* OtherSizeItem;
  QAction* NoRotateItem;
  QAction* Rotate90Item;
  QAction* Rotate180Item;
  QAction* Rotate270Item;
  QAction* WhitespaceCompOption;

 protected:
  void showEvent(QShowEvent* event) override;
  // The window previews keys before its controls: the viewer's page and
  // scroll keys work while a page button or a flag box has the focus.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void EnableViewItems(bool on);
  void CheckZoomItem();
  void CheckRotationItem(QAction* item);
  // A file just loaded is shown at 100 % and unturned; the menu marks say so.
  void MarkUnzoomedUnturned();
  void ShowViewerError(int code);
  void FaxViewerError(int code);
  void FaxViewerPageChange();
  void FaxViewerDropFile(const std::string& name);

  IUserNotice& notice_;
  QStringList arguments_;
  bool shownOnce_ = false;
  int zoom_ = 100;
  QList<QAction*> zoomItems_;
  QList<QAction*> rotationItems_;
};

}  // namespace telvane
