// The status lamp widget rendered offscreen: its size with and without a
// glyph, the pixels of the plain lamp, the glyph halves with their
// transparent colour, and the main window's glyphs.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <memory>
#include <thread>

#include "comm/status/light_set.h"
#include "app/widgets/status_light.h"
#include "app/widgets/status_light_glyphs.h"

using telvane::TApdStatusLight;
using telvane::TLightSet;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(0x80, 0x80, 0x80);
const QRgb kKey = qRgb(255, 0, 255);
const QRgb kParent = qRgb(0x33, 0x66, 0x99);

QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// A glyph of w x h in the key colour with one marked pixel in each half.
QPixmap MarkedGlyph(int w, int h, QPoint litAt, QRgb litColour, QPoint unlitAt, QRgb unlitColour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(kKey);
  image.setPixel(litAt, litColour);
  image.setPixel(unlitAt + QPoint(w / 2, 0), unlitColour);
  return QPixmap::fromImage(image);
}

}  // namespace

class StatusLightTest : public QObject {
  Q_OBJECT

 private slots:
  void defaults();
  void glyphFixesTheSize_data();
  void glyphFixesTheSize();
  void clearingTheGlyphGivesTheDefaultSizeBack();
  void plainLamp_data();
  void plainLamp();
  void glyphHalvesWithTransparentKeyColour_data();
  void glyphHalvesWithTransparentKeyColour();
  void litFromAnotherThreadRepaintsOnTheLampsThread();
  void destroyedLampLeavesItsSlot();
  void mainWindowGlyphs_data();
  void mainWindowGlyphs();
};

void StatusLightTest::defaults() {
  TApdStatusLight lamp;
  QCOMPARE(lamp.size(), QSize(13, 13));
  QCOMPARE(lamp.sizeHint(), QSize(13, 13));
  QVERIFY(!lamp.Lit());
  QCOMPARE(lamp.LitColor(), QColor(255, 0, 0));
  QCOMPARE(lamp.NotLitColor(), QColor(0, 0x80, 0));
  QVERIFY(lamp.Glyph().isNull());
  // Without a glyph the size is free.
  lamp.resize(20, 18);
  QCOMPARE(lamp.size(), QSize(20, 18));
}

void StatusLightTest::glyphFixesTheSize_data() {
  QTest::addColumn<QSize>("glyph");
  QTest::addColumn<QSize>("lamp");
  QTest::newRow("main window 32x16") << QSize(32, 16) << QSize(16, 16);
  QTest::newRow("wide and flat") << QSize(40, 7) << QSize(20, 7);
  QTest::newRow("odd width") << QSize(11, 9) << QSize(5, 9);
}

void StatusLightTest::glyphFixesTheSize() {
  QFETCH(QSize, glyph);
  QFETCH(QSize, lamp);
  QPixmap pixmap(glyph);
  pixmap.fill(Qt::black);
  TApdStatusLight light;
  light.SetGlyph(pixmap);
  QCOMPARE(light.size(), lamp);
  QCOMPARE(light.sizeHint(), lamp);
  light.resize(50, 3);
  QCOMPARE(light.size(), lamp);
  light.setGeometry(4, 5, 1, 100);
  QCOMPARE(light.geometry(), QRect(QPoint(4, 5), lamp));
}

void StatusLightTest::clearingTheGlyphGivesTheDefaultSizeBack() {
  QPixmap pixmap(32, 16);
  pixmap.fill(Qt::black);
  TApdStatusLight light;
  light.SetGlyph(pixmap);
  light.SetGlyph(QPixmap());
  QCOMPARE(light.size(), QSize(13, 13));
  light.resize(30, 30);
  QCOMPARE(light.size(), QSize(30, 30));
}

void StatusLightTest::plainLamp_data() {
  QTest::addColumn<bool>("lit");
  QTest::addColumn<QColor>("litColour");
  QTest::addColumn<QColor>("notLitColour");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<QRgb>("fill");
  QTest::newRow("unlit, default colours") << false << QColor() << QColor() << QSize(13, 13)
                                          << qRgb(0, 0x80, 0);
  QTest::newRow("lit, default colours") << true << QColor() << QColor() << QSize(13, 13)
                                        << qRgb(255, 0, 0);
  QTest::newRow("lit, own colour, larger") << true << QColor(0, 0, 200) << QColor(1, 2, 3)
                                           << QSize(20, 15) << qRgb(0, 0, 200);
  QTest::newRow("unlit, own colour") << false << QColor(0, 0, 200) << QColor(1, 2, 3)
                                     << QSize(13, 13) << qRgb(1, 2, 3);
}

