#include "viewer/view_fax_form.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/exceptions.h"
#include "viewer/viewer_dialogs.h"
#include "viewer/viewer_texts.h"
#include "viewer/zoom_steps.h"

namespace telvane {
namespace {

std::string LocalName(const QString& name) { return QFile::encodeName(name).toStdString(); }
QString FromLocal(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

}  // namespace

TViewFaxForm::TViewFaxForm(const QStringList& arguments, IUserNotice* notice, QWidget* parent)
    : QMainWindow(parent), notice_(notice ? *notice : QtUserNotice()), arguments_(arguments) {
  setWindowTitle(texts::kViewCaption);
  RunDialog = [](QDialog& d) { return d.exec(); };
  AskFileName = [this] {
    QFileDialog dialog(this, texts::kOpenTitle, QString(), texts::kOpenFilter);
    dialog.setDefaultSuffix(QStringLiteral("APF"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
  };

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel1 = new QFrame(central);
  Panel1->setFrameShape(QFrame::StyledPanel);
  auto* flags = new QHBoxLayout(Panel1);
  Panel1Caption = new QLabel(texts::kPageFlags, Panel1);
  CheckBox1 = new QCheckBox(texts::kHighRes, Panel1);
  CheckBox2 = new QCheckBox(texts::kHighWidth, Panel1);
  CheckBox3 = new QCheckBox(texts::kLengthWords, Panel1);
  flags->addWidget(Panel1Caption);
  for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3}) {
    box->setEnabled(false);
    flags->addWidget(box);
  }
  flags->addStretch();

  FaxViewer = new TApdFaxViewer(central);
  FaxViewer->SetScaling(false);
  FaxViewer->SetAutoScaleMode(asHalfWidth);
  FaxViewer->SetBusyCursor(Qt::WaitCursor);
  QFont bold(QStringLiteral("Arial"));
  bold.setBold(true);
  FaxViewer->setFont(bold);
  FaxViewer->OnPageChange = [this](TApdFaxViewer&) { FaxViewerPageChange(); };
  FaxViewer->OnViewerError = [this](TApdFaxViewer&, int32_t code) { FaxViewerError(code); };
  FaxViewer->OnDropFile = [this](TApdFaxViewer&, const std::string& name) { FaxViewerDropFile(name); };

  StatusPanel = new QFrame(central);
  StatusPanel->setFrameShape(QFrame::StyledPanel);
  auto* status = new QHBoxLayout(StatusPanel);
  StatusText = new QLabel(StatusPanel);
  SpeedButton1 = new QPushButton(texts::kPrevPage, StatusPanel);
  SpeedButton2 = new QPushButton(texts::kNextPage, StatusPanel);
  SpeedButton1->setFocusPolicy(Qt::NoFocus);
  SpeedButton2->setFocusPolicy(Qt::NoFocus);
  status->addWidget(StatusText, 1);
  status->addWidget(SpeedButton1);
  status->addWidget(SpeedButton2);
  connect(SpeedButton1, &QPushButton::clicked, this, [this] {
    if (FaxViewer->ActivePage() >= 2) FaxViewer->SetActivePage(FaxViewer->ActivePage() - 1);
  });
  connect(SpeedButton2, &QPushButton::clicked, this, [this] {
    if (FaxViewer->ActivePage() < FaxViewer->NumPages()) FaxViewer->SetActivePage(FaxViewer->ActivePage() + 1);
  });

  layout->addWidget(Panel1);
  layout->addWidget(FaxViewer, 1);
  layout->addWidget(StatusPanel);
  setCentralWidget(central);

  // The status component first, so that the printer finds it.
  PrinterStatus = new TApdFaxPrinterStatus(this);
  PrinterStatus->Caption = QStringLiteral("Print Status");
  FaxPrinter = new TApdFaxPrinter(this);
  FaxPrinter->Caption = texts::kPrintCaption;
  FaxPrinter->FaxHeader.Caption = QStringLiteral("FILE: $F");
  FaxPrinter->FaxFooter.Caption = QStringLiteral("PAGE: $P of $N");
  FaxPrinter->MultiPage = false;

  BuildMenus();
  zoom_ = 100;
  EnableViewItems(false);
  StatusText->setText(texts::kStatusNoFile);
  resize(800, 600);
  for (QWidget* w : findChildren<QWidget*>())
    if (w != FaxViewer && !FaxViewer->isAncestorOf(w) && !qobject_cast<QMenu*>(w)) w->installEventFilter(this);
  FaxViewer->setFocus();
}

bool TViewFaxForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && FaxViewer->HandleKey(static_cast<const QKeyEvent&>(*event))) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TViewFaxForm::BuildMenus() {
  const auto item = [this](QMenu* menu, const QString& caption, auto slot) {
    QAction* a = menu->addAction(caption);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu* file = menuBar()->addMenu(texts::kFileMenu);
  OpenItem = item(file, texts::kOpen, [this] {
    const QString name = AskFileName();
    if (!name.isEmpty()) OpenFile(name);
  });
  CloseItem = item(file, texts::kClose, [this] { CloseFile(); });
  PrintSetupItem = item(file, texts::kPrintSetup, [this] { PrintSetup(); });
  PrintItem = item(file, texts::kPrint, [this] { Print(); });
  PrintItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  ExitItem = item(file, texts::kExit, [this] { close(); });
  ExitItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

  QMenu* edit = menuBar()->addMenu(texts::kEditMenu);
  SelectAllItem = item(edit, texts::kSelectAll, [this] {
    try {
      FaxViewer->SelectImage();
    } catch (const EAPDException& e) {
      ShowViewerError(e.ErrorCode());
    }
  });
  CopyItem = item(edit, texts::kCopy, [this] {
    try {
      FaxViewer->CopyToClipboard();
    } catch (const EAPDException& e) {
      ShowViewerError(e.ErrorCode());
    }
  });
  CopyItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));

