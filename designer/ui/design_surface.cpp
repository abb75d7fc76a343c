// The designer surface: page, rulers, status line, history and commands.
#include "designer/ui/design_surface.h"

#include "viewer/file_filters.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QUndoStack>
#include <algorithm>

#include "base/error_codes.h"
#include "designer/cover_renderer.h"
#include "designer/fcp_units.h"
#include "designer/gbk_codec.h"
#include "designer/ui/design_page.h"
#include "designer/ui/picture_files.h"
#include "designer/ui/ruler.h"
#include "designer/ui/surface_commands.h"
#include "designer/ui/surface_geometry.h"
#include "viewer/user_notice.h"

namespace telvane {
namespace {

bool QtFontChooser(QWidget* parent, FieldFont& font) {
  QFont initial(ResolveFaceName(font.Name, font.Charset), font.Size());
  initial.setBold(font.Bold);
  initial.setItalic(font.Italic);
  initial.setUnderline(font.Underline);
  initial.setStrikeOut(font.StrikeOut);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return false;
  // The face keeps the name the design had while the dialog showed the
  // family it stands for on this machine.
  if (chosen.family() != initial.family()) font.Name = chosen.family();
  font.SetSize(chosen.pointSize() > 0 ? chosen.pointSize() : font.Size());
  font.Bold = chosen.bold();
  font.Italic = chosen.italic();
  font.Underline = chosen.underline();
  font.StrikeOut = chosen.strikeOut();
  return true;
}

QString QtOpenFileChooser(QWidget* parent, const QString& caption, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter, nullptr, QFileDialog::ReadOnly);
}

bool RunDialog(TPageOptionsForm& form) { return form.exec() == QDialog::Accepted; }

}  // namespace

QString DesignFileFilter() { return QtFileFilter(QStringLiteral("Fax cover page files (*.fcp)|*.fcp")); }

QString TextFileFilter() { return QtFileFilter(QStringLiteral("文本文件 (*.txt)|*.TXT|所有文件(*.*)|*.*")); }

TDesignSurface::TDesignSurface(QWidget* parent)
    : QWidget(parent), designer_(std::make_unique<TFaxDesigner>()), notice_(&QtUserNotice()) {
  setObjectName(QStringLiteral("FaxDesigner"));
  ChooseFont = QtFontChooser;
  ChooseOpenFile = QtOpenFileChooser;
  RunPageOptions = RunDialog;

  undo_ = new QUndoStack(this);
  undoAction_ = undo_->createUndoAction(this, QStringLiteral("撤销"));
  undoAction_->setObjectName(QStringLiteral("UndoAction"));
  undoAction_->setShortcut(QKeySequence::Undo);
  redoAction_ = undo_->createRedoAction(this, QStringLiteral("重做"));
  redoAction_->setObjectName(QStringLiteral("RedoAction"));
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  // The shortcuts work wherever the focus is in the window, before the window
  // puts the actions in its menu as well.
  addAction(undoAction_);
  addAction(redoAction_);
  // A design back at its saved point is not modified.
  connect(undo_, &QUndoStack::cleanChanged, this, [this](bool clean) {
    if (clean) designer_->Page().SetModified(false);
  });

  hRuler_ = new TRuler(Qt::Horizontal, this);
  hRuler_->setObjectName(QStringLiteral("HorzRuler"));
  vRuler_ = new TRuler(Qt::Vertical, this);
  vRuler_->setObjectName(QStringLiteral("VertRuler"));
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("ScrollBox"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll_->setBackgroundRole(QPalette::Dark);
  page_ = new TDesignPage(*designer_, *undo_);
  scroll_->setWidget(page_);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addItem(new QSpacerItem(TRuler::kThickness, TRuler::kThickness), 0, 0);
  layout->addWidget(hRuler_, 0, 1, Qt::AlignLeft);
  layout->addWidget(vRuler_, 1, 0, Qt::AlignTop);
  layout->addWidget(scroll_, 1, 1);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(1, 1);

  connect(scroll_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TDesignSurface::Scrolled);
  connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &TDesignSurface::Scrolled);
  connect(page_, &TDesignPage::FieldDoubleClicked, this, [this](TBaseField* field) {
    if (field->Type() == FieldKind::ftText)
      ChooseFontFor(static_cast<TTextField&>(*field));
    else
      LoadPictureInto(static_cast<TImageField&>(*field));
  });
  connect(page_, &TDesignPage::LoadTextRequested, this, [this](TBaseField* field) {
    if (field->Type() == FieldKind::ftText) LoadTextInto(static_cast<TTextField&>(*field));
  });
  ConnectModel();
  ModelChanged();
}

