// The fax viewer widget: opening and walking pages, the keyboard table,
// turning, scaling, selection and the clipboard, dropped files and errors.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTransform>
#include <memory>
#include <vector>

#include "tests/support/apf_pages.h"
#include "base/exceptions.h"
#include "viewer/fax_viewer.h"
#include "viewer/page_bitmap_ops.h"
#include "tests/viewer/viewer_test_files.h"

using telvane::Bitmap;
using telvane::DisplayScale;
using telvane::EAPDException;
using telvane::TApdFaxViewer;
using namespace telvane::test;

namespace {

// The error code an action raises, 0 when it raises none.
template <typename F>
int CodeOf(F&& f) {
  try {
    f();
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  return 0;
}

void Key(TApdFaxViewer& v, Qt::Key key, bool ctrl = false) {
  QTest::keyClick(&v, key, ctrl ? Qt::ControlModifier : Qt::NoModifier);
}

}  // namespace

class FaxViewerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void openAndWalkPagesWithKeys();
  void onePageHeldUnlessWholeFax();
  void wholeFaxTurnsEveryPage();
  void keyboardTable_data();
  void keyboardTable();
  void ctrlHomeAndEndOnOnePageFileScrollToTopLeft();
  void rotationOneThenThreeThenZeroGivesTheFirstPicture();
  void quarterTurnMatchesQtsRotation();
  void equalPairsAreStoredAsOneWithoutRedrawing();
  void scalingShowsTheStretchedSize();
  void selectAllAndCopyPutTheDisplayedSizeOnTheClipboard();
  void clickWithoutMovementIsNoSelection();
  void dragSelectsAndPageChangeDropsIt();
  void standardResolutionKeepsItsAspect();
  void openingErrors();
  void whitespaceToAboveFromIsRefused();
  void droppedFileIsOpened();
  void paintingUsesTheColoursAndInvertsTheSelection();
  void autoScrollWhileSelectingBeyondTheEdge();
  void whitespaceCompressionShortensBlankRuns();

 private:
  std::unique_ptr<TempDir> dir_;
  std::string three_, one_;
};

void FaxViewerTest::initTestCase() {
  dir_ = std::make_unique<TempDir>();
  three_ = MakeTextFax(*dir_, "three.apf", 3, true);
  one_ = MakeTextFax(*dir_, "one.apf", 1, true);
}

void FaxViewerTest::openAndWalkPagesWithKeys() {
  TApdFaxViewer v;
  v.resize(400, 300);
  int changes = 0;
  v.OnPageChange = [&](TApdFaxViewer&) { ++changes; };
  QCOMPARE(v.ActivePage(), 0u);
  v.SetFileName(three_);
  QCOMPARE(v.NumPages(), 3u);
  QCOMPARE(v.ActivePage(), 1u);
  QCOMPARE(changes, 1);
  Key(v, Qt::Key_PageDown);
  QCOMPARE(v.ActivePage(), 2u);
  Key(v, Qt::Key_PageDown);
  Key(v, Qt::Key_PageDown);  // already on the last page
  QCOMPARE(v.ActivePage(), 3u);
  Key(v, Qt::Key_PageUp);
  QCOMPARE(v.ActivePage(), 2u);
  Key(v, Qt::Key_Home, true);
  QCOMPARE(v.ActivePage(), 1u);
  Key(v, Qt::Key_End, true);
  QCOMPARE(v.ActivePage(), 3u);
  QCOMPARE(changes, 6);
  QCOMPARE(CodeOf([&] { v.SetActivePage(4); }), -1002);
  QCOMPARE(CodeOf([&] { v.SetActivePage(0); }), -1002);
  v.SetFileName("");
  QCOMPARE(v.ActivePage(), 0u);
  QCOMPARE(v.NumPages(), 0u);
  v.SetActivePage(7);  // no file: nothing happens
}

void FaxViewerTest::onePageHeldUnlessWholeFax() {
  TApdFaxViewer v;
  v.SetFileName(three_);
  v.SetActivePage(3);
  v.SetActivePage(2);
  QCOMPARE(v.PagesInMemory(), 1u);
  TApdFaxViewer whole;
  whole.SetLoadWholeFax(true);
  whole.SetFileName(three_);
  QCOMPARE(whole.PagesInMemory(), 3u);
}

