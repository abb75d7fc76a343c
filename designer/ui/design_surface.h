// The designer surface: the design page in a scroll box between its two
// rulers, with the status line text, the history of edits (undo and redo)
// and the field and page commands that the designer window puts in its
// menus. Dialogs are reached through replaceable hooks.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "designer/fax_designer.h"
#include "designer/ui/page_options_form.h"

class QAction;
class QScrollArea;
class QUndoStack;

namespace telvane {

class IUserNotice;
class TDesignPage;
class TRuler;

// The design file filter of the open and save dialogs, in Qt's form.
QString DesignFileFilter();
// The filter of the text file dialog of "载入文本", in Qt's form.
QString TextFileFilter();

class TDesignSurface : public QWidget {
  Q_OBJECT
 public:
  explicit TDesignSurface(QWidget* parent = nullptr);
  ~TDesignSurface() override;

  TFaxDesigner& Designer() { return *designer_; }
  TDesignPage* Page() const { return page_; }
  TRuler* HorizontalRuler() const { return hRuler_; }
  TRuler* VerticalRuler() const { return vRuler_; }
  QScrollArea* ScrollBox() const { return scroll_; }
  QUndoStack* UndoStack() const { return undo_; }
  // Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y.
  QAction* UndoAction() const { return undoAction_; }
  QAction* RedoAction() const { return redoAction_; }
  // The selected field's size and position in the designer's unit.
  const QString& StatusText() const { return status_; }

  // Hooks. The font chooser edits `font` and answers true on OK; the file
  // chooser answers the chosen file or an empty text; the page options
  // runner shows the dialog and answers true when it was closed with OK.
  std::function<bool(QWidget* parent, FieldFont& font)> ChooseFont;
  std::function<QString(QWidget* parent, const QString& caption, const QString& filter)> ChooseOpenFile;
  std::function<bool(TPageOptionsForm& form)> RunPageOptions;
  void SetNotice(IUserNotice& notice) { notice_ = &notice; }

  // Field commands; they act on the selected field found last in the list
  // and do nothing for a field of the other kind.
  TTextField* AddTextField();
  TImageField* AddImageField();
  void DeleteSelectedFields();
  void CentreHorizontally();
  void CentreVertically();
  bool ChooseFieldFont();
  bool LoadFieldPicture();
  bool LoadFieldText();
  bool ChooseFontFor(TTextField& field);
  bool LoadPictureInto(TImageField& field);
  bool LoadTextInto(TTextField& field);
  // The page options dialog, applied on OK.
  bool EditPageOptions();

  // The unit of the rulers and the status line (0 inches, 1 millimetres).
  void SetUnitOfMeasure(uint8_t unit);

  bool EditMode() const;
  void SetEditMode(bool on);

  // Design files: the history starts afresh with the loaded design, and a
  // saved design is the history's clean point.
  FcpResult LoadDesign(const QString& fileName);
  FcpResult SaveDesign(const QString& fileName);

 signals:
  void SelectionChanged(bool selected);
  void StatusTextChanged(const QString& text);

 private:
  void ConnectModel();
  void ModelChanged();
  void FieldBounds(int left, int top, int width, int height);
  void Selection(bool selected);
  void Scrolled();
  int IndexOf(const TBaseField* field) const;

  std::unique_ptr<TFaxDesigner> designer_;
  QUndoStack* undo_;
  QAction* undoAction_;
  QAction* redoAction_;
  TRuler* hRuler_;
  TRuler* vRuler_;
  QScrollArea* scroll_;
  TDesignPage* page_;
  IUserNotice* notice_;
  QString status_;
};

}  // namespace telvane
