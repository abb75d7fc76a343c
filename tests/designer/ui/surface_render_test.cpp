// The surface shows a design as generation draws it: a grab of the page
// (no grid, nothing selected) against RenderCoverPage of the same design, on
// a page 854 pixels wide so that both draw at the same scale.
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "designer/cover_generator.h"
#include "tests/designer/ui/surface_fixture.h"

using namespace telvane;
using telvane::test::SurfaceFixture;

namespace {

struct Ink {
  int Dark = 0;
  QRect Box;  // bounding box of the dark pixels
};

Ink DarkPixels(const QImage& image, const QRect& area) {
  Ink ink;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 128) {
        ++ink.Dark;
        ink.Box |= QRect(x, y, 1, 1);
      }
  return ink;
}

QImage Logo() {
  QImage logo(100, 80, QImage::Format_RGB32);
  logo.fill(Qt::white);
  QPainter p(&logo);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawEllipse(5, 5, 70, 70);
  p.fillRect(60, 10, 30, 60, Qt::black);
  return logo;
}

}  // namespace

class SurfaceRenderTest : public QObject {
  Q_OBJECT

 private slots:
  void surfaceMatchesGeneratedPage_data();
  void surfaceMatchesGeneratedPage();
  void designMadeWithMouseAndKeysSurvivesTheFile();
  void gridDots_data();
  void gridDots();
};

void SurfaceRenderTest::designMadeWithMouseAndKeysSurvivesTheFile() {
  QTemporaryDir dir;
  const QString picture = dir.filePath(QStringLiteral("logo.png"));
  QVERIFY(Logo().save(picture));
  SurfaceFixture fx;
  fx.Make();
  fx.Page().SetSnapToGrid(true);
  // A right click chooses where the text goes; typed in edit mode.
  QTest::mouseClick(fx.PageWidget(), Qt::RightButton, {}, QPoint(60, 40));
  TTextField* t = fx.surface->AddTextField();
  fx.surface->SetEditMode(true);
  QTest::keyClicks(fx.Widget(t)->Editor(), QStringLiteral("Fax cover"));
  fx.surface->SetEditMode(false);
  // Dragged down by its bottom handle, then nudged right.
  fx.Click(t);
  fx.Drag(fx.Handle(t, DragMode::Bottom), QPoint(2, 2), {QPoint(160, 130)});
  QTest::keyClick(fx.Widget(t), Qt::Key_Right);
  QCOMPARE(t->Bounds(), QRect(81, 41, 201, 81));
  // A picture by double click, moved with the mouse.
  QTest::mouseClick(fx.PageWidget(), Qt::RightButton, {}, QPoint(300, 300));
  TImageField* image = fx.surface->AddImageField();
  fx.surface->ChooseOpenFile = [&](QWidget*, const QString&, const QString&) { return picture; };
  QTest::mouseDClick(fx.Widget(image), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(fx.Widget(image), Qt::LeftButton, {}, QPoint(3, 3));
  QVERIFY(image->HasPicture());
  fx.Drag(fx.Widget(image), QPoint(10, 10), {QPoint(350, 420)});
  QCOMPARE(image->Bounds(), QRect(341, 401, 121, 121));

  const QString path = dir.filePath(QStringLiteral("cover.fcp"));
  QVERIFY(fx.surface->SaveDesign(path).Ok());
  SurfaceFixture loaded;
  loaded.Make();
  QVERIFY(loaded.surface->LoadDesign(path).Ok());
  const auto now = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
  const QImage before = RenderCoverPage(fx.Page(), now);
  const QImage after = RenderCoverPage(loaded.Page(), now);
  QVERIFY(DarkPixels(before, before.rect()).Dark > 500);
  QCOMPARE(after, before);
  QCOMPARE(loaded.PageWidget()->grab().toImage().size(), QSize(600, 776));
}

void SurfaceRenderTest::gridDots_data() {
  QTest::addColumn<int>("hs");
  QTest::addColumn<int>("vs");
  QTest::newRow("20 x 20") << 20 << 20;
  QTest::newRow("15 x 25") << 15 << 25;
  QTest::newRow("1 x 40: a row of dots is a line") << 1 << 40;
}

void SurfaceRenderTest::gridDots() {
  QFETCH(int, hs);
  QFETCH(int, vs);
  SurfaceFixture fx;
  fx.Make();
  fx.Page().SetGridSpacing(hs, vs);
  const QImage bare = fx.PageWidget()->grab().toImage();
  QCOMPARE(DarkPixels(bare, bare.rect()).Dark, 0);
  fx.Page().SetShowGrid(true);
  const QImage grid = fx.PageWidget()->grab().toImage();
  // Dots at 1 + i * spacing inside the 600 x 776 page, and nowhere else.
  const int columns = (600 - 2) / hs + 1, rows = (776 - 2) / vs + 1;
  QCOMPARE(DarkPixels(grid, grid.rect()).Dark, columns * rows);
  QCOMPARE(qGray(grid.pixel(1, 1)), 0);
  QCOMPARE(qGray(grid.pixel(1 + hs, 1 + vs)), 0);
  QCOMPARE(qGray(grid.pixel(1, 2)), 255);
  QCOMPARE(qGray(grid.pixel(0, 0)), 255);
}

void SurfaceRenderTest::surfaceMatchesGeneratedPage_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("points");
  QTest::addColumn<bool>("picture");
  QTest::newRow("Chinese and Latin text with a picture")
      << QStringLiteral("传真封面 Fax cover page\n发送者：王先生 12:30") << 14 << true;
  QTest::newRow("wrapped long text") << QStringLiteral("这是一段很长的文字，它在字段的宽度处换行，和生成的传真页一样。")
                                     << 11 << false;
  QTest::newRow("large bold heading") << QStringLiteral("封面 COVER") << 28 << true;
}

