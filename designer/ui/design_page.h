// The design page on screen: a white page with the grid dots, one child
// widget per field drawn through the cover page renderer, the stretch
// handles of selected fields, and the mouse and keyboard work of selecting,
// moving and sizing fields.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>

#include "designer/fax_field.h"
#include "designer/ui/surface_geometry.h"

class QPlainTextEdit;
class QUndoStack;

namespace telvane {

class TFaxDesigner;
class TDesignPage;
class TFieldWidget;

// A 5 x 5 black square on an edge or corner of a selected field; it hands
// its mouse events to the page.
class TStretchHandle : public QWidget {
  Q_OBJECT
 public:
  TStretchHandle(TDesignPage* page, TFieldWidget* field, DragMode kind);
  DragMode Kind() const { return kind_; }
  TFieldWidget* FieldWidget() const { return field_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TDesignPage* page_;
  TFieldWidget* field_;
  DragMode kind_;
};

// A field on the page. Text fields carry an editor that is shown in edit
// mode only, and a context menu with "载入文本".
class TFieldWidget : public QWidget {
  Q_OBJECT
 public:
  TFieldWidget(TDesignPage* page, TBaseField* field);
  ~TFieldWidget() override;

  TBaseField* Field() const { return field_; }
  FieldKind Kind() const { return kind_; }
  // Geometry, handles, editor and picture from the model.
  void Sync(bool editMode);
  // The field is gone from the model: no longer look at it.
  void Detach();
  // Children of the page, so that they reach outside the field; the page may
  // destroy them first.
  const std::array<QPointer<TStretchHandle>, 8>& Handles() const { return handles_; }
  QPlainTextEdit* Editor() const { return editor_; }
  QMenu* ContextMenu() const { return menu_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TDesignPage* page_;
  TBaseField* field_;
  FieldKind kind_;
  std::array<QPointer<TStretchHandle>, 8> handles_{};
  QPlainTextEdit* editor_ = nullptr;
  QMenu* menu_ = nullptr;
  bool syncing_ = false;
};

class TDesignPage : public QWidget {
  Q_OBJECT
 public:
  TDesignPage(TFaxDesigner& designer, QUndoStack& undo, QWidget* parent = nullptr);

  TFaxDesigner& Designer() { return designer_; }
  // Makes the child widgets match the model's fields (new, gone, moved).
  void SyncFields();
  TFieldWidget* WidgetOf(const TBaseField* field) const;
  DragMode CurrentMode() const { return mode_; }
  bool Dragging() const { return dragging_; }

  // Mouse and key events of the page, its fields and handles; points are in
  // page coordinates.
  void Press(TFieldWidget* field, DragMode kind, QPoint point, Qt::MouseButton button);
  void Move(TFieldWidget* field, DragMode kind, QPoint point, Qt::MouseButtons buttons);
  void Release(TFieldWidget* field, QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
  void DoubleClick(TFieldWidget* field);
  bool Key(QKeyEvent* event);
  // The text a field's editor was given by the user.
  void EditorTextChanged(TFieldWidget* field, const QString& text);
  void RequestLoadText(TFieldWidget* field);

 signals:
  void FieldDoubleClicked(telvane::TBaseField* field);
  void LoadTextRequested(telvane::TBaseField* field);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SetMode(DragMode mode);
  void SelectField(TBaseField* field, bool addToSelection);

  TFaxDesigner& designer_;
  QUndoStack& undo_;
  std::map<const TBaseField*, QPointer<TFieldWidget>> widgets_;
  bool dragging_ = false;
  bool inStep_ = false;  // a drag step is being processed
  DragMode mode_ = DragMode::None;
  QPointer<TFieldWidget> dragField_;
  QRect dragStart_;
};

}  // namespace telvane