// With every page in memory a turn applies to all of them, and they stay in
// memory; pages read again after a change of the unpacker's settings come
// back turned as well.
void FaxViewerTest::wholeFaxTurnsEveryPage() {
  TApdFaxViewer plain;
  plain.SetFileName(three_);
  std::vector<Bitmap> pages;
  for (unsigned p = 1; p <= 3; ++p) pages.push_back(plain.PageBitmap(p));
  TApdFaxViewer whole;
  whole.SetLoadWholeFax(true);
  whole.SetFileName(three_);
  whole.SetRotation(1);
  whole.SetRotation(2);
  QCOMPARE(whole.PagesInMemory(), 3u);
  for (unsigned p = 1; p <= 3; ++p) QVERIFY(SamePixels(whole.PageBitmap(p), telvane::TurnBitmap(pages[p - 1], 2)));
  whole.SetAutoScaleMode(telvane::asNone);  // a high-resolution page looks the same
  whole.SetActivePage(3);
  QVERIFY(SamePixels(whole.PageBitmap(3), telvane::TurnBitmap(pages[2], 2)));
  QCOMPARE(whole.DisplayedSize(), QSize(pages[2].Width(), pages[2].Height()));
}

void FaxViewerTest::keyboardTable_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("ctrl");
  QTest::addColumn<QPoint>("start");
  QTest::addColumn<QPoint>("expected");  // -1 stands for the range of that axis
  QTest::newRow("right") << int(Qt::Key_Right) << false << QPoint(0, 0) << QPoint(8, 0);
  QTest::newRow("ctrl right") << int(Qt::Key_Right) << true << QPoint(0, 0) << QPoint(80, 0);
  QTest::newRow("left") << int(Qt::Key_Left) << false << QPoint(100, 0) << QPoint(92, 0);
  QTest::newRow("ctrl left") << int(Qt::Key_Left) << true << QPoint(100, 0) << QPoint(20, 0);
  QTest::newRow("down") << int(Qt::Key_Down) << false << QPoint(0, 0) << QPoint(0, 8);
  QTest::newRow("ctrl down") << int(Qt::Key_Down) << true << QPoint(0, 0) << QPoint(0, 80);
  QTest::newRow("up") << int(Qt::Key_Up) << false << QPoint(0, 50) << QPoint(0, 42);
  QTest::newRow("ctrl up at 50 stops at 0") << int(Qt::Key_Up) << true << QPoint(0, 50) << QPoint(0, 0);
  QTest::newRow("home") << int(Qt::Key_Home) << false << QPoint(100, 50) << QPoint(0, 50);
  QTest::newRow("end") << int(Qt::Key_End) << false << QPoint(0, 50) << QPoint(-1, 50);
  QTest::newRow("ctrl page up") << int(Qt::Key_PageUp) << true << QPoint(30, 50) << QPoint(30, 0);
  QTest::newRow("ctrl page down") << int(Qt::Key_PageDown) << true << QPoint(30, 0) << QPoint(30, -1);
}

void FaxViewerTest::keyboardTable() {
  QFETCH(int, key);
  QFETCH(bool, ctrl);
  QFETCH(QPoint, start);
  QFETCH(QPoint, expected);
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  v.SetFileName(three_);
  v.SetActivePage(2);
  const QPoint range = v.ScrollRange();
  QVERIFY(range.x() > 200 && range.y() > 200);
  v.horizontalScrollBar()->setValue(start.x());
  v.verticalScrollBar()->setValue(start.y());
  Key(v, static_cast<Qt::Key>(key), ctrl);
  QCOMPARE(v.ScrollOffset(), QPoint(expected.x() < 0 ? range.x() : expected.x(),
                                    expected.y() < 0 ? range.y() : expected.y()));
  QCOMPARE(v.ActivePage(), 2u);
}

void FaxViewerTest::ctrlHomeAndEndOnOnePageFileScrollToTopLeft() {
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  v.SetFileName(one_);
  for (Qt::Key key : {Qt::Key_End, Qt::Key_Home}) {
    v.horizontalScrollBar()->setValue(120);
    v.verticalScrollBar()->setValue(90);
    QCOMPARE(v.ScrollOffset(), QPoint(120, 90));
    Key(v, key, true);
    QCOMPARE(v.ScrollOffset(), QPoint(0, 0));
    QCOMPARE(v.ActivePage(), 1u);
  }
}