  QMenu* view = menuBar()->addMenu(texts::kViewMenu);
  ZoomInItem = item(view, texts::kZoomIn, [this] { ZoomIn(); });
  ZoomOutItem = item(view, texts::kZoomOut, [this] { ZoomOut(); });
  view->addSeparator();
  const auto percent = [&](int z) {
    QAction* a = item(view, QStringLiteral("%1%").arg(z), [this, z] {
      SetZoom(z);
      CheckZoomItem();  // choosing the zoom in effect must not clear its mark
    });
    a->setCheckable(true);
    zoomItems_.append(a);
    return a;
  };
  N25PercentItem = percent(25);
  N50PercentItem = percent(50);
  N75PercentItem = percent(75);
  N100PercentItem = percent(100);
  N200PercentItem = percent(200);
  N400PercentItem = percent(400);
  OtherSizeItem = item(view, texts::kOtherSize, [this] { OtherSize(); });
  OtherSizeItem->setCheckable(true);
  zoomItems_.append(OtherSizeItem);
  view->addSeparator();
  const auto rotation = [&](const QString& caption, int code) {
    QAction* a = item(view, caption, [this, code] { SetRotationItem(code); });
    a->setCheckable(true);
    rotationItems_.append(a);
    return a;
  };
  NoRotateItem = rotation(texts::kNoRotate, 0);
  Rotate90Item = rotation(texts::kRotate90, 1);
  Rotate180Item = rotation(texts::kRotate180, 2);
  Rotate270Item = rotation(texts::kRotate270, 3);
  view->addSeparator();
  WhitespaceCompOption = item(view, texts::kWhitespaceComp, [this] { WhitespaceComp(); });
}

QString TViewFaxForm::StatusLine() const { return StatusText->text(); }
QString TViewFaxForm::PageFlagsCaption() const { return Panel1Caption->text(); }

void TViewFaxForm::EnableViewItems(bool on) {
  for (QAction* a : zoomItems_) a->setEnabled(on);
  ZoomInItem->setEnabled(on);
  ZoomOutItem->setEnabled(on);
  for (QAction* a : rotationItems_) a->setEnabled(on);
  SelectAllItem->setEnabled(on);
  CopyItem->setEnabled(on);
}

void TViewFaxForm::OpenFile(const QString& name) {
  FaxViewer->BeginUpdate();
  FaxViewer->SetScaling(false);
  FaxViewer->SetHorizMult(1);
  FaxViewer->SetHorizDiv(1);
  FaxViewer->SetVertMult(1);
  FaxViewer->SetVertDiv(1);
  FaxViewer->EndUpdate();
  for (QAction* a : zoomItems_ + rotationItems_) a->setChecked(false);
  try {
    // Opening the file on screen again reads it afresh, unturned.
    if (FaxViewer->FileName() == LocalName(name)) FaxViewer->SetFileName(std::string());
    FaxViewer->SetFileName(LocalName(name));
  } catch (const EAPDException&) {
    CloseFile();
    notice_.ShowError(this, texts::kOpenError + name);
    return;
  }
  EnableViewItems(true);
  MarkUnzoomedUnturned();
  StatusText->setText(texts::kStatusOpened.arg(FaxViewer->NumPages()).arg(name));
}

void TViewFaxForm::CloseFile() {
  FaxViewer->SetFileName(std::string());
  EnableViewItems(false);
  StatusText->setText(texts::kStatusNoFile);
  FaxViewer->viewport()->update();
}

void TViewFaxForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  if (!arguments_.isEmpty()) OpenFile(arguments_.first());
}

void TViewFaxForm::SetZoom(int z) {
  if (z == zoom_) return;
  zoom_ = z;
  if (z != 100) {
    FaxViewer->BeginUpdate();
    FaxViewer->SetScaling(true);
    FaxViewer->SetHorizMult(static_cast<uint32_t>(z));
    FaxViewer->SetVertMult(static_cast<uint32_t>(z));
    FaxViewer->SetHorizDiv(100);
    FaxViewer->SetVertDiv(100);
    FaxViewer->EndUpdate();
  } else {
    FaxViewer->SetScaling(false);
  }
  CheckZoomItem();
}

