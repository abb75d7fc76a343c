// The design page widget, its field widgets and stretch handles.
#include "designer/ui/design_page.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QUndoStack>

#include "designer/cover_renderer.h"
#include "designer/fax_designer.h"
#include "designer/ui/surface_commands.h"

namespace telvane {
namespace {

QPoint PagePoint(const QWidget* page, const QMouseEvent* event) {
  return page->mapFromGlobal(event->globalPosition().toPoint());
}

QString HandleName(DragMode kind) { return QStringLiteral("StretchHandle%1").arg(static_cast<int>(kind)); }

}  // namespace

// ---- stretch handles ----

TStretchHandle::TStretchHandle(TDesignPage* page, TFieldWidget* field, DragMode kind)
    : QWidget(page), page_(page), field_(field), kind_(kind) {
  setObjectName(HandleName(kind));
  setFixedSize(kHandleSize, kHandleSize);
  setCursor(DragCursor(kind));
  setMouseTracking(true);
  hide();
}

void TStretchHandle::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
}

void TStretchHandle::mousePressEvent(QMouseEvent* e) { page_->Press(field_, kind_, PagePoint(page_, e), e->button()); }
void TStretchHandle::mouseMoveEvent(QMouseEvent* e) { page_->Move(field_, kind_, PagePoint(page_, e), e->buttons()); }
void TStretchHandle::mouseReleaseEvent(QMouseEvent* e) {
  page_->Release(field_, PagePoint(page_, e), e->button(), e->modifiers());
}

// ---- fields ----

TFieldWidget::TFieldWidget(TDesignPage* page, TBaseField* field)
    : QWidget(page), page_(page), field_(field), kind_(field->Type()) {
  setObjectName(kind_ == FieldKind::ftText ? QStringLiteral("TextField") : QStringLiteral("ImageField"));
  setCursor(Qt::CrossCursor);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  for (size_t i = 0; i < kHandleOrder.size(); ++i) handles_[i] = new TStretchHandle(page, this, kHandleOrder[i]);
  if (kind_ != FieldKind::ftText) return;
  editor_ = new QPlainTextEdit(this);
  editor_->setObjectName(QStringLiteral("FieldEditor"));
  editor_->setFrameShape(QFrame::NoFrame);
  editor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Wrapped as the renderer wraps: at word boundaries, long words anywhere.
  editor_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  editor_->document()->setDocumentMargin(0);
  // Undo belongs to the surface's history, not the editor's own.
  editor_->setUndoRedoEnabled(false);
  QPalette palette = editor_->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  editor_->setPalette(palette);
  editor_->hide();
  editor_->installEventFilter(this);
  editor_->viewport()->installEventFilter(this);
  connect(editor_, &QPlainTextEdit::textChanged, this, [this] {
    if (!syncing_ && field_) page_->EditorTextChanged(this, editor_->toPlainText());
  });
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("TextFieldMenu"));
  QAction* load = menu_->addAction(QStringLiteral("载入文本"));
  load->setObjectName(QStringLiteral("LoadTextAction"));
  connect(load, &QAction::triggered, this, [this] { page_->RequestLoadText(this); });
}

TFieldWidget::~TFieldWidget() {
  for (TStretchHandle* h : handles_) delete h;  // null when the page went first
}

void TFieldWidget::Detach() {
  field_ = nullptr;
  hide();
  for (TStretchHandle* h : handles_)
    if (h) h->hide();
  deleteLater();
}

void TFieldWidget::Sync(bool editMode) {
  if (!field_) return;
  const QRect& b = field_->Bounds();
  setGeometry(b);
  for (TStretchHandle* h : handles_) {
    h->setGeometry(HandleRect(h->Kind(), b));
    h->setVisible(field_->Selected());
  }
  if (editor_) {
    syncing_ = true;
    const auto* text = static_cast<const TTextField*>(field_);
    editor_->setGeometry(rect());
    editor_->setFont(FieldQFont(text->Font()));
    QPalette palette = editor_->palette();
    palette.setColor(QPalette::Text, FieldTextColor(text->Font().Color));
    editor_->setPalette(palette);
    if (editor_->toPlainText() != text->Text()) editor_->setPlainText(text->Text());
    editor_->setVisible(editMode);
    if (!editMode && editor_->hasFocus()) editor_->clearFocus();
    syncing_ = false;
  }
  update();
}