TDesignSurface::~TDesignSurface() {
  // The page widgets go before the model they look at.
  TFaxPanel& page = designer_->Page();
  page.OnChanged = nullptr;
  page.OnFieldBounds = nullptr;
  page.OnSelectionChanged = nullptr;
  delete scroll_;
  // The history goes too: clearing it tells of a clean state, which would
  // reach for the design after it is gone.
  disconnect(undo_, nullptr, this, nullptr);
  delete undo_;
}

void TDesignSurface::ConnectModel() {
  TFaxPanel& page = designer_->Page();
  page.OnChanged = [this] { ModelChanged(); };
  page.OnFieldBounds = [this](int l, int t, int w, int h) { FieldBounds(l, t, w, h); };
  page.OnSelectionChanged = [this](bool selected) { Selection(selected); };
}

void TDesignSurface::ModelChanged() {
  const TFaxPanel& page = designer_->Page();
  hRuler_->SetLengthPixels(page.Width());
  vRuler_->SetLengthPixels(page.Height());
  hRuler_->SetLengthInches(page.PageWidth());
  vRuler_->SetLengthInches(page.PageHeight());
  hRuler_->SetUnit(designer_->UnitOfMeasure());
  vRuler_->SetUnit(designer_->UnitOfMeasure());
  page_->SyncFields();
}

void TDesignSurface::FieldBounds(int left, int top, int width, int height) {
  const QRect bounds(left, top, width, height);
  hRuler_->SetUnit(designer_->UnitOfMeasure());
  vRuler_->SetUnit(designer_->UnitOfMeasure());
  hRuler_->SetMarks(left, left + width);
  vRuler_->SetMarks(top, top + height);
  status_ = FieldStatusText(designer_->Page(), designer_->UnitOfMeasure(), bounds);
  page_->SyncFields();
  emit StatusTextChanged(status_);
}

void TDesignSurface::Selection(bool selected) {
  if (!selected) {
    hRuler_->SetMarks(-1, -1);
    vRuler_->SetMarks(-1, -1);
  }
  page_->SyncFields();
  emit SelectionChanged(selected);
}

void TDesignSurface::Scrolled() {
  hRuler_->SetOffset(scroll_->horizontalScrollBar()->value());
  vRuler_->SetOffset(scroll_->verticalScrollBar()->value());
}

int TDesignSurface::IndexOf(const TBaseField* field) const { return designer_->Page().IndexOf(field); }

TTextField* TDesignSurface::AddTextField() {
  auto* command = new AddFieldCommand(*designer_, AddFieldCommand::Kind::Text);
  undo_->push(command);
  auto* field = static_cast<TTextField*>(command->Field());
  if (TFieldWidget* w = page_->WidgetOf(field); w && EditMode()) w->Editor()->setFocus();
  return field;
}

TImageField* TDesignSurface::AddImageField() {
  auto* command = new AddFieldCommand(*designer_, AddFieldCommand::Kind::Image);
  undo_->push(command);
  return static_cast<TImageField*>(command->Field());
}

void TDesignSurface::DeleteSelectedFields() {
  if (!designer_->Page().FirstSelected()) return;
  undo_->push(new DeleteFieldsCommand(*designer_));
}

void TDesignSurface::CentreHorizontally() {
  TFaxPanel& page = designer_->Page();
  TBaseField* f = page.LastSelected();
  if (!f) return;
  const QRect before = f->Bounds();
  page.CentreHorizontally();
  undo_->push(new FieldBoundsCommand(*designer_, IndexOf(f), before, f->Bounds(), true));
}

void TDesignSurface::CentreVertically() {
  TFaxPanel& page = designer_->Page();
  TBaseField* f = page.LastSelected();
  if (!f) return;
  const QRect before = f->Bounds();
  page.CentreVertically();
  undo_->push(new FieldBoundsCommand(*designer_, IndexOf(f), before, f->Bounds(), true));
}

bool TDesignSurface::ChooseFieldFont() {
  auto* f = dynamic_cast<TTextField*>(designer_->Page().LastSelected());
  return f && ChooseFontFor(*f);
}

bool TDesignSurface::LoadFieldPicture() {
  auto* f = dynamic_cast<TImageField*>(designer_->Page().LastSelected());
  return f && LoadPictureInto(*f);
}

bool TDesignSurface::LoadFieldText() {
  auto* f = dynamic_cast<TTextField*>(designer_->Page().LastSelected());
  return f && LoadTextInto(*f);
}

