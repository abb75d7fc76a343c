// Undoable edits of a cover page design.
#include "designer/ui/surface_commands.h"

#include <algorithm>

#include "designer/fax_designer.h"

namespace telvane {
namespace {

TBaseField* FieldAt(TFaxDesigner& designer, int index) {
  const auto& fields = designer.Page().Fields();
  return index >= 0 && index < static_cast<int>(fields.size()) ? fields[index].get() : nullptr;
}

}  // namespace

// ---- bounds ----

FieldBoundsCommand::FieldBoundsCommand(TFaxDesigner& designer, int index, const QRect& before, const QRect& after,
                                       bool alreadyApplied, int mergeId)
    : designer_(designer), index_(index), before_(before), after_(after), skipRedo_(alreadyApplied), mergeId_(mergeId) {
  setText(QStringLiteral("移动字段"));
}

void FieldBoundsCommand::undo() {
  if (TBaseField* f = FieldAt(designer_, index_)) designer_.Page().SetFieldBounds(*f, before_);
}

void FieldBoundsCommand::redo() {
  if (std::exchange(skipRedo_, false)) return;
  if (TBaseField* f = FieldAt(designer_, index_)) designer_.Page().SetFieldBounds(*f, after_);
}

bool FieldBoundsCommand::mergeWith(const QUndoCommand* other) {
  const auto* o = static_cast<const FieldBoundsCommand*>(other);
  if (o->index_ != index_) return false;
  after_ = o->after_;
  return true;
}

// ---- adding ----

AddFieldCommand::AddFieldCommand(TFaxDesigner& designer, Kind kind) : designer_(designer), kind_(kind) {
  setText(kind == Kind::Text ? QStringLiteral("添加文本字段") : QStringLiteral("添加图像字段"));
}

AddFieldCommand::~AddFieldCommand() = default;

void AddFieldCommand::redo() {
  TFaxPanel& page = designer_.Page();
  if (!removed_) {
    field_ = kind_ == Kind::Text ? static_cast<TBaseField*>(&page.AddTextField()) : &page.AddImageField();
    index_ = page.IndexOf(field_);
    return;
  }
  page.DeselectAll();
  page.InsertFieldAt(index_, std::move(removed_));
  if (page.OnSelectionChanged) page.OnSelectionChanged(true);
  if (page.OnFieldBounds) {
    const QRect& b = field_->Bounds();
    page.OnFieldBounds(b.left(), b.top(), b.width(), b.height());
  }
}

void AddFieldCommand::undo() {
  TFaxPanel& page = designer_.Page();
  removed_ = page.TakeFieldAt(index_);
  if (page.OnSelectionChanged) page.OnSelectionChanged(page.FirstSelected() != nullptr);
}

// ---- deleting ----

DeleteFieldsCommand::DeleteFieldsCommand(TFaxDesigner& designer) : designer_(designer) {
  setText(QStringLiteral("删除字段"));
  const auto& fields = designer.Page().Fields();
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i]->Selected()) indices_.push_back(static_cast<int>(i));
}

DeleteFieldsCommand::~DeleteFieldsCommand() = default;

void DeleteFieldsCommand::redo() {
  TFaxPanel& page = designer_.Page();
  removed_.clear();
  removed_.resize(indices_.size());
  // From the end, so that the places of the ones before stay put.
  for (size_t k = indices_.size(); k-- > 0;) removed_[k] = page.TakeFieldAt(indices_[k]);
  if (page.OnSelectionChanged) page.OnSelectionChanged(page.FirstSelected() != nullptr);
}

void DeleteFieldsCommand::undo() {
  TFaxPanel& page = designer_.Page();
  for (size_t k = 0; k < indices_.size(); ++k) page.InsertFieldAt(indices_[k], std::move(removed_[k]));
  removed_.clear();
  if (page.OnSelectionChanged) page.OnSelectionChanged(page.FirstSelected() != nullptr);
  if (const TBaseField* f = page.FirstSelected(); f && page.OnFieldBounds) {
    const QRect& b = f->Bounds();
    page.OnFieldBounds(b.left(), b.top(), b.width(), b.height());
  }
}

// ---- font ----

FontCommand::FontCommand(TFaxDesigner& designer, int index, FieldFont font, QRect bounds)
    : designer_(designer), index_(index), afterFont_(std::move(font)), afterBounds_(bounds) {
  setText(QStringLiteral("选择字体"));
  if (auto* f = dynamic_cast<TTextField*>(FieldAt(designer, index))) {
    beforeFont_ = f->Font();
    beforeBounds_ = f->Bounds();
  }
}

