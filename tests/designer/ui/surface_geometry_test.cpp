// The geometry rules of the surface without widgets: drag steps with
// clamping, snapping and side flips, handles, status line, rulers, filters.
#include <QTest>

#include "designer/fax_panel.h"
#include "designer/fcp_units.h"
#include "designer/ui/ruler.h"
#include "designer/ui/surface_geometry.h"
#include "viewer/file_filters.h"

using namespace telvane;

Q_DECLARE_METATYPE(telvane::DragMode)

namespace {

constexpr DragMode M(int v) { return static_cast<DragMode>(v); }

}  // namespace

class SurfaceGeometryTest : public QObject {
  Q_OBJECT

 private slots:
  void dragStep_data();
  void dragStep();
  void flippedMode_data();
  void flippedMode();
  void handles_data();
  void handles();
  void nudges_data();
  void nudges();
  void statusText_data();
  void statusText();
  void rulerTicks_data();
  void rulerTicks();
  void rulerDrawsTicksAndMarks();
  void fileFilters_data();
  void fileFilters();
};

void SurfaceGeometryTest::dragStep_data() {
  QTest::addColumn<bool>("snap");
  QTest::addColumn<int>("mode");
  QTest::addColumn<QRect>("field");
  QTest::addColumn<QPoint>("last");
  QTest::addColumn<QPoint>("pointer");
  QTest::addColumn<QRect>("bounds");
  QTest::addColumn<int>("nextMode");
  QTest::addColumn<QPoint>("nextLast");
  // Page 600 x 776, grid 20: snap limits 581 and 761.
  QTest::newRow("move snapped: 27 lands on 21")
      << true << 1 << QRect(1, 1, 41, 41) << QPoint(10, 10) << QPoint(36, 10) << QRect(21, 1, 41, 41) << 1
      << QPoint(30, 10);
  QTest::newRow("move unsnapped follows the pointer")
      << false << 1 << QRect(10, 10, 50, 50) << QPoint(20, 20) << QPoint(47, 25) << QRect(37, 15, 50, 50) << 1
      << QPoint(47, 25);
  QTest::newRow("move stops at the right edge")
      << false << 1 << QRect(500, 0, 100, 50) << QPoint(550, 10) << QPoint(700, 10) << QRect(500, 0, 100, 50) << 1
      << QPoint(550, 10);
  QTest::newRow("move stops at the top-left corner")
      << false << 1 << QRect(10, 10, 100, 50) << QPoint(20, 20) << QPoint(-100, -80) << QRect(0, 0, 100, 50) << 1
      << QPoint(10, 10);
  QTest::newRow("as wide as the page stays at left 0")
      << false << 1 << QRect(0, 0, 600, 50) << QPoint(300, 10) << QPoint(350, 10) << QRect(0, 0, 600, 50) << 1
      << QPoint(300, 10);
  QTest::newRow("as wide as the page with snapping stays on the page")
      << true << 1 << QRect(0, 1, 600, 41) << QPoint(300, 10) << QPoint(350, 10) << QRect(0, 1, 600, 41) << 1
      << QPoint(300, 10);
  QTest::newRow("snapped right edge past the limit steps back a spacing")
      << true << 1 << QRect(481, 1, 60, 41) << QPoint(500, 10) << QPoint(600, 10) << QRect(521, 1, 60, 41) << 1
      << QPoint(540, 10);
  QTest::newRow("right edge: width 50 snaps to 41")
      << true << 2 << QRect(21, 21, 41, 41) << QPoint() << QPoint(71, 30) << QRect(21, 21, 41, 41) << 2
      << QPoint(71, 30);
  QTest::newRow("right edge unsnapped")
      << false << 2 << QRect(21, 21, 41, 41) << QPoint() << QPoint(71, 30) << QRect(21, 21, 50, 41) << 2
      << QPoint(71, 30);
  QTest::newRow("right edge stops at the page")
      << false << 2 << QRect(500, 21, 41, 41) << QPoint() << QPoint(900, 30) << QRect(500, 21, 100, 41) << 2
      << QPoint(900, 30);
  QTest::newRow("left edge past the right edge becomes a right-edge drag")
      << false << 3 << QRect(100, 100, 50, 50) << QPoint() << QPoint(200, 120) << QRect(150, 100, 0, 50) << 2
      << QPoint(200, 120);
  QTest::newRow("collapsed right-edge drag grows to the right")
      << false << 2 << QRect(150, 100, 0, 50) << QPoint() << QPoint(180, 120) << QRect(150, 100, 30, 50) << 2
      << QPoint(180, 120);
  QTest::newRow("right edge past the left edge becomes a left-edge drag")
      << false << 2 << QRect(100, 100, 50, 50) << QPoint() << QPoint(40, 120) << QRect(100, 100, 0, 50) << 3
      << QPoint(40, 120);
  QTest::newRow("left edge moves the left side only")
      << false << 3 << QRect(100, 100, 50, 50) << QPoint() << QPoint(80, 120) << QRect(80, 100, 70, 50) << 3
      << QPoint(80, 120);
  QTest::newRow("left edge snapped")
      << true << 3 << QRect(101, 101, 41, 41) << QPoint() << QPoint(77, 120) << QRect(81, 101, 61, 41) << 3
      << QPoint(77, 120);
  QTest::newRow("top edge past the bottom becomes a bottom drag")
      << false << 5 << QRect(100, 100, 50, 50) << QPoint() << QPoint(120, 400) << QRect(100, 150, 50, 0) << 4
      << QPoint(120, 400);
  QTest::newRow("top-right corner with only the height collapsing becomes bottom-right")
      << false << 6 << QRect(100, 100, 50, 50) << QPoint() << QPoint(170, 300) << QRect(100, 150, 70, 0) << 8
      << QPoint(170, 300);
  QTest::newRow("bottom-right corner collapsing both ways becomes top-left")
      << false << 8 << QRect(100, 100, 50, 50) << QPoint() << QPoint(20, 20) << QRect(100, 100, 0, 0) << 9
      << QPoint(20, 20);
}