bool TDesignSurface::ChooseFontFor(TTextField& field) {
  FieldFont font = field.Font();
  if (!ChooseFont || !ChooseFont(this, font)) return false;
  const TFaxPanel& page = designer_->Page();
  QRect b = field.Bounds();
  // As high as the text's lines in the new font, at least one, plus the
  // editor's frame; no further down than the page goes.
  const int lines = std::max<int>(1, WrapFieldText(field.Text(), font, b.width()).size());
  int height = std::min(FieldLineHeight(font) * lines + 4, page.Height() - b.top());
  if (page.SnapToGrid()) height = page.SnapHeight(height, b.top());
  b.setHeight(std::max(0, height));
  undo_->push(new FontCommand(*designer_, IndexOf(&field), font, b));
  return true;
}

bool TDesignSurface::LoadPictureInto(TImageField& field) {
  if (!ChooseOpenFile) return false;
  const QString fileName = ChooseOpenFile(this, QStringLiteral("载入图像"), PictureFileFilter());
  if (fileName.isEmpty()) return false;
  QImage picture;
  if (const int rc = ReadPictureFile(fileName, picture)) {
    notice_->ShowError(this, QStringLiteral("%1: %2").arg(fileName, QString::fromUtf8(ErrorText(rc))));
    return false;
  }
  undo_->push(new PictureCommand(*designer_, IndexOf(&field), picture));
  return true;
}

bool TDesignSurface::LoadTextInto(TTextField& field) {
  if (!ChooseOpenFile) return false;
  const QString fileName = ChooseOpenFile(this, QStringLiteral("载入文本"), TextFileFilter());
  if (fileName.isEmpty()) return false;
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    notice_->ShowError(this, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return false;
  }
  // Text files are GBK; the field keeps the file's lines.
  QString text = FromGbk(file.readAll());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  undo_->push(new TextCommand(*designer_, IndexOf(&field), text, false));
  return true;
}

bool TDesignSurface::EditPageOptions() {
  TFaxPanel& page = designer_->Page();
  TPageOptionsForm form(*notice_, this);
  PageOptions current;
  current.Unit = designer_->UnitOfMeasure();
  current.PaperSize = designer_->PaperSizeIndex();
  current.ShowGrid = page.ShowGrid();
  current.SnapToGrid = page.SnapToGrid();
  current.HorzSpacing = page.HorzGridSpacing();
  current.VertSpacing = page.VertGridSpacing();
  form.SetOptions(current);
  if (!RunPageOptions || !RunPageOptions(form)) return false;

  const PageOptions chosen = form.Options();
  PageSettings before = PageSettings::Of(*designer_);
  page.SetGridSpacing(chosen.HorzSpacing, chosen.VertSpacing);
  page.SetSnapToGrid(chosen.SnapToGrid);
  page.SetShowGrid(chosen.ShowGrid);
  designer_->SetUnitOfMeasure(chosen.Unit);
  if (chosen.PaperSize >= 0 && chosen.PaperSize < static_cast<int>(kPaperSizes.size())) {
    designer_->SetPaperSizeIndex(static_cast<uint8_t>(chosen.PaperSize));
    designer_->SetPageWidthInches(kPaperSizes[chosen.PaperSize].Width);
    designer_->SetPageHeightInches(kPaperSizes[chosen.PaperSize].Height);
  }
  ModelChanged();
  undo_->push(new PageSettingsCommand(*designer_, std::move(before), PageSettings::Of(*designer_)));
  return true;
}

void TDesignSurface::SetUnitOfMeasure(uint8_t unit) {
  hRuler_->SetUnit(unit);
  vRuler_->SetUnit(unit);
  designer_->SetUnitOfMeasure(unit);
}

bool TDesignSurface::EditMode() const { return designer_->Page().EditMode(); }

void TDesignSurface::SetEditMode(bool on) {
  TFaxPanel& page = designer_->Page();
  page.SetEditMode(on);
  page_->SyncFields();
  if (!on) {
    page_->setFocus();
    return;
  }
  // The selected text field takes the typing.
  if (TBaseField* f = page.LastSelected(); f && f->Type() == FieldKind::ftText)
    if (TFieldWidget* w = page_->WidgetOf(f)) w->Editor()->setFocus();
}

FcpResult TDesignSurface::LoadDesign(const QString& fileName) {
  const FcpResult r = designer_->LoadFromFile(fileName);
  if (r.Ok()) {
    undo_->clear();
    undo_->setClean();
  }
  return r;
}

FcpResult TDesignSurface::SaveDesign(const QString& fileName) {
  const FcpResult r = designer_->SaveToFile(fileName);
  if (r.Ok()) undo_->setClean();
  return r;
}

}  // namespace telvane
