// The page of a cover page design: its size in pixels and inches, grid and
// snapping, edit state, the ordered fields and the tag values. Views (the
// design surface) sit on it and learn of changes through its callbacks.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "designer/fax_field.h"

class QPainter;

namespace telvane {

class TFaxPanel {
 public:
  static constexpr int kDefaultWidth = 600;
  static constexpr int kDefaultHeight = 776;
  static constexpr int kInsertionStep = 5;

  TFaxPanel();
  TFaxPanel(const TFaxPanel&) = delete;
  TFaxPanel& operator=(const TFaxPanel&) = delete;

  // Size on screen in pixels. A change rescales every field.
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int width, int height);

  // Paper size in inches, and the pixels per inch derived from both sizes
  // (0 when the paper dimension is 0).
  double PageWidth() const { return pageWidth_; }
  double PageHeight() const { return pageHeight_; }
  void SetPageWidth(double inches);
  void SetPageHeight(double inches);
  double HorzPixelsPerInch() const { return horzPpi_; }
  double VertPixelsPerInch() const { return vertPpi_; }

  // Grid: spacings are at least 1 (smaller values are ignored).
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool on);
  bool SnapToGrid() const { return snapToGrid_; }
  // Switching snapping on snaps every field at once.
  void SetSnapToGrid(bool on);
  int HorzGridSpacing() const { return horzSpacing_; }
  int VertGridSpacing() const { return vertSpacing_; }
  void SetGridSpacing(int horizontal, int vertical);
  // ((width - 1) div spacing) * spacing + 1, and the same vertically.
  int SnapLimitX() const;
  int SnapLimitY() const;
  // The grid rules, applied whatever the snap setting.
  int SnapX(int x) const;
  int SnapY(int y) const;
  int SnapWidth(int width, int left) const;
  int SnapHeight(int height, int top) const;

  bool EditMode() const { return editMode_; }
  void SetEditMode(bool on) { editMode_ = on; }
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  QPoint InsertionPoint() const { return insertionPoint_; }
  void SetInsertionPoint(QPoint point) { insertionPoint_ = point; }

  // Fields in the order of saving, loading and drawing.
  const std::vector<std::unique_ptr<TBaseField>>& Fields() const { return fields_; }
  TTextField& AddTextField();
  TImageField& AddImageField();
  // Moves or sizes a field (snapping is the caller's business); fires the
  // field-bounds event when it is selected and marks the page modified.
  void SetFieldBounds(TBaseField& field, const QRect& bounds);
  void DeleteSelected();
  // Position of `field` in the list; -1 when it is not on this page.
  int IndexOf(const TBaseField* field) const;
  // Takes the field at `index` out of the list (undoing its addition, or a
  // deletion that can be undone); the page is marked modified.
  std::unique_ptr<TBaseField> TakeFieldAt(int index);
  // Puts a field taken out before back at `index` (clamped into the list),
  // keeping its selection; the page is marked modified.
  void InsertFieldAt(int index, std::unique_ptr<TBaseField> field);
  void CentreHorizontally();
  void CentreVertically();
  void Select(TBaseField& field);
  void DeselectAll();
  TBaseField* LastSelected() const;
  TBaseField* FirstSelected() const;
  // Destroys every field.
  void Clear();

  // Draws every field in list order.
  void DrawToCanvas(QPainter& canvas, const DrawContext& context) const;

  // Inches <-> pixels with the page's pixels per inch, rounded to the
  // nearest pixel with ties to even; 0 where the divisor is 0.
  QPointF InchesFromPixels(QPoint pixels) const;
  double InchesFromPixelsX(int x) const;
  double InchesFromPixelsY(int y) const;
  QPoint PixelsFromInches(QPointF inches) const;
  int PixelsFromInchesX(double x) const;
  int PixelsFromInchesY(double y) const;

  // Tag values.
  int PageCount = 0;    // $N
  int PageNumber = 0;   // $P
  QString Sender;       // $F
  QString Recipient;    // $R
  QString PageTitle;    // $S
  QString StationID;    // $I

  // A field is selected (true) or none is (false).
  std::function<void(bool)> OnSelectionChanged;
  // The selected field was added, moved or sized: left, top, width, height.
  std::function<void(int, int, int, int)> OnFieldBounds;
  // Something a view shows changed (fields, their content, the page size);
  // for repainting.
  std::function<void()> OnChanged;

  // Takes over the page size, fields, tag values and settings of `other`
  // (used to install a design that was loaded aside). Events are not fired.
  void TakeContentFrom(TFaxPanel& other);
  // Copies the page size and the settings a design file does not hold
  // (grid, snapping, edit mode, insertion point, tag values) from `other`;
  // not the fields or the modified flag.
  void CopySettingsFrom(const TFaxPanel& other);

 private:
  friend class TBaseField;
  template <class Field>
  Field& AddField(std::unique_ptr<Field> field);
  void FieldChanged();
  void FireFieldBounds(const TBaseField& field);
  void UpdatePixelsPerInch();
  QRect Snapped(const QRect& bounds) const;
  // Moves every field onto the grid, telling the bounds of selected ones.
  void SnapAllFields();

  int width_ = kDefaultWidth;
  int height_ = kDefaultHeight;
  double pageWidth_ = 8.5;
  double pageHeight_ = 11.0;
  double horzPpi_ = 0;
  double vertPpi_ = 0;
  bool showGrid_ = false;
  bool snapToGrid_ = false;
  int horzSpacing_ = 20;
  int vertSpacing_ = 20;
  bool editMode_ = false;
  bool modified_ = false;
  QPoint insertionPoint_;
  std::vector<std::unique_ptr<TBaseField>> fields_;
  // How many fields are selected, so that deselecting before each added
  // field stops at the last selected one instead of walking the whole list
  // (loading a design adds its fields one by one).
  int selectedCount_ = 0;
};

}  // namespace telvane