void SurfaceGeometryTest::dragStep() {
  QFETCH(bool, snap);
  QFETCH(int, mode);
  QFETCH(QRect, field);
  QFETCH(QPoint, last);
  QFETCH(QPoint, pointer);
  TFaxPanel page;
  page.SetSnapToGrid(snap);
  const DragResult r = DragStep(page, M(mode), field, pointer, last);
  QTEST(r.Bounds, "bounds");
  QTEST(static_cast<int>(r.Mode), "nextMode");
  QTEST(r.LastPoint, "nextLast");
  QVERIFY(r.Bounds.width() >= 0 && r.Bounds.height() >= 0);
}

void SurfaceGeometryTest::flippedMode_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("width");
  QTest::addColumn<bool>("height");
  QTest::addColumn<int>("flipped");
  const struct {
    int mode, heightOnly, widthOnly, both;
  } corners[] = {{6, 8, 9, 7}, {7, 9, 8, 6}, {8, 6, 7, 9}, {9, 7, 6, 8}};
  for (const auto& c : corners) {
    QTest::addRow("%d height", c.mode) << c.mode << false << true << c.heightOnly;
    QTest::addRow("%d width", c.mode) << c.mode << true << false << c.widthOnly;
    QTest::addRow("%d both", c.mode) << c.mode << true << true << c.both;
    QTest::addRow("%d none", c.mode) << c.mode << false << false << c.mode;
  }
  QTest::newRow("right") << 2 << true << false << 3;
  QTest::newRow("left") << 3 << true << false << 2;
  QTest::newRow("bottom") << 4 << false << true << 5;
  QTest::newRow("top") << 5 << false << true << 4;
  QTest::newRow("move never flips") << 1 << true << true << 1;
}

void SurfaceGeometryTest::flippedMode() {
  QFETCH(int, mode);
  QFETCH(bool, width);
  QFETCH(bool, height);
  QTEST(static_cast<int>(FlippedMode(M(mode), width, height)), "flipped");
}

