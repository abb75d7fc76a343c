// The design surface driven as a user drives it: clicks, drags of fields and
// handles, arrow keys, double clicks, the context menu, edit mode, page
// options; and the history of every edit.
#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QScrollBar>
#include <cstring>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include "designer/cover_renderer.h"
#include "designer/gbk_codec.h"
#include "designer/ui/ruler.h"
#include "faxdoc/pcx_format.h"
#include "tests/designer/ui/surface_fixture.h"

using namespace telvane;
using telvane::test::SurfaceFixture;

namespace {

void WriteFile(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// 16 x 2 pixels, the left half black: PCX (set bit white, run-length coded).
QByteArray TinyPcx() {
  PcxHeader h;
  h.XMax = 15;
  h.YMax = 1;
  h.BytesPerLine = 2;
  const auto header = h.Pack();
  QByteArray bytes(reinterpret_cast<const char*>(header.data()), static_cast<int>(header.size()));
  for (int row = 0; row < 2; ++row) bytes.append("\x00\xC1\xFF", 3);
  return bytes;
}

// The PCX picture as the first page of a DCX file.
QByteArray TinyDcx() {
  QByteArray b(4100, '\0');
  const uint32_t magic = kDcxMagic, offset = 4100;
  std::memcpy(b.data(), &magic, 4);
  std::memcpy(b.data() + 4, &offset, 4);
  return b + TinyPcx();
}

QByteArray Encoded(const char* format) {
  QImage image(16, 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, 100);
  return bytes;
}

// The same picture as an uncompressed little-endian TIFF (white is zero).
QByteArray TinyTiff() {
  QByteArray b("II*\0\x08\0\0\0", 8);
  auto put16 = [&b](int v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
  auto put32 = [&](int v) { put16(v & 0xFFFF), put16(v >> 16); };
  const int entries[][4] = {{256, 3, 1, 16}, {257, 3, 1, 2}, {258, 3, 1, 1}, {259, 3, 1, 1},
                            {262, 3, 1, 0},  {273, 4, 1, 110}, {278, 3, 1, 2}, {279, 4, 1, 4}};
  put16(8);
  for (const auto& e : entries) put16(e[0]), put16(e[1]), put32(e[2]), put32(e[3]);
  put32(0);
  b.append("\xFF\x00\xFF\x00", 4);
  return b;
}

}  // namespace

class DesignSurfaceTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { fx.Make(); }
  void cleanup() { fx.surface.reset(); }

  void clickSelectsAndShowsHandles();
  void dragWithMouse_data();
  void dragWithMouse();
  void handlesStayInFront();
  void rulersFollowScrolling();
  void arrowKeysNudgeAsOneStep();
  void statusLineFollowsSelectionAndUnit();
  void deleteIsUndoneInPlace();
  void addingIsUndoneAndRedone();
  void centringIsUndone();
  void doubleClickChoosesFont();
  void doubleClickLoadsPicture_data();
  void doubleClickLoadsPicture();
  void contextMenuLoadsText();
  void editModeTypesIntoTheField();
  void pageOptionsAreAppliedAndUndone();
  void savedAndLoadedDesigns();
  void unitWithoutSelection();
  void badSpacingAppliesNothing();

 private:
  SurfaceFixture fx;
  QTemporaryDir dir;
};

void DesignSurfaceTest::clickSelectsAndShowsHandles() {
  TImageField* a = fx.ImageAt(QRect(50, 60, 100, 80));
  TImageField* b = fx.ImageAt(QRect(300, 60, 100, 80));
  QSignalSpy selection(fx.surface.get(), &TDesignSurface::SelectionChanged);
  fx.Click(a);
  QVERIFY(a->Selected() && !b->Selected());
  for (TStretchHandle* h : fx.Widget(a)->Handles()) {
    QVERIFY(h->isVisible());
    QCOMPARE(h->geometry(), HandleRect(h->Kind(), a->Bounds()));
  }
  for (TStretchHandle* h : fx.Widget(b)->Handles()) QVERIFY(!h->isVisible());
  QCOMPARE(fx.surface->HorizontalRuler()->MarkStart(), 50);
  QCOMPARE(fx.surface->HorizontalRuler()->MarkEnd(), 150);
  QCOMPARE(fx.surface->VerticalRuler()->MarkEnd(), 140);

  fx.Click(b, Qt::ShiftModifier);
  QVERIFY(a->Selected() && b->Selected());

  QTest::mouseClick(fx.PageWidget(), Qt::LeftButton, {}, QPoint(500, 500));
  QVERIFY(!a->Selected() && !b->Selected());
  QCOMPARE(fx.surface->HorizontalRuler()->MarkStart(), -1);
  QCOMPARE(selection.last().at(0).toBool(), false);
  // A right click leaves the place for the next field.
  QTest::mouseClick(fx.PageWidget(), Qt::RightButton, {}, QPoint(222, 333));
  QCOMPARE(fx.Page().InsertionPoint(), QPoint(222, 333));
  QCOMPARE(fx.surface->AddImageField()->Bounds().topLeft(), QPoint(222, 333));
}

void DesignSurfaceTest::dragWithMouse_data() {
  QTest::addColumn<bool>("snap");
  QTest::addColumn<QRect>("start");
  QTest::addColumn<int>("grab");  // 1 the field, 2 ... 9 a handle
  QTest::addColumn<QList<QPoint>>("path");
  QTest::addColumn<QRect>("end");
  QTest::addColumn<int>("mode");
  QTest::newRow("grid 20: dragged to 27 lands on 21")
      << true << QRect(1, 1, 41, 41) << 1 << QList<QPoint>{{3 + 26, 3}} << QRect(21, 1, 41, 41) << 1;
  QTest::newRow("as wide as the page stays at left 0")
      << false << QRect(0, 100, 600, 50) << 1 << QList<QPoint>{{60, 110}, {-30, 120}} << QRect(0, 118, 600, 50) << 1;
  QTest::newRow("grid 20: a width of 50 becomes 41")
      << true << QRect(21, 21, 61, 41) << 2 << QList<QPoint>{{21 + 50, 41}} << QRect(21, 21, 41, 41) << 2;
  QTest::newRow("a field cannot leave the page")
      << false << QRect(500, 700, 80, 60) << 1 << QList<QPoint>{{700, 760}, {900, 900}} << QRect(520, 716, 80, 60)
      << 1;
  QTest::newRow("left handle past the right edge becomes a right-edge drag")
      << false << QRect(100, 100, 50, 50) << 3 << QList<QPoint>{{250, 120}, {300, 120}} << QRect(150, 100, 150, 50)
      << 2;
  QTest::newRow("bottom-right corner")
      << false << QRect(100, 100, 50, 50) << 8 << QList<QPoint>{{160, 170}, {200, 180}} << QRect(100, 100, 100, 80)
      << 8;
  QTest::newRow("top handle to above the page stops at 0")
      << false << QRect(100, 100, 50, 50) << 5 << QList<QPoint>{{120, -40}} << QRect(100, 0, 50, 150) << 5;
}

void DesignSurfaceTest::dragWithMouse() {
  QFETCH(bool, snap);
  QFETCH(QRect, start);
  QFETCH(int, grab);
  QFETCH(QList<QPoint>, path);
  QFETCH(QRect, end);
  fx.Page().SetSnapToGrid(snap);
  TImageField* f = fx.ImageAt(start);
  fx.Click(f);
  QCOMPARE(f->Bounds(), start);
  QWidget* target = grab == 1 ? static_cast<QWidget*>(fx.Widget(f)) : fx.Handle(f, static_cast<DragMode>(grab));
  QVERIFY(target && target->isVisible());
  QTest::mousePress(target, Qt::LeftButton, {}, QPoint(2, 2));
  QPoint local(2, 2);
  for (QPoint p : path) {
    local = target->mapFrom(fx.PageWidget(), p);
    QTest::mouseMove(target, local);
    QVERIFY(f->Bounds().width() >= 0 && f->Bounds().height() >= 0);
  }
  QTEST(static_cast<int>(fx.PageWidget()->CurrentMode()), "mode");
  QCOMPARE(fx.PageWidget()->cursor().shape(), DragCursor(fx.PageWidget()->CurrentMode()));
  QTest::mouseRelease(target, Qt::LeftButton, {}, local);
  QCOMPARE(f->Bounds(), end);
  QCOMPARE(fx.Widget(f)->geometry(), end);
  QVERIFY(fx.Page().Modified());

  // The whole drag is one step back and forth.
  QUndoStack* undo = fx.surface->UndoStack();
  QCOMPARE(undo->count(), 1);
  undo->undo();
  QCOMPARE(f->Bounds(), start);
  QCOMPARE(fx.Widget(f)->geometry(), start);
  undo->redo();
  QCOMPARE(f->Bounds(), end);
}

void DesignSurfaceTest::handlesStayInFront() {
  TImageField* a = fx.ImageAt(QRect(50, 50, 100, 100));
  TImageField* later = fx.ImageAt(QRect(140, 40, 100, 100));  // covers a's right handles
  fx.Click(a);
  const QObjectList& children = fx.PageWidget()->children();
  for (TStretchHandle* h : fx.Widget(a)->Handles()) QVERIFY(children.indexOf(h) > children.indexOf(fx.Widget(later)));
  // A press on a's right handle resizes a, not the field over it.
  QWidget* right = fx.PageWidget()->childAt(HandleRect(DragMode::Right, a->Bounds()).center());
  QCOMPARE(right, fx.Handle(a, DragMode::Right));
}

void DesignSurfaceTest::rulersFollowScrolling() {
  fx.surface->resize(300, 300);
  QTest::qWait(0);
  QScrollArea* box = fx.surface->ScrollBox();
  box->horizontalScrollBar()->setValue(120);
  box->verticalScrollBar()->setValue(200);
  QCOMPARE(fx.surface->HorizontalRuler()->Scale().Offset, 120);
  QCOMPARE(fx.surface->VerticalRuler()->Scale().Offset, 200);
  QCOMPARE(fx.surface->HorizontalRuler()->Scale().LengthPixels, 600);
  QCOMPARE(fx.surface->VerticalRuler()->Scale().LengthInches, 11.0);
}

void DesignSurfaceTest::arrowKeysNudgeAsOneStep() {
  TImageField* f = fx.ImageAt(QRect(10, 10, 50, 50));
  fx.Click(f);
  for (int i = 0; i < 3; ++i) QTest::keyClick(fx.Widget(f), Qt::Key_Right);
  QTest::keyClick(fx.Widget(f), Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(f->Bounds(), QRect(13, 10, 50, 51));
  QCOMPARE(fx.surface->UndoStack()->count(), 1);
  fx.surface->UndoStack()->undo();
  QCOMPARE(f->Bounds(), QRect(10, 10, 50, 50));
  // The window's shortcut: Ctrl+Y redoes.
  QVERIFY(fx.surface->RedoAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
  QCOMPARE(fx.surface->UndoAction()->shortcut(), QKeySequence(QKeySequence::Undo));
  fx.surface->RedoAction()->trigger();
  QCOMPARE(f->Bounds(), QRect(13, 10, 50, 51));
}

void DesignSurfaceTest::statusLineFollowsSelectionAndUnit() {
  // 96 pixels per inch: the field is 1 x 0.5 inch at (0.25, 2).
  fx.Page().SetBounds(816, 1056);
  TImageField* f = fx.ImageAt(QRect(24, 192, 96, 48));
  QSignalSpy status(fx.surface.get(), &TDesignSurface::StatusTextChanged);
  fx.Click(f);
  QCOMPARE(fx.surface->StatusText(), QStringLiteral("1.00\" x 0.50\" at (0.25\", 2.00\")"));
  QVERIFY(!status.isEmpty());
  fx.surface->Designer().SetUnitOfMeasure(TFaxDesigner::kUnitMillimetres);
  QCOMPARE(fx.surface->StatusText(), QStringLiteral("25.40 x 12.70 mm at (6.35, 50.80)"));
  QCOMPARE(fx.surface->HorizontalRuler()->Scale().Unit, 1);
}

void DesignSurfaceTest::deleteIsUndoneInPlace() {
  TImageField* a = fx.ImageAt(QRect(10, 10, 40, 40));
  TImageField* b = fx.ImageAt(QRect(100, 10, 40, 40));
  TImageField* c = fx.ImageAt(QRect(200, 10, 40, 40));
  fx.Click(b);
  fx.surface->DeleteSelectedFields();
  QCOMPARE(fx.Page().Fields().size(), size_t{2});
  QCOMPARE(fx.Page().IndexOf(c), 1);
  QVERIFY(!fx.Widget(b));
  fx.surface->UndoStack()->undo();
  QCOMPARE(fx.Page().Fields().size(), size_t{3});
  QCOMPARE(fx.Page().IndexOf(a), 0);
  QCOMPARE(fx.Page().IndexOf(b), 1);
  QCOMPARE(fx.Page().IndexOf(c), 2);
  QVERIFY(b->Selected());
  QCOMPARE(fx.Widget(b)->geometry(), QRect(100, 10, 40, 40));
  fx.surface->UndoStack()->redo();
  QCOMPARE(fx.Page().IndexOf(b), -1);
}

void DesignSurfaceTest::addingIsUndoneAndRedone() {
  TTextField* t = fx.surface->AddTextField();
  QCOMPARE(t->Bounds().width(), TTextField::kNewWidth);
  QCOMPARE(t->Bounds().height(), FieldLineHeight(t->Font()) + 4);
  QVERIFY(fx.Widget(t) && fx.Widget(t)->objectName() == QLatin1String("TextField"));
  fx.surface->UndoStack()->undo();
  QVERIFY(fx.Page().Fields().empty());
  fx.surface->UndoStack()->redo();
  QCOMPARE(fx.Page().Fields().size(), size_t{1});
  QCOMPARE(fx.Page().Fields()[0].get(), t);
  QVERIFY(fx.Widget(t)->isVisible());
}

void DesignSurfaceTest::centringIsUndone() {
  TImageField* f = fx.ImageAt(QRect(10, 10, 100, 50));
  fx.Click(f);
  fx.surface->CentreHorizontally();
  fx.surface->CentreVertically();
  QCOMPARE(f->Bounds(), QRect(250, 363, 100, 50));
  fx.surface->UndoStack()->undo();
  QCOMPARE(f->Bounds(), QRect(250, 10, 100, 50));
  fx.surface->UndoStack()->undo();
  QCOMPARE(f->Bounds(), QRect(10, 10, 100, 50));
}

void DesignSurfaceTest::doubleClickChoosesFont() {
  fx.Page().SetInsertionPoint(QPoint(40, 40));
  TTextField* t = fx.surface->AddTextField();
  t->SetText(QStringLiteral("第一行\n第二行"));
  fx.surface->UndoStack()->clear();
  const FieldFont before = t->Font();
  const QRect beforeBounds = t->Bounds();
  bool answer = false;
  FieldFont shown;
  fx.surface->ChooseFont = [&](QWidget*, FieldFont& font) {
    shown = font;
    font.SetSize(20);
    font.Bold = true;
    return answer;
  };
  QTest::mouseDClick(fx.Widget(t), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(fx.Widget(t), Qt::LeftButton, {}, QPoint(3, 3));
  QCOMPARE(shown, before);
  QCOMPARE(t->Font(), before);  // cancelled
  QCOMPARE(fx.surface->UndoStack()->count(), 0);

  answer = true;
  QTest::mouseDClick(fx.Widget(t), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(fx.Widget(t), Qt::LeftButton, {}, QPoint(3, 3));
  QCOMPARE(t->Font().Size(), 20);
  QVERIFY(t->Font().Bold);
  QCOMPARE(t->Bounds().height(), FieldLineHeight(t->Font()) * 2 + 4);
  QCOMPARE(t->Bounds().topLeft(), beforeBounds.topLeft());
  fx.surface->UndoStack()->undo();
  QCOMPARE(t->Font(), before);
  QCOMPARE(t->Bounds(), beforeBounds);
}

void DesignSurfaceTest::doubleClickLoadsPicture_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<bool>("loads");
  QTest::newRow("pcx") << "logo.pcx" << TinyPcx() << true;
  QTest::newRow("tiff") << "logo.TIF" << TinyTiff() << true;
  QTest::newRow("dcx, first page") << "logo.dcx" << TinyDcx() << true;
  QTest::newRow("png through Qt") << "logo.png" << Encoded("PNG") << true;
  QTest::newRow("jpeg through the fax reader") << "logo.JPG" << Encoded("JPEG") << true;
  QTest::newRow("bmp through the fax reader") << "logo.bmp" << Encoded("BMP") << true;
  QTest::newRow("not a picture") << "logo.pcx" << QByteArray("just text") << false;
}

void DesignSurfaceTest::doubleClickLoadsPicture() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(bool, loads);
  const QString path = dir.filePath(name);
  WriteFile(path, bytes);
  TImageField* f = fx.ImageAt(QRect(10, 10, 64, 64));
  QString filter;
  fx.surface->ChooseOpenFile = [&](QWidget*, const QString&, const QString& f) {
    filter = f;
    return path;
  };
  QTest::mouseDClick(fx.Widget(f), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(fx.Widget(f), Qt::LeftButton, {}, QPoint(3, 3));
  QVERIFY(filter.contains(QLatin1String("*.pcx")) && filter.contains(QLatin1String("*.dcx")) &&
          filter.contains(QLatin1String("*.png")));
  QCOMPARE(f->HasPicture(), loads);
  QCOMPARE(fx.notice.errors.size(), loads ? 0 : 1);
  QCOMPARE(fx.surface->UndoStack()->count(), loads ? 1 : 0);
  if (!loads) return;
  QCOMPARE(f->Picture().size(), QSize(16, 2));
  for (int y = 0; y < 2; ++y) {
    // JPEG blurs the edge a little.
    QVERIFY(qGray(f->Picture().pixel(0, y)) < 40);
    QVERIFY(qGray(f->Picture().pixel(6, y)) < 40);
    QVERIFY(qGray(f->Picture().pixel(9, y)) > 215);
  }
  fx.surface->UndoStack()->undo();
  QVERIFY(!f->HasPicture());
}

void DesignSurfaceTest::contextMenuLoadsText() {
  const QString path = dir.filePath(QStringLiteral("cover.txt"));
  WriteFile(path, ToGbk(QStringLiteral("第一行\r\nFrom:$F\r\n")));
  TTextField* t = fx.surface->AddTextField();
  t->SetText(QStringLiteral("old"));
  fx.surface->UndoStack()->clear();
  QString filter;
  fx.surface->ChooseOpenFile = [&](QWidget*, const QString&, const QString& f) {
    filter = f;
    return path;
  };
  QMenu* menu = fx.Widget(t)->ContextMenu();
  QVERIFY(menu);
  QAction* load = menu->findChild<QAction*>(QStringLiteral("LoadTextAction"));
  QVERIFY(load);
  QCOMPARE(load->text(), QStringLiteral("载入文本"));
  load->trigger();
  QCOMPARE(filter, TextFileFilter());
  QCOMPARE(t->Text(), QStringLiteral("第一行\nFrom:$F"));
  fx.surface->UndoStack()->undo();
  QCOMPARE(t->Text(), QStringLiteral("old"));
  // An image field leaves the context menu to the page (the window's menu).
  TFieldWidget* image = fx.Widget(fx.ImageAt(QRect(300, 300, 20, 20)));
  QVERIFY(!image->ContextMenu());
  fx.PageWidget()->setContextMenuPolicy(Qt::CustomContextMenu);
  QSignalSpy pageMenu(fx.PageWidget(), &QWidget::customContextMenuRequested);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), image->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(image, &event);
  QCOMPARE(pageMenu.size(), 1);
  QCOMPARE(pageMenu.at(0).at(0).toPoint(), QPoint(305, 305));
}

void DesignSurfaceTest::editModeTypesIntoTheField() {
  TTextField* t = fx.surface->AddTextField();
  fx.surface->UndoStack()->clear();
  QPlainTextEdit* editor = fx.Widget(t)->Editor();
  QVERIFY(!editor->isVisible());
  fx.surface->SetEditMode(true);
  QVERIFY(editor->isVisible());
  QTRY_VERIFY(editor->hasFocus());
  QTest::keyClicks(editor, QStringLiteral("ab"));
  QCOMPARE(t->Text(), QStringLiteral("ab"));
  QCOMPARE(fx.surface->UndoStack()->count(), 1);  // typing merges into one step
  QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(t->Text(), QString());
  QCOMPARE(editor->toPlainText(), QString());
  // Arrow keys move the caret, not the field.
  const QRect bounds = t->Bounds();
  QTest::keyClick(editor, Qt::Key_Right);
  QCOMPARE(t->Bounds(), bounds);
  fx.surface->SetEditMode(false);
  QVERIFY(!editor->isVisible());
  QVERIFY(!editor->hasFocus());
}

void DesignSurfaceTest::pageOptionsAreAppliedAndUndone() {
  TImageField* f = fx.ImageAt(QRect(27, 33, 50, 50));
  fx.surface->RunPageOptions = [](TPageOptionsForm& form) {
    form.findChild<QLineEdit*>(QStringLiteral("HorzGridSpacingEdit"))->setText(QStringLiteral("10"));
    form.findChild<QCheckBox*>(QStringLiteral("SnapToGridCheckBox"))->setChecked(true);
    form.findChild<QCheckBox*>(QStringLiteral("ShowGridCheckBox"))->setChecked(true);
    form.findChild<QRadioButton*>(QStringLiteral("MillimetresRadio"))->setChecked(true);
    form.findChild<QComboBox*>(QStringLiteral("PageSizeComboBox"))->setCurrentIndex(2);
    form.accept();
    return form.result() == QDialog::Accepted;
  };
  QVERIFY(fx.surface->EditPageOptions());
  TFaxDesigner& d = fx.surface->Designer();
  QCOMPARE(fx.Page().HorzGridSpacing(), 10);
  QVERIFY(fx.Page().SnapToGrid() && fx.Page().ShowGrid());
  QCOMPARE(d.UnitOfMeasure(), 1);
  QCOMPARE(d.PaperSizeIndex(), 2);
  QCOMPARE(fx.Page().PageWidth(), 8.2677);
  QCOMPARE(fx.Page().Height(), 849);  // 11.69289 x 600 / 8.2677
  QCOMPARE(fx.PageWidget()->size(), QSize(600, 849));
  QCOMPARE(fx.surface->VerticalRuler()->Scale().LengthPixels, 849);
  QCOMPARE(f->Bounds().left(), 31);  // on the 10-pixel grid
  const QRect after = f->Bounds();

  fx.surface->UndoStack()->undo();
  QCOMPARE(f->Bounds(), QRect(27, 33, 50, 50));
  QCOMPARE(fx.Page().HorzGridSpacing(), 20);
  QVERIFY(!fx.Page().SnapToGrid() && !fx.Page().ShowGrid());
  QCOMPARE(d.UnitOfMeasure(), 0);
  QCOMPARE(d.PaperSizeIndex(), 0);
  QCOMPARE(fx.Page().Height(), 776);
  QCOMPARE(fx.PageWidget()->size(), QSize(600, 776));
  fx.surface->UndoStack()->redo();
  QCOMPARE(f->Bounds(), after);
  QCOMPARE(fx.Page().Height(), 849);
}

void DesignSurfaceTest::savedAndLoadedDesigns() {
  TImageField* f = fx.ImageAt(QRect(100, 100, 50, 50));
  fx.Click(f);
  QTest::keyClick(fx.Widget(f), Qt::Key_Left);
  QVERIFY(fx.Page().Modified());
  const QString path = dir.filePath(QStringLiteral("design.fcp"));
  QVERIFY(fx.surface->SaveDesign(path).Ok());
  QVERIFY(!fx.Page().Modified());
  // Away from the saved point and back again.
  QTest::keyClick(fx.Widget(f), Qt::Key_Up, Qt::ControlModifier);  // not a nudge: ignored
  QTest::keyClick(fx.Widget(f), Qt::Key_Down);
  QVERIFY(fx.Page().Modified());
  QTest::keyClick(fx.Widget(f), Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(!fx.Page().Modified());
  QTest::keyClick(fx.Widget(f), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(f->Bounds(), QRect(99, 101, 50, 50));

  SurfaceFixture other;
  other.Make();
  QVERIFY(other.surface->LoadDesign(path).Ok());
  QCOMPARE(other.Page().Fields().size(), size_t{1});
  const TBaseField* loaded = other.Page().Fields()[0].get();
  QCOMPARE(loaded->Bounds(), QRect(99, 100, 50, 50));
  QVERIFY(other.Widget(loaded) && other.Widget(loaded)->isVisible());
  QCOMPARE(other.surface->UndoStack()->count(), 0);
  QVERIFY(!other.Page().Modified());
}

void DesignSurfaceTest::unitWithoutSelection() {
  fx.surface->SetUnitOfMeasure(TFaxDesigner::kUnitMillimetres);
  QCOMPARE(fx.surface->Designer().UnitOfMeasure(), 1);
  QCOMPARE(fx.surface->HorizontalRuler()->Scale().Unit, 1);
  QCOMPARE(fx.surface->VerticalRuler()->Scale().Unit, 1);
}

void DesignSurfaceTest::badSpacingAppliesNothing() {
  fx.surface->RunPageOptions = [](TPageOptionsForm& form) {
    form.findChild<QLineEdit*>(QStringLiteral("HorzGridSpacingEdit"))->setText(QStringLiteral("0"));
    form.findChild<QCheckBox*>(QStringLiteral("SnapToGridCheckBox"))->setChecked(true);
    form.accept();
    return form.result() == QDialog::Accepted;
  };
  QVERIFY(!fx.surface->EditPageOptions());
  QCOMPARE(fx.notice.errors, QStringList{QStringLiteral("Invalid horizontal grid spacing entered.")});
  QVERIFY(!fx.Page().SnapToGrid());
  QCOMPARE(fx.surface->UndoStack()->count(), 0);
}

QTEST_MAIN(DesignSurfaceTest)
#include "design_surface_test.moc"
