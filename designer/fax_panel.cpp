// The page model: geometry, grid rules, the field list and its events.
#include "designer/fax_panel.h"

#include <algorithm>

#include "designer/cover_renderer.h"
#include "designer/fcp_units.h"

namespace telvane {

namespace {

// A field coordinate times a scale factor, kept where a rectangle's right and
// bottom edges still fit an int.
int ScaledPixels(int value, double factor) {
  constexpr double kLimit = 1 << 28;
  return RoundToNearestEven(std::clamp(value * factor, -kLimit, kLimit));
}

}  // namespace

TFaxPanel::TFaxPanel() { UpdatePixelsPerInch(); }

void TFaxPanel::UpdatePixelsPerInch() {
  horzPpi_ = pageWidth_ != 0 ? width_ / pageWidth_ : 0;
  vertPpi_ = pageHeight_ != 0 ? height_ / pageHeight_ : 0;
}

void TFaxPanel::FieldChanged() {
  modified_ = true;
  if (OnChanged) OnChanged();
}

void TFaxPanel::FireFieldBounds(const TBaseField& field) {
  const QRect& b = field.Bounds();
  if (OnFieldBounds) OnFieldBounds(b.left(), b.top(), b.width(), b.height());
}

void TFaxPanel::SetBounds(int width, int height) {
  if (width == width_ && height == height_) return;
  // Fields keep their place on the paper: their pixels scale with the page.
  const double fx = width_ != 0 ? static_cast<double>(width) / width_ : 0;
  const double fy = height_ != 0 ? static_cast<double>(height) / height_ : 0;
  width_ = width;
  height_ = height;
  UpdatePixelsPerInch();
  for (auto& field : fields_) {
    const QRect& b = field->bounds_;
    QRect scaled(ScaledPixels(b.left(), fx), ScaledPixels(b.top(), fy), ScaledPixels(b.width(), fx),
                 ScaledPixels(b.height(), fy));
    field->bounds_ = snapToGrid_ ? Snapped(scaled) : scaled;
    if (field->selected_) FireFieldBounds(*field);
  }
  FieldChanged();
}

void TFaxPanel::SetPageWidth(double inches) {
  pageWidth_ = inches;
  UpdatePixelsPerInch();
  FieldChanged();
}

void TFaxPanel::SetPageHeight(double inches) {
  pageHeight_ = inches;
  UpdatePixelsPerInch();
  FieldChanged();
}

void TFaxPanel::SetShowGrid(bool on) {
  showGrid_ = on;
  if (OnChanged) OnChanged();
}

void TFaxPanel::SetSnapToGrid(bool on) {
  if (on == snapToGrid_) return;
  snapToGrid_ = on;
  if (!on) return;
  SnapAllFields();
  FieldChanged();
}

void TFaxPanel::SetGridSpacing(int horizontal, int vertical) {
  bool changed = false;
  if (horizontal >= 1 && horizontal != horzSpacing_) horzSpacing_ = horizontal, changed = true;
  if (vertical >= 1 && vertical != vertSpacing_) vertSpacing_ = vertical, changed = true;
  if (!changed) return;
  if (snapToGrid_) SnapAllFields();
  FieldChanged();
}

void TFaxPanel::SnapAllFields() {
  for (auto& field : fields_) {
    field->bounds_ = Snapped(field->bounds_);
    if (field->selected_) FireFieldBounds(*field);
  }
}

int TFaxPanel::SnapLimitX() const { return ((width_ - 1) / horzSpacing_) * horzSpacing_ + 1; }
int TFaxPanel::SnapLimitY() const { return ((height_ - 1) / vertSpacing_) * vertSpacing_ + 1; }

namespace {

// Grid lines lie at 1 + k * spacing.
int SnapPosition(int v, int spacing, int limit) {
  if (v < 1) return 1;
  if (v > limit) return limit;
  return RoundToNearestEven(static_cast<double>(v - 1) / spacing) * spacing + 1;
}

int SnapSize(int size, int pos, int spacing, int limit) {
  if (size < 0) return 0;
  if (static_cast<long long>(pos) + size <= limit)
    return RoundToNearestEven(static_cast<double>(size) / spacing) * spacing + 1;
  return limit - pos;
}

}  // namespace

int TFaxPanel::SnapX(int x) const { return SnapPosition(x, horzSpacing_, SnapLimitX()); }
int TFaxPanel::SnapY(int y) const { return SnapPosition(y, vertSpacing_, SnapLimitY()); }
int TFaxPanel::SnapWidth(int width, int left) const { return SnapSize(width, left, horzSpacing_, SnapLimitX()); }
int TFaxPanel::SnapHeight(int height, int top) const { return SnapSize(height, top, vertSpacing_, SnapLimitY()); }

QRect TFaxPanel::Snapped(const QRect& b) const {
  const int x = SnapX(b.left());
  const int y = SnapY(b.top());
  return QRect(x, y, SnapWidth(b.width(), x), SnapHeight(b.height(), y));
}

template <class Field>
Field& TFaxPanel::AddField(std::unique_ptr<Field> field) {
  DeselectAll();
  QRect b = field->bounds_;
  const int x = std::max(0, std::min(insertionPoint_.x(), width_ - b.width()));
  const int y = std::max(0, std::min(insertionPoint_.y(), height_ - b.height()));
  b.moveTo(x, y);
  if (snapToGrid_) b = Snapped(b);
  field->bounds_ = b;
  field->page_ = this;
  field->selected_ = true;
  ++selectedCount_;
  Field& added = *field;
  fields_.push_back(std::move(field));
  if (OnSelectionChanged) OnSelectionChanged(true);
  FireFieldBounds(added);
  FieldChanged();
  insertionPoint_ += QPoint(kInsertionStep, kInsertionStep);
  return added;
}

TTextField& TFaxPanel::AddTextField() {
  auto field = std::unique_ptr<TTextField>(new TTextField);
  // An empty text field is one line of its font high, plus the editor's
  // 2-pixel frame above and below.
  field->bounds_ = QRect(0, 0, TTextField::kNewWidth, FieldLineHeight(field->Font()) + 4);
  return AddField(std::move(field));
}

TImageField& TFaxPanel::AddImageField() {
  auto field = std::unique_ptr<TImageField>(new TImageField);
  field->bounds_ = QRect(0, 0, TImageField::kNewSize, TImageField::kNewSize);
  return AddField(std::move(field));
}

void TFaxPanel::SetFieldBounds(TBaseField& field, const QRect& bounds) {
  field.bounds_ = bounds;
  if (field.selected_) FireFieldBounds(field);
  FieldChanged();
}

void TFaxPanel::DeleteSelected() {
  const auto before = fields_.size();
  std::erase_if(fields_, [](const auto& f) { return f->selected_; });
  selectedCount_ = 0;
  if (fields_.size() != before) FieldChanged();
}

int TFaxPanel::IndexOf(const TBaseField* field) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].get() == field) return static_cast<int>(i);
  return -1;
}