void FaxViewerTest::rotationOneThenThreeThenZeroGivesTheFirstPicture() {
  TApdFaxViewer v;
  v.SetFileName(MakeTextFax(*dir_, "margin.apf", 2, true, 5));
  const Bitmap first = v.PageBitmap(1);
  QVERIFY(first.Width() % 16 == 0);
  QVERIFY(first.Height() % 16 != 0);  // the case where a turned page has padding bits
  v.SetRotation(1);
  QCOMPARE(v.DisplayedSize(), QSize(first.Height(), first.Width()));
  v.SetRotation(3);
  QCOMPARE(v.PageWidth(1), first.Height());
  v.SetRotation(0);
  QVERIFY(SamePixels(v.PageBitmap(1), first));
  // A page unpacked while turned comes out turned.
  v.SetRotation(2);
  v.SetActivePage(2);
  v.SetActivePage(1);
  QVERIFY(SamePixels(v.PageBitmap(1), telvane::TurnBitmap(first, 2)));
  QCOMPARE(CodeOf([&] { v.SetRotation(4); }), -1002);
}

void FaxViewerTest::quarterTurnMatchesQtsRotation() {
  TApdFaxViewer v;
  v.SetFileName(one_);
  const Bitmap page = v.PageBitmap(1);
  const QImage original = ToQImage(page);
  for (int turn : {1, 2, 3}) {
    const QImage expected = original.transformed(QTransform().rotate(90 * turn));
    QCOMPARE(ToQImage(telvane::TurnBitmap(page, turn)), expected);
  }
}

void FaxViewerTest::equalPairsAreStoredAsOneWithoutRedrawing() {
  TApdFaxViewer v;
  v.SetFileName(one_);
  const unsigned shown = v.ShowCount();
  v.ApplyScale(DisplayScale{2, 2, 1, 1});
  QCOMPARE(v.ScaleInEffect(), (DisplayScale{1, 1, 1, 1}));
  QCOMPARE(v.ShowCount(), shown);
  v.ApplyScale(DisplayScale{1, 2, 3, 3});
  QCOMPARE(v.ScaleInEffect(), (DisplayScale{1, 2, 1, 1}));
  QCOMPARE(v.ShowCount(), shown + 1);
  // Under an update lock the factors are stored and shown at EndUpdate.
  v.BeginUpdate();
  v.ApplyScale(DisplayScale{3, 1, 3, 1});
  QCOMPARE(v.ShowCount(), shown + 1);
  v.EndUpdate();
  QCOMPARE(v.ShowCount(), shown + 2);
}

void FaxViewerTest::scalingShowsTheStretchedSize() {
  TApdFaxViewer v;
  v.SetFileName(one_);
  const QSize page(v.PageWidth(1), v.PageHeight(1));
  v.SetHorizMult(3);
  v.SetHorizDiv(2);
  QCOMPARE(v.DisplayedSize(), page);  // factors are stored but not applied while Scaling is off
  v.SetScaling(true);
  QCOMPARE(v.DisplayedSize(), QSize(page.width() * 3 / 2, page.height()));
  v.SetHorizMult(0);  // ignored
  QCOMPARE(v.HorizMult(), 3u);
  v.SetScaling(false);
  QCOMPARE(v.DisplayedSize(), page);
}

void FaxViewerTest::selectAllAndCopyPutTheDisplayedSizeOnTheClipboard() {
  TApdFaxViewer v;
  QCOMPARE(CodeOf([&] { v.SelectImage(); }), -8050);
  QCOMPARE(CodeOf([&] { v.CopyToClipboard(); }), -8050);
  v.SetFileName(one_);
  const QSize page(v.PageWidth(1), v.PageHeight(1));
  v.SelectImage();
  v.CopyToClipboard();
  QImage copied = QGuiApplication::clipboard()->image();
  QCOMPARE(copied.size(), page);
  QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), ToQImage(v.PageBitmap(1)));
  // Half width: the copy is cut from the page as shown, half as wide.
  v.SetHorizDiv(2);
  v.SetScaling(true);
  v.SelectImage();
  v.CopyToClipboard();
  copied = QGuiApplication::clipboard()->image();
  QCOMPARE(copied.size(), QSize(page.width() / 2, page.height()));
  // Every black pixel of the page is still black in the half-width copy.
  const QImage full = ToQImage(v.PageBitmap(1));
  const QImage half = copied.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < full.height(); ++y)
    for (int x = 0; x < half.width() * 2; ++x)
      if (full.pixel(x, y) == 0xFF000000u) QCOMPARE(half.pixel(x / 2, y), 0xFF000000u);
}

