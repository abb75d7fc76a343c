// Saves pictures of the design surface with a sample design (design mode, a
// field selected, grid shown; then edit mode), of the page options dialog,
// of the fax page drawn from the design, and of the surface beside the fax
// page generated from it (converted to a fax file and read back), into the
// folder given as the first argument.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QScrollArea>
#include <QTemporaryDir>
#include <cstdio>

#include "designer/cover_generator.h"
#include "designer/ui/design_page.h"
#include "designer/ui/design_surface.h"
#include "designer/ui/page_options_form.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"
#include "viewer/page_bitmap_ops.h"
#include "viewer/user_notice.h"

using namespace telvane;

namespace {

QImage SampleLogo() {
  QImage logo(120, 120, QImage::Format_RGB32);
  logo.fill(Qt::white);
  QPainter p(&logo);
  p.setBrush(Qt::black);
  p.drawEllipse(10, 10, 100, 100);
  p.setBrush(Qt::white);
  p.drawRect(40, 40, 40, 40);
  return logo;
}

// The design's fax page as the fax file holds it: generated into a
// temporary file and unpacked again (null when either fails).
QImage GeneratedFaxPage(const TFaxPanel& page) {
  QTemporaryDir dir;
  const std::string file = dir.filePath(QStringLiteral("sample.apf")).toStdString();
  try {
    TApdFaxConverter converter;
    SetupCoverConverter(converter);
    GenerateFaxPage(page, converter, file);
    TApdFaxUnpacker unpacker;
    unpacker.SetInFileName(file);
    return ToMonoImage(unpacker.PageToBitmap(1));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "generating the sample page failed: %s\n", e.what());
    return {};
  }
}

// `left` and `right` side by side on a grey ground, `right` scaled to the
// height of `left` (its fax rows are half as high as its dots are wide at
// standard resolution, so it is scaled to the paper's proportions).
QImage SideBySide(const QImage& left, const QImage& right, double paperRatio) {
  const int height = left.height();
  const QImage scaled = right.scaled(qRound(height / paperRatio), height, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
  QImage both(left.width() + scaled.width() + 30, height + 20, QImage::Format_RGB32);
  both.fill(QColor(0x80, 0x80, 0x80));
  QPainter p(&both);
  p.drawImage(10, 10, left);
  p.drawImage(left.width() + 20, 10, scaled);
  return both;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());

  TDesignSurface surface;
  surface.resize(660, 700);
  TFaxPanel& page = surface.Designer().Page();
  page.SetShowGrid(true);
  page.SetInsertionPoint(QPoint(40, 30));
  TTextField* title = surface.AddTextField();
  title->SetText(QStringLiteral("传真封面 Fax cover page"));
  FieldFont big = title->Font();
  big.SetSize(20);
  title->SetFont(big);
  page.SetFieldBounds(*title, QRect(40, 30, 400, 40));
  page.SetInsertionPoint(QPoint(40, 120));
  TTextField* body = surface.AddTextField();
  body->SetText(QStringLiteral("发送者：$F\n接收者：$R\n总页：$N\n发送日期:$D"));
  page.SetFieldBounds(*body, QRect(40, 120, 300, 90));
  page.SetInsertionPoint(QPoint(440, 120));
  TImageField* logo = surface.AddImageField();
  logo->SetPicture(SampleLogo());
  page.SetInsertionPoint(QPoint(440, 300));
  surface.AddImageField();  // empty: shows its outline
  // The body text is selected, as after a click on it.
  page.DeselectAll();
  page.Select(*body);
  page.OnFieldBounds(40, 120, 300, 90);
  surface.show();
  app.processEvents();
  bool ok = surface.grab().save(out.filePath(QStringLiteral("designer_surface.png")));

  // Edit mode: the selected text field's editor takes the typing.
  surface.SetEditMode(true);
  app.processEvents();
  ok = surface.grab().save(out.filePath(QStringLiteral("designer_edit_mode.png"))) && ok;
  surface.SetEditMode(false);

  TPageOptionsForm form(QtUserNotice());
  PageOptions options;
  options.Unit = 1;
  options.PaperSize = 2;
  options.ShowGrid = true;
  form.SetOptions(options);
  form.show();
  app.processEvents();
  ok = form.grab().save(out.filePath(QStringLiteral("page_options.png"))) && ok;

  page.DeselectAll();
  ok = RenderCoverPage(page).save(out.filePath(QStringLiteral("generated_page.png"))) && ok;
  app.processEvents();
  const QImage faxPage = GeneratedFaxPage(page);
  const double paperRatio = surface.Designer().PageHeightInches() / surface.Designer().PageWidthInches();
  ok = !faxPage.isNull() && ok;
  if (!faxPage.isNull())
    ok = SideBySide(surface.Page()->grab().toImage(), faxPage, paperRatio)
             .save(out.filePath(QStringLiteral("designer_beside_fax_page.png"))) && ok;
  std::printf("%s\n", qPrintable(surface.StatusText()));
  return ok ? 0 : 1;
}