std::unique_ptr<TBaseField> TFaxPanel::TakeFieldAt(int index) {
  if (index < 0 || index >= static_cast<int>(fields_.size())) return nullptr;
  std::unique_ptr<TBaseField> field = std::move(fields_[index]);
  fields_.erase(fields_.begin() + index);
  if (field->selected_) --selectedCount_;
  field->page_ = nullptr;
  FieldChanged();
  return field;
}

void TFaxPanel::InsertFieldAt(int index, std::unique_ptr<TBaseField> field) {
  if (!field) return;
  index = std::clamp(index, 0, static_cast<int>(fields_.size()));
  field->page_ = this;
  if (field->selected_) ++selectedCount_;
  fields_.insert(fields_.begin() + index, std::move(field));
  FieldChanged();
}

void TFaxPanel::CentreHorizontally() {
  TBaseField* field = LastSelected();
  if (!field) return;
  QRect b = field->bounds_;
  int left = RoundToNearestEven((width_ - b.width()) / 2.0);
  if (snapToGrid_) left = SnapX(left);
  b.moveLeft(left);
  SetFieldBounds(*field, b);
}

void TFaxPanel::CentreVertically() {
  TBaseField* field = LastSelected();
  if (!field) return;
  QRect b = field->bounds_;
  int top = RoundToNearestEven((height_ - b.height()) / 2.0);
  if (snapToGrid_) top = SnapY(top);
  b.moveTop(top);
  SetFieldBounds(*field, b);
}