void TFieldWidget::paintEvent(QPaintEvent*) {
  if (!field_) return;
  QPainter painter(this);
  if (kind_ == FieldKind::ftText) {
    if (editor_->isVisible()) return;  // the editor shows the text while typing
    const auto* text = static_cast<const TTextField*>(field_);
    const QFont font = FieldQFont(text->Font());
    const QColor color = FieldTextColor(text->Font().Color);
    const int lineHeight = FieldLineHeight(text->Font());
    const QStringList lines = text->DisplayLines();
    for (int i = 0; i < lines.size() && i * lineHeight < height(); ++i)
      DrawTextLine(painter, QPoint(0, i * lineHeight), lines[i], font, color);
    return;
  }
  const auto* image = static_cast<const TImageField*>(field_);
  if (image->HasPicture()) {
    DrawStretchedPicture(painter, rect(), image->Picture());
    return;
  }
  // An empty image field shows its outline: dash-dot, one pixel, black.
  painter.setPen(QPen(Qt::black, 1, Qt::DashDotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TFieldWidget::mousePressEvent(QMouseEvent* e) {
  page_->Press(this, DragMode::Move, PagePoint(page_, e), e->button());
}
void TFieldWidget::mouseMoveEvent(QMouseEvent* e) {
  page_->Move(this, DragMode::Move, PagePoint(page_, e), e->buttons());
}
void TFieldWidget::mouseReleaseEvent(QMouseEvent* e) {
  page_->Release(this, PagePoint(page_, e), e->button(), e->modifiers());
}
void TFieldWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) page_->DoubleClick(this);
}

void TFieldWidget::contextMenuEvent(QContextMenuEvent* event) {
  // Image fields have no menu of their own: the page's menu shows.
  if (!menu_) {
    event->ignore();
    return;
  }
  menu_->exec(event->globalPos());
}

void TFieldWidget::keyPressEvent(QKeyEvent* event) {
  if (!page_->Key(event)) QWidget::keyPressEvent(event);
}

bool TFieldWidget::eventFilter(QObject* watched, QEvent* event) {
  if (!editor_ || !field_) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      // Undo and redo in the editor go to the surface's history.
      auto* key = static_cast<QKeyEvent*>(event);
      const bool undo = key->matches(QKeySequence::Undo);
      const bool redo = key->matches(QKeySequence::Redo);
      if (!undo && !redo) return false;
      if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
      }
      page_->Key(key);
      return true;
    }
    case QEvent::FocusIn:
      // In design mode the editor gives the focus up at once.
      if (!page_->Designer().Page().EditMode()) editor_->clearFocus();
      return false;
    case QEvent::MouseButtonRelease:
      if (watched == editor_->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        page_->Release(this, PagePoint(page_, mouse), mouse->button(), mouse->modifiers());
      }
      return false;
    default: return false;
  }
}

// ---- page ----

TDesignPage::TDesignPage(TFaxDesigner& designer, QUndoStack& undo, QWidget* parent)
    : QWidget(parent), designer_(designer), undo_(undo) {
  setObjectName(QStringLiteral("FaxPanel"));
  setAutoFillBackground(false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  SyncFields();
}

TFieldWidget* TDesignPage::WidgetOf(const TBaseField* field) const {
  const auto it = widgets_.find(field);
  return it != widgets_.end() ? it->second.data() : nullptr;
}

void TDesignPage::SyncFields() {
  const TFaxPanel& page = designer_.Page();
  if (size() != QSize(page.Width(), page.Height())) setFixedSize(std::max(1, page.Width()), std::max(1, page.Height()));
  std::map<const TBaseField*, QPointer<TFieldWidget>> next;
  for (const auto& f : page.Fields()) {
    TFieldWidget* w = nullptr;
    // A field made where a destroyed one was may be of the other kind.
    if (auto it = widgets_.find(f.get()); it != widgets_.end()) {
      if (it->second && it->second->Kind() == f->Type()) w = it->second;
      else if (it->second) it->second->Detach();
      widgets_.erase(it);
    }
    if (!w) {
      w = new TFieldWidget(this, f.get());
      w->show();
    }
    next[f.get()] = w;
    w->Sync(page.EditMode());
  }
  for (auto& [field, w] : widgets_)
    if (w) w->Detach();
  widgets_ = std::move(next);
  // Later fields lie over earlier ones; handles over all fields.
  for (const auto& f : page.Fields()) widgets_[f.get()]->raise();
  for (const auto& f : page.Fields())
    if (f->Selected())
      for (TStretchHandle* h : widgets_[f.get()]->Handles()) h->raise();
  update();
}

void TDesignPage::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const TFaxPanel& page = designer_.Page();
  if (!page.ShowGrid()) return;
  const QRect area = event->rect() & QRect(0, 0, page.Width(), page.Height());
  const int hs = page.HorzGridSpacing(), vs = page.VertGridSpacing();
  painter.setPen(Qt::black);
  // Dots at 1 + i * spacing, only where the repaint reaches.
  const int firstX = 1 + std::max(0, (area.left() - 1 + hs - 1) / hs) * hs;
  const int firstY = 1 + std::max(0, (area.top() - 1 + vs - 1) / vs) * vs;
  for (int y = firstY; y <= area.bottom(); y += vs)
    for (int x = firstX; x <= area.right(); x += hs) painter.drawPoint(x, y);
}