void FaxViewerTest::clickWithoutMovementIsNoSelection() {
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  v.SetFileName(one_);
  v.SelectImage();
  QVERIFY(v.HasSelection());
  QTest::mouseClick(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
  QVERIFY(!v.HasSelection());
  QCOMPARE(CodeOf([&] { v.CopyToClipboard(); }), -8051);
}

void FaxViewerTest::dragSelectsAndPageChangeDropsIt() {
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  v.SetFileName(three_);
  v.horizontalScrollBar()->setValue(16);
  QTest::mousePress(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 40));
  QTest::mouseMove(v.viewport(), QPoint(10, 90));
  QTest::mouseRelease(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 90));
  QVERIFY(v.HasSelection());
  QCOMPARE(v.Selection(), QRect(QPoint(26, 40), QPoint(66, 90)));  // ordered, in page coordinates
  v.CopyToClipboard();
  QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(41, 51));
  v.SetActivePage(2);
  QVERIFY(!v.HasSelection());
}

void FaxViewerTest::standardResolutionKeepsItsAspect() {
  const std::string normal = MakeTextFax(*dir_, "normal.apf", 1, false);
  const auto lines = ReadApfPages(normal).at(0).size();
  TApdFaxViewer v;
  v.SetFileName(normal);
  QCOMPARE(size_t(v.PageHeight(1)), 2 * lines);  // the default: every line twice
  v.SetAutoScaleMode(telvane::asHalfWidth);
  QCOMPARE(size_t(v.PageHeight(1)), lines);
  QVERIFY(v.PageWidth(1) <= 864);
  // A high-resolution page is left as it is.
  TApdFaxViewer fine;
  fine.SetFileName(one_);
  QCOMPARE(size_t(fine.PageHeight(1)), ReadApfPages(one_).at(0).size());
}

void FaxViewerTest::openingErrors() {
  TApdFaxViewer v;
  v.SetFileName(three_);
  // A wrong name leaves the file on screen as it was.
  QCOMPARE(CodeOf([&] { v.SetFileName(dir_->File("missing.apf")); }), -2);
  const std::string text = dir_->File("plain.apf");
  WriteAll(text, "this is not a fax file at all, only text");
  QCOMPARE(CodeOf([&] { v.SetFileName(text); }), -8001);
  QCOMPARE(v.FileName(), three_);
  QCOMPARE(v.NumPages(), 3u);
  // An error while showing a later page closes the file and is reported.
  const std::string cut = dir_->File("cut.apf");
  std::string bytes = ReadAll(three_);
  bytes[32] = 5;  // the header claims five pages, the file holds three
  WriteAll(cut, bytes);
  int error = 0;
  v.OnViewerError = [&](TApdFaxViewer&, int32_t code) { error = code; };
  v.SetFileName(cut);
  v.SetActivePage(4);
  QVERIFY(error < 0);
  QCOMPARE(v.NumPages(), 0u);
}

void FaxViewerTest::whitespaceToAboveFromIsRefused() {
  TApdFaxViewer v;
  v.SetWhitespaceCompression(true);
  QCOMPARE(CodeOf([&] { v.SetWhitespace(true, 2, 5); }), -1002);
  QCOMPARE(CodeOf([&] { v.SetWhitespace(true, 10, 2); }), 0);
  // A refused pair changes nothing: the settings still match the page shown.
  v.SetFileName(MakeTextFax(*dir_, "blank-top.apf", 1, true, 40));
  const int compressed = v.PageHeight(1);
  QCOMPARE(CodeOf([&] { v.SetWhitespace(false, 3, 7); }), 0);
  const int full = v.PageHeight(1);
  QVERIFY(full > compressed);
  QCOMPARE(CodeOf([&] { v.SetWhitespace(true, 3, 7); }), -1002);
  QVERIFY(!v.WhitespaceCompression());
  QCOMPARE(v.WhitespaceFrom(), 10u);
  QCOMPARE(v.WhitespaceTo(), 2u);
  QCOMPARE(v.PageHeight(1), full);
}