void TFaxPanel::Select(TBaseField& field) {
  if (!field.selected_) ++selectedCount_;
  field.selected_ = true;
  if (OnChanged) OnChanged();
}

void TFaxPanel::DeselectAll() {
  // Newly added fields are selected and sit at the end: look from there.
  for (auto it = fields_.rbegin(); selectedCount_ > 0 && it != fields_.rend(); ++it)
    if ((*it)->selected_) (*it)->selected_ = false, --selectedCount_;
  if (OnChanged) OnChanged();
}

TBaseField* TFaxPanel::LastSelected() const {
  for (auto it = fields_.rbegin(); it != fields_.rend(); ++it)
    if ((*it)->selected_) return it->get();
  return nullptr;
}

TBaseField* TFaxPanel::FirstSelected() const {
  for (const auto& f : fields_)
    if (f->selected_) return f.get();
  return nullptr;
}

void TFaxPanel::Clear() {
  fields_.clear();
  selectedCount_ = 0;
  FieldChanged();
}

void TFaxPanel::DrawToCanvas(QPainter& canvas, const DrawContext& context) const {
  for (const auto& f : fields_) f->DrawToCanvas(canvas, context);
}

double TFaxPanel::InchesFromPixelsX(int x) const { return horzPpi_ != 0 ? x / horzPpi_ : 0; }
double TFaxPanel::InchesFromPixelsY(int y) const { return vertPpi_ != 0 ? y / vertPpi_ : 0; }
QPointF TFaxPanel::InchesFromPixels(QPoint p) const { return {InchesFromPixelsX(p.x()), InchesFromPixelsY(p.y())}; }
int TFaxPanel::PixelsFromInchesX(double x) const { return RoundToNearestEven(x * horzPpi_); }
int TFaxPanel::PixelsFromInchesY(double y) const { return RoundToNearestEven(y * vertPpi_); }
QPoint TFaxPanel::PixelsFromInches(QPointF p) const { return {PixelsFromInchesX(p.x()), PixelsFromInchesY(p.y())}; }

void TFaxPanel::CopySettingsFrom(const TFaxPanel& other) {
  width_ = other.width_;
  height_ = other.height_;
  pageWidth_ = other.pageWidth_;
  pageHeight_ = other.pageHeight_;
  UpdatePixelsPerInch();
  showGrid_ = other.showGrid_;
  snapToGrid_ = other.snapToGrid_;
  horzSpacing_ = other.horzSpacing_;
  vertSpacing_ = other.vertSpacing_;
  editMode_ = other.editMode_;
  insertionPoint_ = other.insertionPoint_;
  PageCount = other.PageCount;
  PageNumber = other.PageNumber;
  Sender = other.Sender;
  Recipient = other.Recipient;
  PageTitle = other.PageTitle;
  StationID = other.StationID;
}

void TFaxPanel::TakeContentFrom(TFaxPanel& other) {
  CopySettingsFrom(other);
  modified_ = other.modified_;
  fields_ = std::move(other.fields_);
  other.fields_.clear();
  selectedCount_ = other.selectedCount_;
  other.selectedCount_ = 0;
  for (auto& f : fields_) f->page_ = this;
}

}  // namespace telvane