void TDesignPage::SetMode(DragMode mode) {
  mode_ = mode;
  setCursor(DragCursor(mode));
}

void TDesignPage::Press(TFieldWidget* field, DragMode kind, QPoint point, Qt::MouseButton button) {
  designer_.Page().SetInsertionPoint(point);
  if (!field || !field->Field() || button != Qt::LeftButton) return;
  dragging_ = true;
  dragField_ = field;
  dragStart_ = field->Field()->Bounds();
  SetMode(kind);
}

void TDesignPage::Move(TFieldWidget* field, DragMode kind, QPoint point, Qt::MouseButtons buttons) {
  if (!dragging_ || !(buttons & Qt::LeftButton)) {
    if (!dragging_) SetMode(field ? kind : DragMode::None);
    return;
  }
  // A move arriving while the previous one is worked on is dropped.
  if (inStep_ || !dragField_ || !dragField_->Field()) return;
  TBaseField& f = *dragField_->Field();
  TFaxPanel& page = designer_.Page();
  // In edit mode a text field's editor has the mouse.
  if (mode_ == DragMode::Move && page.EditMode() && f.Type() == FieldKind::ftText) return;
  inStep_ = true;
  const DragResult r = DragStep(page, mode_, f.Bounds(), point, page.InsertionPoint());
  page.SetInsertionPoint(r.LastPoint);
  if (r.Bounds != f.Bounds()) page.SetFieldBounds(f, r.Bounds);
  SetMode(r.Mode);
  inStep_ = false;
}

void TDesignPage::Release(TFieldWidget* field, QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  TFaxPanel& page = designer_.Page();
  if (button == Qt::RightButton) {
    page.SetInsertionPoint(point);
    return;
  }
  if (button != Qt::LeftButton) return;
  if (std::exchange(dragging_, false) && dragField_ && dragField_->Field()) {
    TBaseField* f = dragField_->Field();
    // The whole drag is one step of the history.
    if (f->Bounds() != dragStart_)
      undo_.push(new FieldBoundsCommand(designer_, page.IndexOf(f), dragStart_, f->Bounds(), true));
  }
  dragField_ = nullptr;
  if (field && field->Field()) {
    SelectField(field->Field(), modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
    return;
  }
  page.DeselectAll();
  if (page.OnSelectionChanged) page.OnSelectionChanged(false);
}

void TDesignPage::SelectField(TBaseField* field, bool addToSelection) {
  TFaxPanel& page = designer_.Page();
  if (!addToSelection) page.DeselectAll();
  page.Select(*field);
  if (page.OnSelectionChanged) page.OnSelectionChanged(true);
  const QRect& b = field->Bounds();
  if (page.OnFieldBounds) page.OnFieldBounds(b.left(), b.top(), b.width(), b.height());
}

void TDesignPage::DoubleClick(TFieldWidget* field) {
  if (field && field->Field()) emit FieldDoubleClicked(field->Field());
}

void TDesignPage::RequestLoadText(TFieldWidget* field) {
  if (field && field->Field()) emit LoadTextRequested(field->Field());
}

void TDesignPage::EditorTextChanged(TFieldWidget* field, const QString& text) {
  const int index = designer_.Page().IndexOf(field->Field());
  if (index >= 0) undo_.push(new TextCommand(designer_, index, text, true));
}

bool TDesignPage::Key(QKeyEvent* event) {
  if (event->matches(QKeySequence::Undo)) {
    undo_.undo();
    return true;
  }
  if (event->matches(QKeySequence::Redo)) {
    undo_.redo();
    return true;
  }
  TFaxPanel& page = designer_.Page();
  // Arrows with Ctrl or Alt are left to the window.
  if (page.EditMode() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
  int dx = 0, dy = 0;
  switch (event->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  TBaseField* f = page.LastSelected();
  if (!f) return false;
  const QRect before = f->Bounds();
  const QRect after = NudgedBounds(page, before, dx, dy, event->modifiers() & Qt::ShiftModifier);
  if (after != before)
    undo_.push(new FieldBoundsCommand(designer_, page.IndexOf(f), before, after, false, kNudgeCommandId));
  return true;
}

void TDesignPage::mousePressEvent(QMouseEvent* e) { Press(nullptr, DragMode::None, e->position().toPoint(), e->button()); }
void TDesignPage::mouseMoveEvent(QMouseEvent* e) { Move(nullptr, DragMode::None, e->position().toPoint(), e->buttons()); }
void TDesignPage::mouseReleaseEvent(QMouseEvent* e) {
  Release(nullptr, e->position().toPoint(), e->button(), e->modifiers());
}
void TDesignPage::keyPressEvent(QKeyEvent* e) {
  if (!Key(e)) QWidget::keyPressEvent(e);
}

}  // namespace telvane
