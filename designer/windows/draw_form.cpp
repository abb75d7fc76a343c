// The designer window: menus, status line, file commands, modes and the
// generation of fax pages around the design surface.
#include "designer/windows/draw_form.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "designer/cover_generator.h"
#include "designer/fax_designer.h"
#include "designer/fcp_units.h"
#include "designer/ui/design_page.h"
#include "designer/ui/design_surface.h"
#include "designer/ui/ruler.h"
#include "designer/ui/surface_geometry.h"
#include "designer/windows/cover_generation.h"
#include "faxdoc/fax_converter.h"

namespace telvane {
namespace {

const QStringList& DesignFilters() {
  // Design files are named in either case.
  static const QStringList filters{QStringLiteral("Fax cover page files (*.fcp *.FCP)")};
  return filters;
}

QAction* AddItem(QMenu* menu, const QString& objectName, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(objectName);
  return action;
}

QMenu* AddMenu(QMenuBar* bar, const QString& objectName, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(objectName);
  return menu;
}

// The hourglass while a design is written, also when writing fails.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

int FitPageToWidth(TFaxDesigner& designer, int clientWidth) {
  const int width = std::max(1, clientWidth - 5);
  designer.SetPageWidthPixels(width);
  const double inches = designer.PageWidthInches();
  if (inches <= 0) return 0;
  const int pixelsPerInch = RoundToNearestEven(width / inches);
  designer.SetPageHeightPixels(std::max(1, RoundToNearestEven(designer.PageHeightInches() * pixelsPerInch)));
  // Sizing the page to the screen is no edit of the design.
  designer.Page().SetModified(false);
  return pixelsPerInch;
}

TDrawForm::TDrawForm(const QString& programDir, IUserNotice* notice, QWidget* parent)
    : QDialog(parent),
      notice_(notice ? *notice : QtUserNotice()),
      programDir_(programDir),
      converter_(std::make_unique<TApdFaxConverter>()) {
  setObjectName(QStringLiteral("DrawForm"));
  setWindowTitle(Caption());
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    setGeometry(area.left() + 10, area.top() + 10, area.width() - 25, area.height() - 75);
  }

  column_ = new QVBoxLayout(this);
  column_->setContentsMargins(0, 0, 0, 0);
  column_->setSpacing(0);
  MainMenu = new QMenuBar(this);
  MainMenu->setObjectName(QStringLiteral("MainMenu"));
  column_->setMenuBar(MainMenu);

  OpenDialog = new QFileDialog(this);
  OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
  SetUpFileDialog(*OpenDialog, programDir_, DesignFilters(), QStringLiteral("fcp"));
  OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog->setFileMode(QFileDialog::ExistingFile);
  OpenDialog->setOption(QFileDialog::ReadOnly);

  SaveDialog = new QFileDialog(this);
  SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
  SetUpFileDialog(*SaveDialog, programDir_, DesignFilters(), QStringLiteral("fcp"));
  SaveDialog->setAcceptMode(QFileDialog::AcceptSave);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopupEditMode = AddItem(PopupMenu1, QStringLiteral("PopupEditMode"), QStringLiteral("编辑模式"));
  PopupDesignMode = AddItem(PopupMenu1, QStringLiteral("PopupDesignMode"), QStringLiteral("设计模式"));
  connect(PopupEditMode, &QAction::triggered, this, [this] { SetEditMode(true); });
  connect(PopupDesignMode, &QAction::triggered, this, [this] { SetEditMode(false); });

  BuildMenus();
  BuildStatusPanel();

  SetupCoverConverter(*converter_);
  converter_->FontType = FaxFontType::ffStandard;
  generation_ = std::make_unique<CoverGeneration>(notice_, this, ProgressPanel);
  generation_->ProgramDir = programDir_;
  // The window's hooks drive the generation's dialogs too.
  generation_->RunDialog = [this](QDialog& dialog) { return RunDialog(dialog); };
  generation_->RunFileDialog = [this](QFileDialog& dialog) { return RunFileDialog(dialog); };

