// A cover page design as a whole: the page with its fields, the unit of
// measure, the page options block and the untitled flag; saving and loading
// the .fcp design file.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "designer/fax_panel.h"
#include "designer/fcp_stream.h"

namespace telvane {

class TFaxDesigner {
 public:
  static constexpr int kHeaderSize = 1061;
  static constexpr int kPageOptionsSize = 1024;
  static constexpr uint8_t kUnitInches = 0;
  static constexpr uint8_t kUnitMillimetres = 1;

  // A new design: an empty page of 600 x 776 pixels and 8.5 x 11 inches,
  // untitled and not modified.
  TFaxDesigner();
  TFaxDesigner(const TFaxDesigner&) = delete;
  TFaxDesigner& operator=(const TFaxDesigner&) = delete;

  TFaxPanel& Page() { return page_; }
  const TFaxPanel& Page() const { return page_; }

  int PageWidthPixels() const { return page_.Width(); }
  int PageHeightPixels() const { return page_.Height(); }
  void SetPageWidthPixels(int pixels);
  void SetPageHeightPixels(int pixels);
  double PageWidthInches() const { return page_.PageWidth(); }
  double PageHeightInches() const { return page_.PageHeight(); }
  // Both inch setters then make the pixel height follow the paper's
  // proportions: height inches x width pixels / width inches (when the
  // width in inches is not 0).
  void SetPageWidthInches(double inches);
  void SetPageHeightInches(double inches);

  // 0 inches, 1 millimetres: shown by the rulers and the status line only.
  // Setting it fires the page's field-bounds event for the first selected
  // field, so that the status line is redrawn.
  uint8_t UnitOfMeasure() const { return unit_; }
  void SetUnitOfMeasure(uint8_t unit);

  // 1024 bytes kept exactly as read; byte 0 is the paper size index.
  const std::array<uint8_t, kPageOptionsSize>& PageOptions() const { return pageOptions_; }
  uint8_t PaperSizeIndex() const { return pageOptions_[0]; }
  void SetPaperSizeIndex(uint8_t index) { pageOptions_[0] = index; }

  bool Untitled() const { return untitled_; }

  // The design file's bytes. Saving clears the modified and untitled flags.
  QByteArray SaveToStream();
  // Loads a design file. The design is read aside and takes the place of
  // the current one only when the whole file was read; on any error the
  // design in memory is unchanged. A good load clears the modified and
  // untitled flags and leaves the last field selected.
  FcpResult LoadFromStream(const QByteArray& data);

  // The same with files. A file is written aside and renamed into place, so
  // that a failed save leaves the earlier file as it was.
  FcpResult SaveToFile(const QString& fileName);
  FcpResult LoadFromFile(const QString& fileName);

 private:
  QByteArray Serialize() const;
  FcpResult ReadDesign(const QByteArray& data);

  TFaxPanel page_;
  uint8_t unit_ = kUnitInches;
  std::array<uint8_t, kPageOptionsSize> pageOptions_{};
  bool untitled_ = true;
};

}  // namespace telvane
