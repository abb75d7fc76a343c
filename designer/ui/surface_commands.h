// The edits of the design surface as undoable commands. Fields are named by
// their place in the page's list: every change of the list goes through
// these commands, so places stay valid along the undo history.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QUndoCommand>
#include <memory>
#include <utility>
#include <vector>

#include "designer/field_font.h"

namespace telvane {

class TFaxDesigner;
class TBaseField;

// Ids for merging: nudges of one field with the arrow keys, typing into one
// text field.
inline constexpr int kNudgeCommandId = 1;
inline constexpr int kTypingCommandId = 2;

// A field moved or sized. A drag is applied while the mouse moves and pushed
// once it ends, so the first redo does nothing.
class FieldBoundsCommand : public QUndoCommand {
 public:
  FieldBoundsCommand(TFaxDesigner& designer, int index, const QRect& before, const QRect& after, bool alreadyApplied,
                     int mergeId = -1);
  void undo() override;
  void redo() override;
  int id() const override { return mergeId_; }
  bool mergeWith(const QUndoCommand* other) override;

 private:
  TFaxDesigner& designer_;
  int index_;
  QRect before_, after_;
  bool skipRedo_;
  int mergeId_;
};

// A new text or image field, placed as the page places new fields.
class AddFieldCommand : public QUndoCommand {
 public:
  enum class Kind { Text, Image };
  AddFieldCommand(TFaxDesigner& designer, Kind kind);
  ~AddFieldCommand() override;
  void undo() override;
  void redo() override;
  TBaseField* Field() const { return field_; }

 private:
  TFaxDesigner& designer_;
  Kind kind_;
  int index_ = -1;
  TBaseField* field_ = nullptr;
  std::unique_ptr<TBaseField> removed_;
};

// The selected fields deleted.
class DeleteFieldsCommand : public QUndoCommand {
 public:
  explicit DeleteFieldsCommand(TFaxDesigner& designer);
  ~DeleteFieldsCommand() override;
  void undo() override;
  void redo() override;

 private:
  TFaxDesigner& designer_;
  std::vector<int> indices_;  // ascending
  std::vector<std::unique_ptr<TBaseField>> removed_;
};

// A text field's font and the height that came with it.
class FontCommand : public QUndoCommand {
 public:
  FontCommand(TFaxDesigner& designer, int index, FieldFont font, QRect bounds);
  void undo() override;
  void redo() override;

 private:
  void Apply(const FieldFont& font, const QRect& bounds);
  TFaxDesigner& designer_;
  int index_;
  FieldFont beforeFont_, afterFont_;
  QRect beforeBounds_, afterBounds_;
};

// A text field's text: loaded from a file, or typed (merged while typing).
class TextCommand : public QUndoCommand {
 public:
  TextCommand(TFaxDesigner& designer, int index, QString text, bool typing);
  void undo() override;
  void redo() override;
  int id() const override { return typing_ ? kTypingCommandId : -1; }
  bool mergeWith(const QUndoCommand* other) override;

 private:
  TFaxDesigner& designer_;
  int index_;
  QString before_, after_;
  bool typing_;
};

// An image field's picture.
class PictureCommand : public QUndoCommand {
 public:
  PictureCommand(TFaxDesigner& designer, int index, QImage picture);
  void undo() override;
  void redo() override;

 private:
  void Apply(const QImage& picture);
  TFaxDesigner& designer_;
  int index_;
  QImage before_, after_;
};

// What the page options dialog sets, with every field's bounds (snapping and
// a new paper size move and size them).
struct PageSettings {
  int WidthPixels = 0, HeightPixels = 0;
  double WidthInches = 0, HeightInches = 0;
  int HorzSpacing = 20, VertSpacing = 20;
  bool SnapToGrid = false, ShowGrid = false;
  uint8_t Unit = 0;
  uint8_t PaperSize = 0;
  std::vector<QRect> Bounds;

  static PageSettings Of(const TFaxDesigner& designer);
  void ApplyTo(TFaxDesigner& designer) const;
};

// Page options applied: the change is made before the push, the command
// keeps the settings before and after.
class PageSettingsCommand : public QUndoCommand {
 public:
  PageSettingsCommand(TFaxDesigner& designer, PageSettings before, PageSettings after);
  void undo() override;
  void redo() override;

 private:
  TFaxDesigner& designer_;
  PageSettings before_, after_;
  bool skipRedo_ = true;
};

}  // namespace telvane