void StatusLightTest::plainLamp() {
  QFETCH(bool, lit);
  QFETCH(QColor, litColour);
  QFETCH(QColor, notLitColour);
  QFETCH(QSize, size);
  QFETCH(QRgb, fill);
  TApdStatusLight light;
  if (litColour.isValid()) light.SetLitColor(litColour);
  if (notLitColour.isValid()) light.SetNotLitColor(notLitColour);
  light.resize(size);
  light.SetLit(lit);
  QImage image = Grab(light);
  QCOMPARE(image.size(), size);
  const int w = size.width(), h = size.height();

  // The outer ring and the inside are the fill.
  for (int x = 0; x < w; ++x) {
    QCOMPARE(At(image, x, 0), fill);
    QCOMPARE(At(image, x, h - 1), fill);
  }
  for (int y = 0; y < h; ++y) {
    QCOMPARE(At(image, 0, y), fill);
    QCOMPARE(At(image, w - 1, y), fill);
  }
  for (int y = 2; y < h - 2; ++y)
    for (int x = 2; x < w - 2; ++x) QCOMPARE(At(image, x, y), fill);
  // White along the top and the left one pixel inside, grey along the right
  // and the bottom, the grey lines running corner to corner.
  for (int x = 1; x < w - 2; ++x) QCOMPARE(At(image, x, 1), kWhite);
  for (int y = 1; y < h - 2; ++y) QCOMPARE(At(image, 1, y), kWhite);
  for (int y = 1; y < h - 1; ++y) QCOMPARE(At(image, w - 2, y), kGrey);
  for (int x = 1; x < w - 1; ++x) QCOMPARE(At(image, x, h - 2), kGrey);

  // Switching the lamp shows the other colour.
  light.SetLit(!lit);
  QVERIFY(At(Grab(light), w / 2, h / 2) != fill);
}

void StatusLightTest::glyphHalvesWithTransparentKeyColour_data() {
  QTest::addColumn<bool>("lit");
  QTest::newRow("lit: left half") << true;
  QTest::newRow("unlit: right half") << false;
}

void StatusLightTest::glyphHalvesWithTransparentKeyColour() {
  QFETCH(bool, lit);
  const QRgb red = qRgb(200, 0, 0), blue = qRgb(0, 0, 200);
  QWidget parent;
  parent.resize(40, 30);
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(kParent));
  parent.setPalette(palette);
  parent.setAutoFillBackground(true);
  auto* light = new TApdStatusLight(&parent);
  light->move(10, 5);
  light->SetGlyph(MarkedGlyph(12, 8, QPoint(2, 3), red, QPoint(4, 6), blue));
  QCOMPARE(light->size(), QSize(6, 8));
  light->SetLit(lit);

  QImage image = Grab(parent);
  QPoint marked = lit ? QPoint(2, 3) : QPoint(4, 6);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 6; ++x) {
      QRgb want = QPoint(x, y) == marked ? (lit ? red : blue) : kParent;
      QCOMPARE(At(image, 10 + x, 5 + y), want);
    }
  }
  // Beside the lamp the parent is untouched.
  QCOMPARE(At(image, 16, 5), kParent);
  QCOMPARE(At(image, 9, 12), kParent);
}

void StatusLightTest::litFromAnotherThreadRepaintsOnTheLampsThread() {
  TApdStatusLight light;
  std::thread([&] { light.SetLit(true); }).join();
  QVERIFY(light.Lit());
  QCoreApplication::processEvents();
  QCOMPARE(At(Grab(light), 6, 6), qRgb(255, 0, 0));
}

void StatusLightTest::destroyedLampLeavesItsSlot() {
  TLightSet lights;
  auto light = std::make_unique<TApdStatusLight>();
  TApdStatusLight other;
  lights.SetRXDLight(light.get());
  lights.SetTXDLight(&other);
  light.reset();
  QCOMPARE(lights.RXDLight(), nullptr);
  QCOMPARE(lights.TXDLight(), static_cast<telvane::IStatusLamp*>(&other));
}

void StatusLightTest::mainWindowGlyphs_data() {
  QTest::addColumn<int>("slot");
  QTest::addColumn<QString>("caption");
  const char* captions[] = {"CTS", "DSR", "DCD", "RI", "TXD", "RXD", "ERR", "BRK"};
  for (int i = 0; i < int(TLightSet::kSlotCount); ++i) QTest::newRow(captions[i]) << i << captions[i];
}

void StatusLightTest::mainWindowGlyphs() {
  QFETCH(int, slot);
  QFETCH(QString, caption);
  auto s = static_cast<TLightSet::Slot>(slot);
  QCOMPARE(QString(telvane::StatusLightCaption(s)), caption);
  QImage glyph = telvane::StatusLightGlyph(s).toImage().convertToFormat(QImage::Format_RGB32);
  QCOMPARE(glyph.size(), QSize(32, 16));
  QCOMPARE(At(glyph, 0, 0), kKey);

  // On a lamp: 16 x 16, corners show the parent, the middle differs by state.
  QWidget parent;
  parent.resize(16, 16);
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(kParent));
  parent.setPalette(palette);
  parent.setAutoFillBackground(true);
  auto* light = new TApdStatusLight(&parent);
  light->SetGlyph(telvane::StatusLightGlyph(s));
  QCOMPARE(light->size(), QSize(16, 16));
  light->SetLit(true);
  QImage on = Grab(parent);
  light->SetLit(false);
  QImage off = Grab(parent);
  for (QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)}) {
    QCOMPARE(At(on, corner.x(), corner.y()), kParent);
    QCOMPARE(At(off, corner.x(), corner.y()), kParent);
  }
  QVERIFY(At(on, 8, 10) != At(off, 8, 10));
  // The lit lamp is the brighter one.
  QVERIFY(QColor(At(on, 8, 10)).value() > QColor(At(off, 8, 10)).value());
  // No pixel of either picture is left in the key colour.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      QVERIFY(At(on, x, y) != kKey);
      QVERIFY(At(off, x, y) != kKey);
    }
}

QTEST_MAIN(StatusLightTest)
#include "status_light_test.moc"