void TViewFaxForm::CheckZoomItem() {
  for (QAction* a : zoomItems_) a->setChecked(false);
  switch (zoom_) {
    case 25: N25PercentItem->setChecked(true); break;
    case 50: N50PercentItem->setChecked(true); break;
    case 75: N75PercentItem->setChecked(true); break;
    case 100: N100PercentItem->setChecked(true); break;
    case 200: N200PercentItem->setChecked(true); break;
    case 400: N400PercentItem->setChecked(true); break;
    default: OtherSizeItem->setChecked(true); break;
  }
}

void TViewFaxForm::ZoomIn() {
  if (const int z = ZoomInStep(zoom_))
    SetZoom(z);
  else
    notice_.Beep();
}

void TViewFaxForm::ZoomOut() {
  if (const int z = ZoomOutStep(zoom_))
    SetZoom(z);
  else
    notice_.Beep();
}

void TViewFaxForm::OtherSize() {
  TPercentForm dialog(notice_, this);
  if (RunDialog(dialog) == QDialog::Accepted) SetZoom(dialog.Percent());
  CheckZoomItem();  // the item toggled itself when chosen
}

void TViewFaxForm::SetRotationItem(int code) {
  FaxViewer->SetRotation(code);
  CheckRotationItem(rotationItems_.at(code));
}

void TViewFaxForm::CheckRotationItem(QAction* item) {
  for (QAction* a : rotationItems_) a->setChecked(false);
  item->setChecked(true);
}

void TViewFaxForm::MarkUnzoomedUnturned() {
  zoom_ = 100;
  CheckZoomItem();
  CheckRotationItem(NoRotateItem);
}

void TViewFaxForm::WhitespaceComp() {
  TWhitespaceCompForm dialog(notice_, this);
  dialog.Load(FaxViewer->WhitespaceCompression(), FaxViewer->WhitespaceFrom(), FaxViewer->WhitespaceTo());
  if (RunDialog(dialog) != QDialog::Accepted) return;
  try {
    FaxViewer->SetWhitespace(dialog.CompEnabled(), dialog.From(), dialog.To());
  } catch (const EAPDException& e) {
    ShowViewerError(e.ErrorCode());
  }
}

// While a print runs (its status window lets the user reach this window),
// printing and print set-up wait for it to end. Without a printer the print
// dialog comes first, every time: there the user chooses "Print to File
// (PDF)" and sees the file the pages go to, so that no earlier PDF is
// overwritten unasked; cancelling it prints nothing.
void TViewFaxForm::Print() {
  if (FaxViewer->FileName().empty() || FaxPrinter->Printing()) return;
  try {
    FaxPrinter->SetFileName(FromLocal(FaxViewer->FileName()));
    if (!FaxPrinter->HasPrinter() && !FaxPrinter->PrintSetup()) return;
    FaxPrinter->PrintFax();
  } catch (const EAPDException& e) {
    notice_.ShowError(this, QString::fromUtf8(e.what()));
  }
}

// The printer is given the file on screen first: otherwise the range chosen
// here would belong to the file printed last and be reset by the next print.
void TViewFaxForm::PrintSetup() {
  if (FaxPrinter->Printing()) return;
  try {
    if (!FaxViewer->FileName().empty()) FaxPrinter->SetFileName(FromLocal(FaxViewer->FileName()));
    FaxPrinter->PrintSetup();
  } catch (const EAPDException& e) {
    notice_.ShowError(this, QString::fromUtf8(e.what()));
  }
}

void TViewFaxForm::ShowViewerError(int code) { notice_.ShowError(this, texts::kViewError.arg(code)); }

// A page that cannot be shown closes the file in the viewer: after the box,
// the window says that no file is loaded and offers nothing that needs one.
void TViewFaxForm::FaxViewerError(int code) {
  ShowViewerError(code);
  if (FaxViewer->NumPages() > 0) return;
  EnableViewItems(false);
  FaxViewerPageChange();
}

void TViewFaxForm::FaxViewerPageChange() {
  if (!FaxViewer->FileName().empty() || FaxViewer->NumPages() > 0) {
    StatusText->setText(texts::kStatusPage.arg(FaxViewer->ActivePage())
                            .arg(FaxViewer->NumPages())
                            .arg(FromLocal(FaxViewer->FileName())));
    Panel1Caption->setText(texts::kPageFlags);
    const uint16_t flags = FaxViewer->PageFlags();
    CheckBox1->setChecked(flags & 1);
    CheckBox2->setChecked(flags & 2);
    CheckBox3->setChecked(flags & 4);
  } else {
    StatusText->setText(texts::kStatusPageNoFile);
    Panel1Caption->setText(QString());
  }
}

void TViewFaxForm::FaxViewerDropFile(const std::string& name) {
  EnableViewItems(true);
  MarkUnzoomedUnturned();
  StatusText->setText(texts::kStatusDropped.arg(FaxViewer->NumPages()).arg(FromLocal(name)));
}

}  // namespace telvane