void SurfaceRenderTest::surfaceMatchesGeneratedPage() {
  QFETCH(QString, text);
  QFETCH(int, points);
  QFETCH(bool, picture);
  SurfaceFixture fx;
  fx.Make(854, 1105);
  TFaxPanel& page = fx.Page();
  page.SetInsertionPoint(QPoint(40, 30));
  TTextField* t = fx.surface->AddTextField();
  FieldFont font = t->Font();
  font.SetSize(points);
  font.Bold = points > 20;
  t->SetFont(font);
  t->SetText(text);
  page.SetFieldBounds(*t, QRect(40, 30, 300, 400));
  if (picture) {
    page.SetInsertionPoint(QPoint(500, 100));
    TImageField* image = fx.surface->AddImageField();
    image->SetPicture(Logo());
    page.SetFieldBounds(*image, QRect(500, 100, 230, 170));
  }
  page.DeselectAll();
  QVERIFY(!page.ShowGrid());
  QTest::qWait(0);

  const QImage generated = RenderCoverPage(page);
  QCOMPARE(generated.size(), QSize(844, 1095));
  const QImage screen = fx.PageWidget()->grab().toImage();
  QCOMPARE(screen.size(), QSize(854, 1105));
  const QRect area(0, 0, 844, 1095);
  const Ink a = DarkPixels(screen, area);
  const Ink b = DarkPixels(generated, area);
  QVERIFY2(b.Dark > 200, "the design draws something");
  QVERIFY2(std::abs(a.Dark - b.Dark) <= b.Dark / 50, qPrintable(QStringLiteral("screen %1, fax page %2").arg(a.Dark).arg(b.Dark)));
  QVERIFY2((a.Box.topLeft() - b.Box.topLeft()).manhattanLength() <= 2 &&
               (a.Box.bottomRight() - b.Box.bottomRight()).manhattanLength() <= 2,
           "the ink lies in the same place");
}

QTEST_MAIN(SurfaceRenderTest)
#include "surface_render_test.moc"