void SurfaceGeometryTest::handles_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QPoint>("topLeft");
  QTest::addColumn<int>("cursor");
  // Field (100, 50) 41 x 21: halves 20 and 10.
  QTest::newRow("2 right") << 2 << QPoint(138, 58) << int(Qt::SizeHorCursor);
  QTest::newRow("3 left") << 3 << QPoint(98, 58) << int(Qt::SizeHorCursor);
  QTest::newRow("4 bottom") << 4 << QPoint(118, 68) << int(Qt::SizeVerCursor);
  QTest::newRow("5 top") << 5 << QPoint(118, 48) << int(Qt::SizeVerCursor);
  QTest::newRow("6 top right") << 6 << QPoint(138, 48) << int(Qt::SizeBDiagCursor);
  QTest::newRow("7 bottom left") << 7 << QPoint(98, 68) << int(Qt::SizeBDiagCursor);
  QTest::newRow("8 bottom right") << 8 << QPoint(138, 68) << int(Qt::SizeFDiagCursor);
  QTest::newRow("9 top left") << 9 << QPoint(98, 48) << int(Qt::SizeFDiagCursor);
}

void SurfaceGeometryTest::handles() {
  QFETCH(int, kind);
  const QRect r = HandleRect(M(kind), QRect(100, 50, 41, 21));
  QTEST(r.topLeft(), "topLeft");
  QCOMPARE(r.size(), QSize(5, 5));
  QTEST(int(DragCursor(M(kind))), "cursor");
  const std::array<int, 8> order = {9, 5, 6, 2, 8, 4, 7, 3};
  for (size_t i = 0; i < order.size(); ++i) QCOMPARE(static_cast<int>(kHandleOrder[i]), order[i]);
}

void SurfaceGeometryTest::nudges_data() {
  QTest::addColumn<bool>("snap");
  QTest::addColumn<QRect>("field");
  QTest::addColumn<int>("dx");
  QTest::addColumn<int>("dy");
  QTest::addColumn<bool>("resize");
  QTest::addColumn<QRect>("bounds");
  QTest::newRow("one pixel right") << false << QRect(10, 10, 50, 50) << 1 << 0 << false << QRect(11, 10, 50, 50);
  QTest::newRow("up stops at the top") << false << QRect(10, 0, 50, 50) << 0 << -1 << false << QRect(10, 0, 50, 50);
  QTest::newRow("snapped: one spacing") << true << QRect(21, 21, 41, 41) << 1 << 0 << false << QRect(41, 21, 41, 41);
  QTest::newRow("shift grows the width") << false << QRect(10, 10, 50, 50) << 1 << 0 << true << QRect(10, 10, 51, 50);
  QTest::newRow("shift keeps a pixel") << false << QRect(10, 10, 1, 50) << -1 << 0 << true << QRect(10, 10, 1, 50);
  QTest::newRow("growing stops at the page")
      << false << QRect(550, 10, 50, 50) << 1 << 0 << true << QRect(550, 10, 50, 50);
}

void SurfaceGeometryTest::nudges() {
  QFETCH(bool, snap);
  QFETCH(QRect, field);
  QFETCH(int, dx);
  QFETCH(int, dy);
  QFETCH(bool, resize);
  TFaxPanel page;
  page.SetSnapToGrid(snap);
  QTEST(NudgedBounds(page, field, dx, dy, resize), "bounds");
}

void SurfaceGeometryTest::statusText_data() {
  QTest::addColumn<int>("unit");
  QTest::addColumn<QString>("text");
  QTest::newRow("inches") << 0 << QStringLiteral("1.00\" x 0.50\" at (0.25\", 2.00\")");
  QTest::newRow("millimetres") << 1 << QStringLiteral("25.40 x 12.70 mm at (6.35, 50.80)");
}

void SurfaceGeometryTest::statusText() {
  QFETCH(int, unit);
  // 96 pixels per inch both ways: a field 1 x 0.5 inch at (0.25, 2).
  TFaxPanel page;
  page.SetBounds(816, 1056);
  QTEST(FieldStatusText(page, static_cast<uint8_t>(unit), QRect(24, 192, 96, 48)), "text");
}