void FaxViewerTest::droppedFileIsOpened() {
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  std::string dropped;
  v.OnDropFile = [&](TApdFaxViewer&, const std::string& name) { dropped = name; };
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(three_))});
  const auto drop = [&] {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v.viewport(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v.viewport(), &event);
    return true;
  };
  v.SetAcceptDragged(false);
  QVERIFY(!drop());
  QCOMPARE(v.NumPages(), 0u);
  v.SetAcceptDragged(true);
  QVERIFY(drop());
  QCOMPARE(dropped, three_);
  QCOMPARE(v.FileName(), three_);
  QCOMPARE(v.NumPages(), 3u);
}

void FaxViewerTest::paintingUsesTheColoursAndInvertsTheSelection() {
  TApdFaxViewer v;
  v.SetBorderStyle(telvane::ViewerBorderStyle::bsNone);
  v.resize(2000, 300);  // wider than the page: the rest is background
  v.show();
  v.SetFileName(one_);
  v.SetFGColor(QColor(200, 0, 0));
  v.SetBGColor(QColor(0, 0, 200));
  v.horizontalScrollBar()->setValue(0);
  v.verticalScrollBar()->setValue(0);
  const QImage page = ToQImage(v.PageBitmap(1));
  QImage shot = v.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int w = std::min(page.width(), shot.width()), h = std::min(page.height(), shot.height());
  int black = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool isBlack = page.pixel(x, y) == 0xFF000000u;
      black += isBlack;
      QCOMPARE(shot.pixel(x, y), isBlack ? qRgb(200, 0, 0) : qRgb(0, 0, 200));
    }
  QVERIFY(black > 100);
  QCOMPARE(shot.pixel(shot.width() - 1, 10), qRgb(0, 0, 200));
  // A selection is shown inverted.
  QTest::mousePress(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
  QTest::mouseMove(v.viewport(), QPoint(99, 49));
  QTest::mouseRelease(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(99, 49));
  QCOMPARE(v.Selection(), QRect(1, 1, 99, 49));
  shot = v.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 1; y < 50; ++y)
    for (int x = 1; x < 100; ++x)
      QCOMPARE(shot.pixel(x, y), page.pixel(x, y) == 0xFF000000u ? qRgb(55, 255, 255) : qRgb(255, 255, 55));
}

void FaxViewerTest::autoScrollWhileSelectingBeyondTheEdge() {
  TApdFaxViewer v;
  v.resize(300, 200);
  v.show();
  v.SetFileName(three_);
  QTest::mousePress(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  QTest::mouseMove(v.viewport(), QPoint(v.viewport()->width() + 40, 130));  // more than 20 pixels out: two steps
  QTRY_VERIFY_WITH_TIMEOUT(v.ScrollOffset().x() >= 32, 3000);
  QCOMPARE(v.ScrollOffset().x() % 16, 0);
  QCOMPARE(v.ScrollOffset().y(), 0);
  QTest::mouseRelease(v.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(v.viewport()->width() + 40, 130));
  const int scrolled = v.ScrollOffset().x();
  QVERIFY(v.HasSelection());
  QCOMPARE(v.Selection().left(), 100);
  QVERIFY(v.Selection().right() >= v.viewport()->width() - 1 + scrolled - 16);
  QTest::qWait(120);
  QCOMPARE(v.ScrollOffset().x(), scrolled);  // the timer stopped with the button
}

void FaxViewerTest::whitespaceCompressionShortensBlankRuns() {
  TApdFaxViewer v;
  v.SetFileName(MakeTextFax(*dir_, "top.apf", 1, true, 40));
  const int height = v.PageHeight(1);
  const unsigned shown = v.ShowCount();
  v.SetWhitespace(true, 10, 2);  // the 40 blank lines at the top become 2
  QVERIFY(v.ShowCount() > shown);
  QVERIFY2(v.PageHeight(1) <= height - 38, qPrintable(QString::number(v.PageHeight(1))));
  v.SetWhitespaceCompression(false);
  QCOMPARE(v.PageHeight(1), height);
}

QTEST_MAIN(FaxViewerTest)
#include "fax_viewer_test.moc"
