// Reading picture files for image fields: the fax document readers for BMP,
// JPEG, TIFF, PCX and DCX, Qt's image readers for everything else they know.
#pragma once

#include <QImage>
#include <QString>

namespace telvane {

// Reads the picture in `fileName` (the first page of a DCX file) as an
// image field holds it. Returns 0, or a negative error code: -8002 for an
// image no reader takes, negated file errors.
int ReadPictureFile(const QString& fileName, QImage& picture);

// The filter of the picture dialog: all readable pictures first, then one
// entry per type.
QString PictureFileFilter();

}  // namespace telvane
