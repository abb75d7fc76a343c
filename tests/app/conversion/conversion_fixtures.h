// Files the conversion tests work on: fax files made by the converter, a
// two-colour BMP, and whole-file reads to show the user's files untouched.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

#include "faxdoc/bmp_file.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"

namespace telvane::test {

inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// A fax file of `pages` pages of text in the fax font, one line each.
inline bool MakeFax(const QString& path, int pages) {
  QByteArray text;
  for (int page = 1; page <= pages; ++page) text += (page > 1 ? "\f" : "") + QByteArray("Page ") + QByteArray::number(page);
  const QString source = path + QStringLiteral(".txt");
  WriteFile(source, text);
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(source.toStdString());
  converter.OutFileName = path.toStdString();
  converter.ConvertDocument();
  QFile::remove(source);
  TApdFaxUnpacker check;
  check.SetInFileName(path.toStdString());
  return check.PageCountOf() == static_cast<unsigned>(pages);
}

// A two-colour BMP `width` by `height` with a black frame.
inline bool MakeTwoColourBmp(const QString& path, int width, int height) {
  Bitmap image(Bitmap::Format::Mono, width, height);
  for (int x = 0; x < width; ++x) image.SetPixel(x, 0, {}), image.SetPixel(x, height - 1, {});
  for (int y = 0; y < height; ++y) image.SetPixel(0, y, {}), image.SetPixel(width - 1, y, {});
  return SaveBmpFile(path.toStdString(), image) == 0;
}

// The first page of a fax file as the unpacker gives it, without aspect
// correction (null when it cannot be read).
inline Bitmap FirstPage(const QString& apf) {
  TApdFaxUnpacker unpacker;
  unpacker.AutoScaleMode = asNone;
  unpacker.SetInFileName(apf.toStdString());
  try {
    return unpacker.PageToBitmap(1);
  } catch (...) {
    return {};
  }
}

// Rows of a monochrome page with at least one black pixel.
inline int InkedRows(const Bitmap& page) {
  int rows = 0;
  for (int y = 0; y < page.Height(); ++y)
    for (int x = 0; x < page.Width(); ++x)
      if (page.Pixel(x, y) == RgbColor{}) {
        ++rows;
        break;
      }
  return rows;
}

}  // namespace telvane::test