void FontCommand::Apply(const FieldFont& font, const QRect& bounds) {
  auto* f = dynamic_cast<TTextField*>(FieldAt(designer_, index_));
  if (!f) return;
  f->SetFont(font);
  designer_.Page().SetFieldBounds(*f, bounds);
}

void FontCommand::undo() { Apply(beforeFont_, beforeBounds_); }
void FontCommand::redo() { Apply(afterFont_, afterBounds_); }

// ---- text ----

TextCommand::TextCommand(TFaxDesigner& designer, int index, QString text, bool typing)
    : designer_(designer), index_(index), after_(std::move(text)), typing_(typing) {
  setText(typing ? QStringLiteral("输入文本") : QStringLiteral("载入文本"));
  if (auto* f = dynamic_cast<TTextField*>(FieldAt(designer, index))) before_ = f->Text();
}

void TextCommand::undo() {
  if (auto* f = dynamic_cast<TTextField*>(FieldAt(designer_, index_))) f->SetText(before_);
}

void TextCommand::redo() {
  if (auto* f = dynamic_cast<TTextField*>(FieldAt(designer_, index_)); f && f->Text() != after_) f->SetText(after_);
}

bool TextCommand::mergeWith(const QUndoCommand* other) {
  const auto* o = static_cast<const TextCommand*>(other);
  if (o->index_ != index_) return false;
  after_ = o->after_;
  return true;
}

// ---- picture ----

PictureCommand::PictureCommand(TFaxDesigner& designer, int index, QImage picture)
    : designer_(designer), index_(index), after_(std::move(picture)) {
  setText(QStringLiteral("载入图像"));
  if (auto* f = dynamic_cast<TImageField*>(FieldAt(designer, index))) before_ = f->Picture();
}

void PictureCommand::Apply(const QImage& picture) {
  auto* f = dynamic_cast<TImageField*>(FieldAt(designer_, index_));
  if (!f) return;
  if (picture.isNull())
    f->ClearPicture();
  else
    f->SetPicture(picture);
}

void PictureCommand::undo() { Apply(before_); }
void PictureCommand::redo() { Apply(after_); }

// ---- page settings ----

PageSettings PageSettings::Of(const TFaxDesigner& designer) {
  const TFaxPanel& page = designer.Page();
  PageSettings s;
  s.WidthPixels = page.Width();
  s.HeightPixels = page.Height();
  s.WidthInches = page.PageWidth();
  s.HeightInches = page.PageHeight();
  s.HorzSpacing = page.HorzGridSpacing();
  s.VertSpacing = page.VertGridSpacing();
  s.SnapToGrid = page.SnapToGrid();
  s.ShowGrid = page.ShowGrid();
  s.Unit = designer.UnitOfMeasure();
  s.PaperSize = designer.PaperSizeIndex();
  for (const auto& f : page.Fields()) s.Bounds.push_back(f->Bounds());
  return s;
}

void PageSettings::ApplyTo(TFaxDesigner& designer) const {
  TFaxPanel& page = designer.Page();
  // Snapping off first, so that the page size does not snap the fields.
  page.SetSnapToGrid(false);
  page.SetBounds(WidthPixels, HeightPixels);
  page.SetPageWidth(WidthInches);
  page.SetPageHeight(HeightInches);
  page.SetGridSpacing(HorzSpacing, VertSpacing);
  page.SetShowGrid(ShowGrid);
  designer.SetPaperSizeIndex(PaperSize);
  page.SetSnapToGrid(SnapToGrid);
  // The bounds as they were, whatever the page size and snapping did.
  const auto& fields = page.Fields();
  for (size_t i = 0; i < fields.size() && i < Bounds.size(); ++i) page.SetFieldBounds(*fields[i], Bounds[i]);
  designer.SetUnitOfMeasure(Unit);
}

PageSettingsCommand::PageSettingsCommand(TFaxDesigner& designer, PageSettings before, PageSettings after)
    : designer_(designer), before_(std::move(before)), after_(std::move(after)) {
  setText(QStringLiteral("页面设置"));
}

void PageSettingsCommand::undo() { before_.ApplyTo(designer_); }

void PageSettingsCommand::redo() {
  if (std::exchange(skipRedo_, false)) return;
  after_.ApplyTo(designer_);
}

}  // namespace telvane
