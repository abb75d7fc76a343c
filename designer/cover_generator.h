// Cover page generation: a design drawn with its tags filled in into an
// 844-pixel-wide bitmap, and that bitmap made into a one-page APF fax file.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <functional>
#include <string>

#include "designer/cover_renderer.h"
#include "faxdoc/fax_converter.h"
#include "designer/fcp_stream.h"

namespace telvane {

class TFaxDesigner;
class TFaxPanel;

// Fax pages are drawn 854 pixels across the page's width, less 10.
inline constexpr int kCoverScaleWidth = 854;
inline constexpr int kCoverTrim = 10;
// Taller pages than this are no cover page (some 100 inches of fax).
inline constexpr int kMaxCoverHeight = 10000;

// The bitmap size for a page: nearest(854 x width / width) - 10 (that is
// 844) by nearest(854 x height / width) - 10. Empty when the page has no
// width or the height would be below 1 or above kMaxCoverHeight.
QSize CoverBitmapSize(const TFaxPanel& page);

// The page drawn onto a white RGB bitmap of CoverBitmapSize, with the tag
// values of the page and the date and time of `now` (the current time when
// empty). A null image when the page has no usable size.
QImage RenderCoverPage(const TFaxPanel& page, const std::function<QDateTime()>& now = {});

// The converter settings of cover pages: left margin 20, options double
// width and yield.
void SetupCoverConverter(TApdFaxConverter& converter);

// The design file name without everything from the first "." of its last
// component ("covers/acme.v2.fcp" -> "covers/acme").
std::string CoverBaseName(const std::string& fileName);

// Generates the fax page of the open design into base name + ".APF" with
// `converter` (set up by the caller, normally with SetupCoverConverter).
// Returns the name written. Throws the converter's EAPDException errors, and
// EGeneral with -1002 when the page has no usable size.
std::string GenerateFromDesign(const TFaxDesigner& designer, const std::string& designFileName,
                               TApdFaxConverter& converter, const std::function<QDateTime()>& now = {});

// Draws the page and converts it into `outFileName` with `converter`, as
// GenerateFromDesign does; for callers that chose the name themselves (a
// design that has no file name yet).
void GenerateFaxPage(const TFaxPanel& page, TApdFaxConverter& converter, const std::string& outFileName,
                     const std::function<QDateTime()>& now = {});

struct CoverFileResult {
  FcpResult Load;           // why the design could not be read
  std::string OutFileName;  // the fax file written
  bool Written() const { return Load.Ok() && !OutFileName.empty(); }
};

// Generates the fax page of a design file into base name + ".apf" (or
// `outFileName` when given) with the given tag values. A design that cannot
// be read writes no fax file and says why. Converter failures throw as in
// GenerateFromDesign.
CoverFileResult GenerateFromDesignFile(const std::string& fileName, int pageNumber, int pageCount,
                                       const FaxCvtStatusEvent& status, const QString& stationId,
                                       const QString& pageTitle, const QString& recipient, const QString& sender,
                                       const std::function<QDateTime()>& now = {},
                                       const std::string& outFileName = {});

// The 844-pixel page as the converter's colour bitmap.
Bitmap ToConverterBitmap(const QImage& page);

}  // namespace telvane
