// A fax page bitmap as a Qt image, for drawing it (viewer, printer, reports).
#pragma once

#include <QImage>

#include "faxdoc/bitmap.h"

namespace telvane {

// A monochrome bitmap as a 1-bit QImage of the same size that shares no data,
// with the colour table black (index 0), white (index 1). A null image when
// the memory cannot be had.
QImage ToMonoImage(const Bitmap& page);

}  // namespace telvane