void SurfaceGeometryTest::rulerTicks_data() {
  QTest::addColumn<int>("unit");
  QTest::addColumn<int>("offset");
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("index");
  QTest::addColumn<int>("kind");
  QTest::addColumn<int>("position");
  QTest::addColumn<QString>("text");
  using K = RulerTick::Kind;
  // 600 pixels over 8.5 inches: 70.59 pixels an inch, 27.79 a centimetre.
  QTest::newRow("inch tenth") << 0 << 0 << 85 << 0 << int(K::Dot) << 7 << QString();
  QTest::newRow("half inch") << 0 << 0 << 85 << 4 << int(K::Plus) << 35 << QStringLiteral("+");
  QTest::newRow("first inch") << 0 << 0 << 85 << 9 << int(K::Number) << 71 << QStringLiteral("1");
  QTest::newRow("eighth inch") << 0 << 0 << 85 << 79 << int(K::Number) << 565 << QStringLiteral("8");
  QTest::newRow("scrolled: nothing at 0 or less") << 0 << 30 << 81 << 0 << int(K::Plus) << 5 << QStringLiteral("+");
  QTest::newRow("quarter centimetre") << 1 << 0 << 86 << 0 << int(K::Dot) << 7 << QString();
  QTest::newRow("half centimetre") << 1 << 0 << 86 << 1 << int(K::Plus) << 14 << QStringLiteral("+");
  QTest::newRow("first centimetre") << 1 << 0 << 86 << 3 << int(K::Number) << 28 << QStringLiteral("1");
  QTest::newRow("tenth centimetre") << 1 << 0 << 86 << 39 << int(K::Number) << 278 << QStringLiteral("10");
}

void SurfaceGeometryTest::rulerTicks() {
  QFETCH(int, unit);
  QFETCH(int, offset);
  QFETCH(int, index);
  RulerScale scale;
  scale.Unit = static_cast<uint8_t>(unit);
  scale.Offset = offset;
  const std::vector<RulerTick> ticks = RulerTicks(scale);
  QTEST(static_cast<int>(ticks.size()), "count");
  QTEST(int(ticks.at(index).What), "kind");
  QTEST(ticks.at(index).Position, "position");
  QTEST(ticks.at(index).Text, "text");
}

void SurfaceGeometryTest::rulerDrawsTicksAndMarks() {
  TRuler ruler(Qt::Horizontal);
  ruler.resize(600, TRuler::kThickness);
  ruler.SetMarks(100, -7);
  QCOMPARE(ruler.MarkEnd(), -1);
  ruler.SetMarks(100, 200);
  ruler.SetOffset(30);
  const QImage image = ruler.grab().toImage();
  const QColor highlight = ruler.palette().color(QPalette::Highlight);
  const QColor text = ruler.palette().color(QPalette::WindowText);
  const QColor window = ruler.palette().color(QPalette::Window);
  // Marks across the ruler at mark - offset.
  for (int y : {0, 8, 15}) {
    QCOMPARE(image.pixelColor(70, y), highlight);
    QCOMPARE(image.pixelColor(170, y), highlight);
  }
  QCOMPARE(image.pixelColor(100, 15), window);
  // The tenth at 14 - 30 is scrolled away; the one at 42 - 30 is a dot in row 8.
  QCOMPARE(image.pixelColor(12, 8), text);
  QCOMPARE(image.pixelColor(12, 7), window);

  TRuler vertical(Qt::Vertical);
  vertical.resize(TRuler::kThickness, 900);
  const QImage column = vertical.grab().toImage();
  // By default 900 pixels over 11 inches: the first tenth is a dot in column 7.
  QCOMPARE(column.pixelColor(7, RoundToNearestEven(900 / 11.0 / 10)), text);
}

void SurfaceGeometryTest::fileFilters_data() {
  QTest::addColumn<QString>("paired");
  QTest::addColumn<QString>("qt");
  QTest::newRow("design files") << QStringLiteral("Fax cover page files (*.fcp)|*.fcp")
                                << QStringLiteral("Fax cover page files (*.fcp *.FCP)");
  QTest::newRow("text files") << QStringLiteral("文本文件 (*.txt)|*.TXT|所有文件(*.*)|*.*")
                              << QStringLiteral("文本文件 (*.TXT *.txt);;所有文件 (*)");
  QTest::newRow("several patterns") << QStringLiteral("Pictures|*.bmp;*.JPG")
                                    << QStringLiteral("Pictures (*.bmp *.BMP *.JPG *.jpg)");
}

void SurfaceGeometryTest::fileFilters() {
  QFETCH(QString, paired);
  QTEST(QtFileFilter(paired), "qt");
}

QTEST_MAIN(SurfaceGeometryTest)
#include "surface_geometry_test.moc"
