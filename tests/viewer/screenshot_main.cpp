// Saves pictures of the viewer window on a fax file, as a user sees it:
// viewer_screenshot FILE.apf OUTDIR writes OUTDIR/viewer-100.png (100 %, not
// turned) and OUTDIR/viewer-50-rot90.png (50 %, a quarter turn clockwise).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "viewer/view_fax_form.h"

namespace {

bool Save(QWidget& window, const QString& path) {
  QApplication::processEvents();
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "viewer_screenshot: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "Usage: viewer_screenshot FILE.apf OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  telvane::TViewFaxForm form(QStringList{QString::fromLocal8Bit(argv[1])});
  form.resize(900, 700);
  form.show();
  if (form.FaxViewer->NumPages() == 0) {
    std::fprintf(stderr, "viewer_screenshot: %s could not be opened\n", argv[1]);
    return 1;
  }
  if (!Save(form, out.filePath(QStringLiteral("viewer-100.png")))) return 1;
  form.SetZoom(50);
  form.SetRotationItem(1);
  if (!Save(form, out.filePath(QStringLiteral("viewer-50-rot90.png")))) return 1;
  return 0;
}