  InstallSurface(new TDesignSurface(this));
  pixelsPerInch_ = FitPageToWidth(Designer(), DesignerWidth());
}

int TDrawForm::DesignerWidth() const {
  // The designer fills the window's width; its page has that less the
  // vertical ruler and the scroll bar.
  return width() - TRuler::kThickness - style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

TDrawForm::~TDrawForm() {
  // The generation may refer to the progress panel: it goes first.
  generation_.reset();
}

TFaxDesigner& TDrawForm::Designer() const { return surface_->Designer(); }

void TDrawForm::BuildMenus() {
  FileMenu = AddMenu(MainMenu, QStringLiteral("FileMenu"), QStringLiteral("文件&F"));
  N7 = AddItem(FileMenu, QStringLiteral("N7"), QStringLiteral("新建&N"));
  N8 = AddItem(FileMenu, QStringLiteral("N8"), QStringLiteral("打开&O"));
  N9 = AddItem(FileMenu, QStringLiteral("N9"), QStringLiteral("保存&S"));
  N10 = AddItem(FileMenu, QStringLiteral("N10"), QStringLiteral("另存为&E"));
  FileMenu->addSeparator();
  N12 = AddItem(FileMenu, QStringLiteral("N12"), QStringLiteral("生成当前传真文件&C"));
  FCPV1 = AddItem(FileMenu, QStringLiteral("FCPV1"), QStringLiteral("生成其它传真文件&V"));
  FileMenu->addSeparator();
  X1 = AddItem(FileMenu, QStringLiteral("X1"), QStringLiteral("退出&X"));
  connect(N7, &QAction::triggered, this, [this] {
    if (MayDropDesign()) New();
  });
  connect(N8, &QAction::triggered, this, [this] {
    if (MayDropDesign()) Open();
  });
  connect(N9, &QAction::triggered, this, &TDrawForm::Save);
  connect(N10, &QAction::triggered, this, &TDrawForm::SaveAs);
  connect(N12, &QAction::triggered, this, &TDrawForm::GenerateCurrent);
  connect(FCPV1, &QAction::triggered, this, &TDrawForm::GenerateOther);
  connect(X1, &QAction::triggered, this, &QDialog::close);

  // Undo and redo of the surface go at the top of this menu (InstallSurface).
  FieldMenu = AddMenu(MainMenu, QStringLiteral("FieldMenu"), QStringLiteral("页面设置&P"));
  FieldMenu->addSeparator()->setObjectName(QStringLiteral("HistorySeparator"));
  miAddTextField = AddItem(FieldMenu, QStringLiteral("miAddTextField"), QStringLiteral("添加文本字段&T"));
  miAddTextField->setShortcut(QKeySequence(Qt::Key_Insert));
  miAddImageField = AddItem(FieldMenu, QStringLiteral("miAddImageField"), QStringLiteral("添加图像字段&I"));
  miAddImageField->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  miDeleteField = AddItem(FieldMenu, QStringLiteral("miDeleteField"), QStringLiteral("删除字段&D"));
  miDeleteField->setShortcut(QKeySequence(Qt::Key_Delete));
  FieldMenu->addSeparator();
  miFont = AddItem(FieldMenu, QStringLiteral("miFont"), QStringLiteral("选择字体&F"));
  miLoadImage = AddItem(FieldMenu, QStringLiteral("miLoadImage"), QStringLiteral("载入图像&L"));
  N19 = AddItem(FieldMenu, QStringLiteral("N19"), QStringLiteral("载入文本&Z"));
  FieldMenu->addSeparator();
  miCenterHorizontally = AddItem(FieldMenu, QStringLiteral("miCenterHorizontally"), QStringLiteral("水平居中&H"));
  miCenterVertically = AddItem(FieldMenu, QStringLiteral("miCenterVertically"), QStringLiteral("垂直居中&V"));
  connect(miAddTextField, &QAction::triggered, this, &TDrawForm::AddTextField);
  connect(miAddImageField, &QAction::triggered, this, &TDrawForm::AddImageField);
  connect(miDeleteField, &QAction::triggered, this, &TDrawForm::DeleteFields);
  connect(miFont, &QAction::triggered, this, [this] { surface_->ChooseFieldFont(); });
  connect(miLoadImage, &QAction::triggered, this, [this] { surface_->LoadFieldPicture(); });
  connect(N19, &QAction::triggered, this, [this] { surface_->LoadFieldText(); });
  connect(miCenterHorizontally, &QAction::triggered, this, [this] { surface_->CentreHorizontally(); });
  connect(miCenterVertically, &QAction::triggered, this, [this] { surface_->CentreVertically(); });

  ModeMenu = AddMenu(MainMenu, QStringLiteral("ModeMenu"), QStringLiteral("模式&M"));
  P1 = AddItem(ModeMenu, QStringLiteral("P1"), QStringLiteral("页面设置&P"));
  R1 = AddItem(ModeMenu, QStringLiteral("R1"), QStringLiteral("代替标志&R"));
  ModeMenu->addSeparator();
  N4 = AddItem(ModeMenu, QStringLiteral("N4"), QStringLiteral("编辑模式&E"));
  N5 = AddItem(ModeMenu, QStringLiteral("N5"), QStringLiteral("设计模式&D"));
  connect(P1, &QAction::triggered, this, [this] { surface_->EditPageOptions(); });
  connect(R1, &QAction::triggered, this, &TDrawForm::EditTags);
  connect(N4, &QAction::triggered, this, [this] { SetEditMode(true); });
  connect(N5, &QAction::triggered, this, [this] { SetEditMode(false); });
}

void TDrawForm::BuildStatusPanel() {
  StatusPanel = new QWidget(this);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  auto* row = new QHBoxLayout(StatusPanel);
  row->setContentsMargins(0, 2, 0, 0);
  row->setSpacing(2);

  // Three sunken panels, as status bars have them.
  const auto sunken = [this](const QString& name) {
    auto* panel = new QFrame(StatusPanel);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    return panel;
  };
  Panel1 = sunken(QStringLiteral("Panel1"));
  auto* panel1Row = new QHBoxLayout(Panel1);
  panel1Row->setContentsMargins(4, 1, 4, 1);
  PositionLbl = new QLabel(QStringLiteral("(Left,Top)  Width x Height"), Panel1);
  PositionLbl->setObjectName(QStringLiteral("PositionLbl"));
  PositionLbl->hide();
  panel1Row->addWidget(PositionLbl);
  panel1Row->addStretch(1);
  row->addWidget(Panel1, 1);

  Panel2 = sunken(QStringLiteral("Panel2"));
  auto* panel2Row = new QHBoxLayout(Panel2);
  panel2Row->setContentsMargins(0, 0, 0, 0);
  SaveStatusImage = new QLabel(Panel2);
  SaveStatusImage->setObjectName(QStringLiteral("SaveStatusImage"));
  SaveStatusImage->hide();
  panel2Row->addWidget(SaveStatusImage);
  Panel2->setFixedWidth(24);
  row->addWidget(Panel2);

  ProgressPanel = sunken(QStringLiteral("ProgressPanel"));
  auto* progressRow = new QHBoxLayout(ProgressPanel);
  progressRow->setContentsMargins(2, 2, 2, 2);
  ProgressPanel->setFixedWidth(200);
  row->addWidget(ProgressPanel);

  column_->addWidget(StatusPanel);
}

void TDrawForm::InstallSurface(TDesignSurface* surface) {
  surface->setObjectName(QStringLiteral("FaxDesigner"));
  surface->SetNotice(notice_);
  // The real choosers, until a test puts its own in.
  if (!ChooseFont) ChooseFont = surface->ChooseFont;
  if (!ChooseOpenFile) ChooseOpenFile = surface->ChooseOpenFile;
  // The surface's dialogs go through the window's hooks, which tests may
  // replace after the window was made.
  surface->ChooseFont = [this](QWidget* parent, FieldFont& font) {
    return ChooseFont ? ChooseFont(parent, font) : false;
  };
  surface->ChooseOpenFile = [this](QWidget* parent, const QString& caption, const QString& filter) {
    return ChooseOpenFile ? ChooseOpenFile(parent, caption, filter) : QString();
  };
  surface->RunPageOptions = [this](TPageOptionsForm& form) { return RunDialog(form) == QDialog::Accepted; };

  if (surface_) {
    delete column_->replaceWidget(surface_, surface);  // the old layout item is ours to free
    delete surface_;  // its undo and redo items leave the menu with it
    // A child added to a window already shown is shown by hand.
    surface->show();
  } else {
    column_->insertWidget(0, surface, 1);
  }
  surface_ = surface;

  connect(surface, &TDesignSurface::SelectionChanged, this, &TDrawForm::SelectionChanged);
  connect(surface, &TDesignSurface::StatusTextChanged, PositionLbl, &QLabel::setText);
  TDesignPage* page = surface->Page();
  page->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(page, &QWidget::customContextMenuRequested, this,
          [this, page](const QPoint& at) { PopupMenu1->popup(page->mapToGlobal(at)); });
  surface->installEventFilter(this);

  QAction* first = FieldMenu->actions().value(0);
  FieldMenu->insertAction(first, surface->UndoAction());
  FieldMenu->insertAction(first, surface->RedoAction());

  SelectionChanged(Designer().Page().FirstSelected() != nullptr);
  miDeleteField->setShortcut(surface->EditMode() ? QKeySequence() : QKeySequence(Qt::Key_Delete));
}

void TDrawForm::SelectionChanged(bool selected) {
  miDeleteField->setEnabled(selected);
  miCenterHorizontally->setEnabled(selected);
  miCenterVertically->setEnabled(selected);
  const TBaseField* field = surface_ && selected ? Designer().Page().LastSelected() : nullptr;
  miFont->setEnabled(field && field->Type() == FieldKind::ftText);
  miLoadImage->setEnabled(field && field->Type() == FieldKind::ftImage);
  PositionLbl->setVisible(selected);
}

void TDrawForm::RefreshPosition() {
  const TFaxPanel& page = Designer().Page();
  const TBaseField* first = page.FirstSelected();
  if (!first) return;
  PositionLbl->show();
  PositionLbl->setText(FieldStatusText(page, Designer().UnitOfMeasure(), first->Bounds()));
}

void TDrawForm::New() {
  // The new design starts in design mode; the menu follows (InstallSurface).
  auto* fresh = new TDesignSurface(this);
  pixelsPerInch_ = FitPageToWidth(fresh->Designer(), DesignerWidth());
  InstallSurface(fresh);
  // A new design has no file: saving asks for one, and generating does not
  // write over the fax page of the design that was open before.
  designFileName_.clear();
  resultFileName_.clear();
  setWindowTitle(NewCaption());
}

bool TDrawForm::Open() {
  OpenDialog->setDirectory(programDir_);
  const QString name = RunFileDialog(*OpenDialog);
  setWindowTitle(OpenCaption());
  if (name.isEmpty()) return false;
  const FcpResult loaded = surface_->LoadDesign(name);
  if (!loaded.Ok()) {
    // The design in the window stays as it was.
    notice_.ShowError(this, loaded.Message());
    return false;
  }
  designFileName_ = name;
  return true;
}

bool TDrawForm::Save() {
  if (Designer().Untitled() || designFileName_.isEmpty()) return SaveAs();
  return WriteDesign(designFileName_);
}

bool TDrawForm::SaveAs() {
  if (designFileName_.isEmpty()) SaveDialog->setDirectory(programDir_);
  else SaveDialog->selectFile(designFileName_);
  const QString name = RunFileDialog(*SaveDialog);
  setWindowTitle(SaveCaption());
  if (name.isEmpty() || !WriteDesign(name)) return false;
  designFileName_ = name;
  return true;
}

bool TDrawForm::WriteDesign(const QString& fileName) {
  FcpResult written;
  {
    BusyCursor busy;
    written = surface_->SaveDesign(fileName);
  }
  if (written.Ok()) return true;
  // The design stays in memory; the file on disk is as it was.
  notice_.ShowError(this, written.Message());
  return false;
}

bool TDrawForm::GenerateCurrent() {
  const QString written = generation_->GenerateCurrent(Designer(), designFileName_, *converter_);
  if (written.isEmpty()) return false;
  resultFileName_ = written;
  return true;
}

bool TDrawForm::GenerateOther() {
  const QString design = generation_->GenerateOther();
  if (design.isEmpty()) return false;
  resultFileName_ = design;
  return true;
}

bool TDrawForm::EditTags() { return generation_->EditTags(Designer().Page()); }

TBaseField* TDrawForm::AddTextField() {
  surface_->Page()->setFocus();
  return surface_->AddTextField();
}

TBaseField* TDrawForm::AddImageField() {
  surface_->Page()->setFocus();
  if (Ask(this, ColourWarning(), QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) return nullptr;
  return surface_->AddImageField();
}

void TDrawForm::DeleteFields() {
  surface_->Page()->setFocus();
  surface_->DeleteSelectedFields();
  SelectionChanged(Designer().Page().FirstSelected() != nullptr);
}

Qt::CursorShape TDrawForm::ModeCursor() const {
  return surface_->EditMode() ? Qt::IBeamCursor : Qt::SizeAllCursor;
}

void TDrawForm::SetEditMode(bool on) {
  if (surface_->EditMode() != on) {
    surface_->SetEditMode(on);
    // Without the shortcut, Delete reaches the text field's editor.
    miDeleteField->setShortcut(on ? QKeySequence() : QKeySequence(Qt::Key_Delete));
  }
  if (surface_->underMouse()) surface_->setCursor(ModeCursor());
}

bool TDrawForm::MayDropDesign() {
  if (!Designer().Page().Modified()) return true;
  return SaveChangesFirst(this, Ask, SaveChangesQuestion(), [this] { return Save(); });
}

void TDrawForm::reject() {
  if (MayDropDesign()) QDialog::reject();
}

void TDrawForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) setWindowState(windowState() | Qt::WindowMaximized);
  QDialog::showEvent(event);
}

bool TDrawForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == surface_) {
    if (event->type() == QEvent::Enter) surface_->setCursor(ModeCursor());
    else if (event->type() == QEvent::Leave) surface_->unsetCursor();
  }
  return QDialog::eventFilter(watched, event);
}

void TDrawForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RefreshPosition();
  QDialog::changeEvent(event);
}

}  // namespace telvane
