// The fields of a cover page design: text fields and image fields, each a
// rectangle in page pixels that saves, loads and draws itself.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "designer/fcp_stream.h"
#include "designer/field_font.h"

class QPainter;

namespace telvane {

class TFaxPanel;
struct DrawContext;

enum class FieldKind : uint8_t { ftText = 0, ftImage = 1 };

class TBaseField {
 public:
  virtual ~TBaseField() = default;
  TBaseField(const TBaseField&) = delete;
  TBaseField& operator=(const TBaseField&) = delete;

  virtual FieldKind Type() const = 0;

  // Bounds in page pixels. Changing them through the page (TFaxPanel::
  // SetFieldBounds) also marks the page modified and tells the views.
  const QRect& Bounds() const { return bounds_; }
  bool Selected() const { return selected_; }
  TFaxPanel* Page() const { return page_; }

  // Writes the whole field record, type byte first.
  virtual void SaveToStream(FcpWriter& out) const;
  // Reads the rest of the record after the type byte and applies it.
  virtual FcpResult LoadFromStream(FcpReader& in);
  // Draws the field onto a cover page canvas.
  virtual void DrawToCanvas(QPainter& canvas, const DrawContext& context) const = 0;

 protected:
  TBaseField() = default;
  // Marks the page modified and tells its views that this field changed.
  void Changed();

 private:
  friend class TFaxPanel;
  QRect bounds_;
  bool selected_ = false;
  TFaxPanel* page_ = nullptr;
};

// Fields are made by the page (TFaxPanel::AddTextField, AddImageField).
class TTextField : public TBaseField {
 public:
  static constexpr int kNewWidth = 200;

  FieldKind Type() const override { return FieldKind::ftText; }

  const FieldFont& Font() const { return font_; }
  void SetFont(const FieldFont& font);
  // The text, lines separated by '\n'.
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // The lines as the field's editor shows them: after word wrap at the
  // field's width.
  QStringList DisplayLines() const;

  void SaveToStream(FcpWriter& out) const override;
  FcpResult LoadFromStream(FcpReader& in) override;
  void DrawToCanvas(QPainter& canvas, const DrawContext& context) const override;

 private:
  friend class TFaxPanel;
  TTextField() = default;
  FieldFont font_;
  QString text_;
};

class TImageField : public TBaseField {
 public:
  static constexpr int kNewSize = 120;

  FieldKind Type() const override { return FieldKind::ftImage; }

  bool HasPicture() const { return !picture_.isNull(); }
  const QImage& Picture() const { return picture_; }
  // Holds `picture` as a bitmap (1-bit pictures stay 1-bit, others become
  // RGB; transparency is laid over white).
  void SetPicture(const QImage& picture);
  void ClearPicture();
  // Loads a picture file: BMP and JPEG through the fax document readers, any
  // other type Qt's image readers know. Returns 0 or a negative error code
  // (-8002 for an unreadable image, negated file errors).
  int LoadPictureFromFile(const QString& fileName);

  void SaveToStream(FcpWriter& out) const override;
  FcpResult LoadFromStream(FcpReader& in) override;
  void DrawToCanvas(QPainter& canvas, const DrawContext& context) const override;

 private:
  friend class TFaxPanel;
  TImageField() = default;
  QImage picture_;
  // The picture as a BMP file: as it was read from a design file, so that a
  // design is written back with the picture it came with.
  QByteArray bmp_;
};

}  // namespace telvane
