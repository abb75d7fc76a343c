// The designer window: its menu items, what they enable and when, the file
// commands with and without a dialog, the colour warning, the two modes with
// the Delete key, New, and the round trip of a design built with the mouse
// and keys, saved, opened again and generated to a fax file.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QUndoStack>
#include <memory>

#include "designer/cover_generator.h"
#include "designer/fax_designer.h"
#include "designer/ui/design_page.h"
#include "designer/ui/design_surface.h"
#include "designer/windows/cover_generation.h"
#include "designer/windows/draw_form.h"
#include "faxdoc/apf_file.h"
#include "tests/support/apf_pages.h"
#include "tests/support/qt/recording_notice.h"
#include "tests/support/temp_dir.h"

using namespace telvane;
using telvane::test::RecordingNotice;
using telvane::test::TempDir;

namespace {

// One file dialog the window ran.
struct FileDialogRun {
  QString objectName;
  QFileDialog::AcceptMode mode;
  QString folder;
};

}  // namespace

class DrawFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void menuItems_data();
  void menuItems();
  void enablementFollowsSelection_data();
  void enablementFollowsSelection();
  void savingAnOpenedDesignWritesBackWithoutADialog();
  void newDesignAsksForAName_data();
  void newDesignAsksForAName();
  void failedSaveKeepsTheDesignAndTheFile();
  void openingABadDesignKeepsTheOpenOne();
  void deleteKeyFollowsTheMode_data();
  void deleteKeyFollowsTheMode();
  void colourWarning_data();
  void colourWarning();
  void newReplacesTheDesign();
  void droppingAChangedDesignAsksToSave_data();
  void droppingAChangedDesignAsksToSave();
  void fitPageToWidth_data();
  void fitPageToWidth();
  void undoAndRedoItemsActOnTheSurface();
  void modeCursorOnTheDesigner();
  void generateOtherReportsTheDesignFile();
  void roundTripWithMouseAndKeys();
  void savingReplacesTheFileWhole();
  void untitledDesignAsksForTheFaxFileName_data();
  void untitledDesignAsksForTheFaxFileName();
  void commandsReachTheirDialogs_data();
  void commandsReachTheirDialogs();
  void centringItems_data();
  void centringItems();
  void activationShowsTheFirstSelectedField();
  void pageShowsTheContextMenu_data();
  void pageShowsTheContextMenu();

 private:
  QString Path(const QString& name) const { return QDir(dir_).filePath(name); }
  TFaxPanel& Page() { return form_->Designer().Page(); }
  TFieldWidget* Widget(const TBaseField* field) { return form_->Surface()->Page()->WidgetOf(field); }
  // A design of `fields` text fields saved by the model alone.
  QString SaveSample(const QString& name, int fields);
  static int FieldsIn(const QString& fileName);

  std::unique_ptr<TempDir> temp_;
  QString dir_;
  QString oldCurrent_;
  RecordingNotice notice_;
  std::unique_ptr<TDrawForm> form_;
  QStringList answers_;  // the file dialogs' answers in turn; empty: cancelled
  QList<FileDialogRun> fileDialogs_;
  QMessageBox::StandardButton askAnswer_ = QMessageBox::Ok;
  QStringList questions_;
};

void DrawFormTest::init() {
  temp_ = std::make_unique<TempDir>();
  dir_ = QString::fromStdString(temp_->Path().string());
  oldCurrent_ = QDir::currentPath();
  QDir::setCurrent(dir_);
  notice_ = RecordingNotice();
  answers_.clear();
  fileDialogs_.clear();
  questions_.clear();
  askAnswer_ = QMessageBox::Ok;

  form_ = std::make_unique<TDrawForm>(dir_, &notice_);
  form_->RunFileDialog = [this](QFileDialog& dialog) {
    fileDialogs_.append({dialog.objectName(), dialog.acceptMode(), dialog.directory().absolutePath()});
    return answers_.isEmpty() ? QString() : answers_.takeFirst();
  };
  form_->Ask = [this](QWidget*, const QString& text, QMessageBox::StandardButtons buttons) {
    questions_.append(text);
    return buttons.testFlag(askAnswer_) ? askAnswer_ : QMessageBox::NoButton;
  };
  form_->RunDialog = [](QDialog&) { return int(QDialog::Rejected); };
  form_->Generation().Yield = [] {};
  form_->show();
  QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void DrawFormTest::cleanup() {
  form_.reset();
  QDir::setCurrent(oldCurrent_);
  temp_.reset();
}

QString DrawFormTest::SaveSample(const QString& name, int fields) {
  TFaxDesigner designer;
  for (int i = 0; i < fields; ++i) designer.Page().AddTextField().SetText(QStringLiteral("字段%1").arg(i));
  const QString path = Path(name);
  if (!designer.SaveToFile(path).Ok()) qFatal("cannot save the sample design");
  return path;
}

int DrawFormTest::FieldsIn(const QString& fileName) {
  TFaxDesigner designer;
  if (!designer.LoadFromFile(fileName).Ok()) return -1;
  return static_cast<int>(designer.Page().Fields().size());
}

void DrawFormTest::menuItems_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QKeySequence>("shortcut");
  const QKeySequence none;
  QTest::newRow("N7") << "N7" << "新建&N" << none;
  QTest::newRow("N8") << "N8" << "打开&O" << none;
  QTest::newRow("N9") << "N9" << "保存&S" << none;
  QTest::newRow("N10") << "N10" << "另存为&E" << none;
  QTest::newRow("N12") << "N12" << "生成当前传真文件&C" << none;
  QTest::newRow("FCPV1") << "FCPV1" << "生成其它传真文件&V" << none;
  QTest::newRow("X1") << "X1" << "退出&X" << none;
  QTest::newRow("miAddTextField") << "miAddTextField" << "添加文本字段&T" << QKeySequence(Qt::Key_Insert);
  QTest::newRow("miAddImageField") << "miAddImageField" << "添加图像字段&I"
                                   << QKeySequence(Qt::CTRL | Qt::Key_Insert);
  QTest::newRow("miDeleteField") << "miDeleteField" << "删除字段&D" << QKeySequence(Qt::Key_Delete);
  QTest::newRow("miFont") << "miFont" << "选择字体&F" << none;
  QTest::newRow("miLoadImage") << "miLoadImage" << "载入图像&L" << none;
  QTest::newRow("N19") << "N19" << "载入文本&Z" << none;
  QTest::newRow("miCenterHorizontally") << "miCenterHorizontally" << "水平居中&H" << none;
  QTest::newRow("miCenterVertically") << "miCenterVertically" << "垂直居中&V" << none;
  QTest::newRow("P1") << "P1" << "页面设置&P" << none;
  QTest::newRow("R1") << "R1" << "代替标志&R" << none;
  QTest::newRow("N4") << "N4" << "编辑模式&E" << none;
  QTest::newRow("N5") << "N5" << "设计模式&D" << none;
  QTest::newRow("popup edit") << "PopupEditMode" << "编辑模式" << none;
  QTest::newRow("popup design") << "PopupDesignMode" << "设计模式" << none;
}

void DrawFormTest::menuItems() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QKeySequence, shortcut);
  const QList<QAction*> found = form_->findChildren<QAction*>(name);
  QCOMPARE(found.size(), 1);
  QCOMPARE(found[0]->text(), caption);
  QCOMPARE(found[0]->shortcut(), shortcut);
  // Every item sits in a menu of the window.
  QVERIFY(!found[0]->associatedObjects().isEmpty());
  QCOMPARE(form_->windowTitle(), QStringLiteral("制作传真页、覆盖页"));
}

void DrawFormTest::enablementFollowsSelection_data() {
  QTest::addColumn<QString>("selected");  // "", "text" or "image"
  QTest::newRow("nothing") << "";
  QTest::newRow("text field") << "text";
  QTest::newRow("image field") << "image";
}

void DrawFormTest::enablementFollowsSelection() {
  QFETCH(QString, selected);
  Page().SetInsertionPoint(QPoint(20, 20));
  TBaseField* text = form_->AddTextField();
  Page().SetInsertionPoint(QPoint(200, 200));
  TBaseField* image = form_->AddImageField();
  QVERIFY(text && image);
  if (selected.isEmpty())
    QTest::mouseClick(form_->Surface()->Page(), Qt::LeftButton, {}, QPoint(400, 400));
  else
    QTest::mouseClick(Widget(selected == "text" ? text : image), Qt::LeftButton, {}, QPoint(2, 2));

  const bool any = !selected.isEmpty();
  QCOMPARE(form_->miDeleteField->isEnabled(), any);
  QCOMPARE(form_->miCenterHorizontally->isEnabled(), any);
  QCOMPARE(form_->miCenterVertically->isEnabled(), any);
  QCOMPARE(form_->miFont->isEnabled(), selected == "text");
  QCOMPARE(form_->miLoadImage->isEnabled(), selected == "image");
  QCOMPARE(form_->PositionLbl->isVisible(), any);
  if (any) QCOMPARE(form_->PositionLbl->text(), form_->Surface()->StatusText());

  // Deleting leaves nothing selected: the items and the position go.
  form_->miDeleteField->trigger();
  QCOMPARE(int(Page().Fields().size()), any ? 1 : 2);
  QVERIFY(!form_->miDeleteField->isEnabled());
  QVERIFY(!form_->miFont->isEnabled());
  QVERIFY(!form_->PositionLbl->isVisible());
}

void DrawFormTest::savingAnOpenedDesignWritesBackWithoutADialog() {
  const QString path = SaveSample(QStringLiteral("opened.fcp"), 1);
  answers_ = {path};
  form_->N8->trigger();
  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(fileDialogs_[0].objectName, QStringLiteral("OpenDialog"));
  QCOMPARE(fileDialogs_[0].mode, QFileDialog::AcceptOpen);
  QCOMPARE(fileDialogs_[0].folder, QDir(dir_).absolutePath());
  QCOMPARE(form_->windowTitle(), TDrawForm::OpenCaption());
  QCOMPARE(form_->DesignFileName(), path);
  QCOMPARE(int(Page().Fields().size()), 1);

  form_->AddTextField();
  form_->N9->trigger();

  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(FieldsIn(path), 2);
  QVERIFY(notice_.errors.isEmpty());
  // Nothing beside it: no other name was written.
  QCOMPARE(QDir(dir_).entryList(QDir::Files), QStringList{QStringLiteral("opened.fcp")});
}

void DrawFormTest::newDesignAsksForAName_data() {
  QTest::addColumn<QString>("answer");  // empty: cancelled
  QTest::newRow("cancelled") << "";
  QTest::newRow("named") << "cover.fcp";
}

void DrawFormTest::newDesignAsksForAName() {
  QFETCH(QString, answer);
  form_->N7->trigger();
  QCOMPARE(form_->windowTitle(), TDrawForm::NewCaption());
  form_->AddTextField();
  if (!answer.isEmpty()) answers_ = {Path(answer)};

  form_->N9->trigger();

  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(fileDialogs_[0].objectName, QStringLiteral("SaveDialog"));
  QCOMPARE(fileDialogs_[0].mode, QFileDialog::AcceptSave);
  QCOMPARE(form_->windowTitle(), TDrawForm::SaveCaption());
  if (answer.isEmpty()) {
    QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(form_->DesignFileName().isEmpty());
    QCOMPARE(int(Page().Fields().size()), 1);
    return;
  }
  QCOMPARE(form_->DesignFileName(), Path(answer));
  QCOMPARE(FieldsIn(Path(answer)), 1);
  // Named now: the next save asks nothing.
  form_->AddTextField();
  form_->N9->trigger();
  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(FieldsIn(Path(answer)), 2);
}

void DrawFormTest::failedSaveKeepsTheDesignAndTheFile() {
  const QString path = SaveSample(QStringLiteral("kept.fcp"), 1);
  const QByteArray before = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  answers_ = {path};
  QVERIFY(form_->Open());
  form_->AddTextField();
  // Save as into a folder that is not there.
  answers_ = {Path(QStringLiteral("missing/other.fcp"))};
  QVERIFY(!form_->SaveAs());
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY(notice_.errors[0].contains(QStringLiteral("other.fcp")));
  QCOMPARE(form_->DesignFileName(), path);
  QCOMPARE(int(Page().Fields().size()), 2);
  QVERIFY(!QApplication::overrideCursor());
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), before);
}

void DrawFormTest::openingABadDesignKeepsTheOpenOne() {
  const QString good = SaveSample(QStringLiteral("good.fcp"), 2);
  answers_ = {good};
  QVERIFY(form_->Open());
  // A design file of another version.
  QFile bad(Path(QStringLiteral("bad.fcp")));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray("\x04" "2.00", 5) + QByteArray(1100, '\0'));
  bad.close();
  answers_ = {bad.fileName()};
  QVERIFY(!form_->Open());
  QCOMPARE(notice_.errors.size(), 1);
  QCOMPARE(form_->DesignFileName(), good);
  QCOMPARE(int(Page().Fields().size()), 2);
}

void DrawFormTest::deleteKeyFollowsTheMode_data() {
  QTest::addColumn<bool>("contextMenu");  // the page's menu, not the main menu
  QTest::newRow("main menu") << false;
  QTest::newRow("context menu") << true;
}

void DrawFormTest::deleteKeyFollowsTheMode() {
  QFETCH(bool, contextMenu);
  auto* field = static_cast<TTextField*>(form_->AddTextField());
  field->SetText(QStringLiteral("abc"));
  form_->Surface()->Page()->SyncFields();
  QTest::mouseClick(Widget(field), Qt::LeftButton, {}, QPoint(2, 2));
  QVERIFY(form_->miDeleteField->isEnabled());

  (contextMenu ? form_->PopupEditMode : form_->N4)->trigger();
  QVERIFY(form_->Surface()->EditMode());
  QVERIFY(form_->miDeleteField->shortcut().isEmpty());
  QPlainTextEdit* editor = Widget(field)->Editor();
  editor->setFocus();
  editor->moveCursor(QTextCursor::Start);
  QTest::keyClick(editor, Qt::Key_Delete);
  QCOMPARE(int(Page().Fields().size()), 1);
  QCOMPARE(field->Text(), QStringLiteral("bc"));

  (contextMenu ? form_->PopupDesignMode : form_->N5)->trigger();
  QVERIFY(!form_->Surface()->EditMode());
  QCOMPARE(form_->miDeleteField->shortcut(), QKeySequence(Qt::Key_Delete));
  QTest::mouseClick(Widget(field), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::keyClick(Widget(field), Qt::Key_Delete);
  QVERIFY(Page().Fields().empty());
}

void DrawFormTest::colourWarning_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("byShortcut");
  QTest::addColumn<int>("fields");
  QTest::newRow("OK, menu") << int(QMessageBox::Ok) << false << 1;
  QTest::newRow("Cancel, menu") << int(QMessageBox::Cancel) << false << 0;
  QTest::newRow("OK, Ctrl+Insert") << int(QMessageBox::Ok) << true << 1;
  QTest::newRow("Cancel, Ctrl+Insert") << int(QMessageBox::Cancel) << true << 0;
}

void DrawFormTest::colourWarning() {
  QFETCH(int, answer);
  QFETCH(bool, byShortcut);
  QFETCH(int, fields);
  askAnswer_ = static_cast<QMessageBox::StandardButton>(answer);
  if (byShortcut)
    QTest::keyClick(form_->Surface()->Page(), Qt::Key_Insert, Qt::ControlModifier);
  else
    form_->miAddImageField->trigger();
  QCOMPARE(questions_, QStringList{TDrawForm::ColourWarning()});
  QCOMPARE(int(Page().Fields().size()), fields);
  if (fields) QCOMPARE(Page().Fields()[0]->Type(), FieldKind::ftImage);
  // Nothing added: nothing to undo.
  QCOMPARE(form_->Surface()->UndoStack()->count(), fields);
}

void DrawFormTest::newReplacesTheDesign() {
  answers_ = {SaveSample(QStringLiteral("old.fcp"), 2)};
  QVERIFY(form_->Open());
  QVERIFY(form_->GenerateCurrent());
  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(form_->ResultFileName(), Path(QStringLiteral("old.APF")));
  TDesignSurface* old = form_->Surface();

  form_->N7->trigger();

  QVERIFY(form_->Surface() != old);
  QVERIFY(Page().Fields().empty());
  QVERIFY(form_->Designer().Untitled());
  QVERIFY(form_->DesignFileName().isEmpty());
  QVERIFY(form_->ResultFileName().isEmpty());
  QCOMPARE(form_->windowTitle(), TDrawForm::NewCaption());
  QVERIFY(!form_->PositionLbl->isVisible());
  // The menu's history items are the new surface's.
  QVERIFY(form_->FieldMenu->actions().contains(form_->Surface()->UndoAction()));
  QCOMPARE(form_->Surface()->parentWidget(), form_.get());
  QVERIFY(form_->Surface()->isVisible());
  QCOMPARE(form_->Surface()->Page()->contextMenuPolicy(), Qt::CustomContextMenu);
  // Sized to the window as at creation.
  QVERIFY(Page().Width() < form_->width());
  QCOMPARE(form_->PixelsPerInch(), qRound(Page().Width() / 8.5));
  QCOMPARE(Page().Height(), qRound(11.0 * form_->PixelsPerInch()));
}

void DrawFormTest::fitPageToWidth_data() {
  QTest::addColumn<int>("clientWidth");
  QTest::addColumn<double>("inchesWide");
  QTest::addColumn<double>("inchesHigh");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("perInch");
  QTest::addColumn<int>("height");
  QTest::newRow("letter") << 605 << 8.5 << 11.0 << 600 << 71 << 781;
  QTest::newRow("A4") << 832 << 8.27 << 11.69 << 827 << 100 << 1169;
  QTest::newRow("wide screen letter") << 1895 << 8.5 << 11.0 << 1890 << 222 << 2442;
  QTest::newRow("half way rounds to even") << 25 << 8.0 << 11.0 << 20 << 2 << 22;
}

void DrawFormTest::fitPageToWidth() {
  QFETCH(int, clientWidth);
  QFETCH(double, inchesWide);
  QFETCH(double, inchesHigh);
  QFETCH(int, width);
  QFETCH(int, perInch);
  QFETCH(int, height);
  TFaxDesigner designer;
  designer.SetPageWidthInches(inchesWide);
  designer.SetPageHeightInches(inchesHigh);
  QCOMPARE(FitPageToWidth(designer, clientWidth), perInch);
  QCOMPARE(designer.PageWidthPixels(), width);
  QCOMPARE(designer.PageHeightPixels(), height);
  QVERIFY(!designer.Page().Modified());
}

void DrawFormTest::undoAndRedoItemsActOnTheSurface() {
  QAction* undo = form_->FieldMenu->actions().value(0);
  QAction* redo = form_->FieldMenu->actions().value(1);
  QCOMPARE(undo, form_->Surface()->UndoAction());
  QCOMPARE(redo, form_->Surface()->RedoAction());
  QVERIFY(!undo->isEnabled());
  QTest::keyClick(form_->Surface()->Page(), Qt::Key_Insert);
  QCOMPARE(int(Page().Fields().size()), 1);
  undo->trigger();
  QVERIFY(Page().Fields().empty());
  redo->trigger();
  QCOMPARE(int(Page().Fields().size()), 1);
}

void DrawFormTest::modeCursorOnTheDesigner() {
  TDesignSurface* designer = form_->Surface();
  QEvent enter(QEvent::Enter);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(designer, &enter);
  QCOMPARE(designer->cursor().shape(), Qt::SizeAllCursor);
  QApplication::sendEvent(designer, &leave);
  QVERIFY(!designer->testAttribute(Qt::WA_SetCursor));
  form_->N4->trigger();
  QApplication::sendEvent(designer, &enter);
  QCOMPARE(designer->cursor().shape(), Qt::IBeamCursor);
  // Switching to the mode in effect changes nothing else.
  form_->N4->trigger();
  QVERIFY(form_->Surface()->EditMode());
  QVERIFY(form_->miDeleteField->shortcut().isEmpty());
}

void DrawFormTest::generateOtherReportsTheDesignFile() {
  const QString design = SaveSample(QStringLiteral("other.v1.fcp"), 1);
  answers_ = {design};
  form_->FCPV1->trigger();
  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(fileDialogs_[0].folder, QDir(dir_).absolutePath());
  QCOMPARE(form_->ResultFileName(), design);
  QVERIFY(IsApfFile(Path(QStringLiteral("other.apf")).toStdString()));
  QCOMPARE(form_->windowTitle(), CoverGeneration::OtherCaption());
  QCOMPARE(notice_.beeps, 1);
  // The meter was in the window's progress panel and is gone again.
  QVERIFY(!form_->ProgressPanel->findChild<QProgressBar*>());

  // Cancelled: the last result stays.
  form_->FCPV1->trigger();
  QCOMPARE(form_->ResultFileName(), design);
}

void DrawFormTest::roundTripWithMouseAndKeys() {
  // A text field by the Insert key at the point last clicked, typed into in
  // edit mode, then dragged in design mode.
  TDesignPage* pageWidget = form_->Surface()->Page();
  QTest::mouseClick(pageWidget, Qt::LeftButton, {}, QPoint(40, 60));
  QTest::keyClick(pageWidget, Qt::Key_Insert);
  QCOMPARE(int(Page().Fields().size()), 1);
  auto* field = static_cast<TTextField*>(Page().Fields()[0].get());
  form_->N4->trigger();
  QTRY_VERIFY(Widget(field)->Editor()->hasFocus());
  QTest::keyClicks(Widget(field)->Editor(), QStringLiteral("Fax 12"));
  form_->N5->trigger();
  const QRect before = field->Bounds();
  TFieldWidget* w = Widget(field);
  QTest::mousePress(w, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseMove(w, w->mapFrom(pageWidget, before.topLeft() + QPoint(53, 43)));
  QTest::mouseRelease(w, Qt::LeftButton, {}, w->mapFrom(pageWidget, before.topLeft() + QPoint(53, 43)));
  const QRect moved = field->Bounds();
  QCOMPARE(moved.topLeft(), before.topLeft() + QPoint(50, 40));
  QCOMPARE(moved.size(), before.size());

  answers_ = {Path(QStringLiteral("trip.fcp"))};
  QVERIFY(form_->Save());
  form_->New();
  answers_ = {Path(QStringLiteral("trip.fcp"))};
  QVERIFY(form_->Open());
  QCOMPARE(int(Page().Fields().size()), 1);
  auto* loaded = dynamic_cast<TTextField*>(Page().Fields()[0].get());
  QVERIFY(loaded);
  QCOMPARE(loaded->Text(), QStringLiteral("Fax 12"));
  QCOMPARE(loaded->Bounds(), moved);

  form_->N12->trigger();
  const QString fax = Path(QStringLiteral("trip.APF"));
  QCOMPARE(form_->ResultFileName(), fax);
  QCOMPARE(form_->windowTitle(), CoverGeneration::CurrentCaption());
  ApfFileHeader header;
  QCOMPARE(GetFaxHeader(fax.toStdString(), header), 0);
  QCOMPARE(int(header.PageCount), 1);

  // The fax page is the renderer's drawing of the design: left margin 20,
  // every pixel doubled in width.
  const QImage drawn = RenderCoverPage(Page());
  const auto pages = test::ReadApfPages(fax.toStdString());
  QCOMPARE(int(pages.size()), 1);
  QCOMPARE(int(pages[0].size()), drawn.height());
  int drawnBlack = 0, mismatches = 0;
  for (int y = 0; y < drawn.height(); ++y) {
    for (int x = 0; x < drawn.width(); ++x) {
      const bool want = qGray(drawn.pixel(x, y)) < 128;
      drawnBlack += want;
      mismatches += want != test::Pixel(pages[0][y], 20 + 2 * x);
    }
  }
  QVERIFY(drawnBlack > 20);
  QVERIFY2(mismatches <= drawnBlack / 50, qPrintable(QStringLiteral("%1 of %2").arg(mismatches).arg(drawnBlack)));
}

void DrawFormTest::savingReplacesTheFileWhole() {
  const QString path = SaveSample(QStringLiteral("whole.fcp"), 1);
  QFile earlier(path);
  QVERIFY(earlier.open(QIODevice::ReadOnly));
  answers_ = {path};
  QVERIFY(form_->Open());
  form_->AddTextField();
  QVERIFY(form_->Save());
  // A reader of the earlier file still reads all of it: the new design went
  // into a file of its own that took the name, and nothing was rewritten in
  // place (a failed write could not have cut the earlier design short).
  QCOMPARE(FieldsIn(path), 2);
  TFaxDesigner before;
  QVERIFY(before.LoadFromStream(earlier.readAll()).Ok());
  QCOMPARE(int(before.Page().Fields().size()), 1);
  QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("whole.fcp")});
}

void DrawFormTest::untitledDesignAsksForTheFaxFileName_data() {
  QTest::addColumn<QString>("answer");  // empty: cancelled
  QTest::newRow("cancelled") << "";
  QTest::newRow("named") << "page.apf";
}

void DrawFormTest::untitledDesignAsksForTheFaxFileName() {
  QFETCH(QString, answer);
  form_->AddTextField();
  if (!answer.isEmpty()) answers_ = {Path(answer)};
  form_->N12->trigger();
  QCOMPARE(fileDialogs_.size(), 1);
  QCOMPARE(fileDialogs_[0].mode, QFileDialog::AcceptSave);
  // Never a nameless ".APF" in the current folder.
  QVERIFY(!QFile::exists(Path(QStringLiteral(".APF"))));
  if (answer.isEmpty()) {
    QVERIFY(form_->ResultFileName().isEmpty());
    QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList());
  } else {
    QCOMPARE(form_->ResultFileName(), Path(answer));
    QVERIFY(IsApfFile(Path(answer).toStdString()));
  }
}

void DrawFormTest::commandsReachTheirDialogs_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("field");  // the selected field's kind, or ""
  QTest::addColumn<QString>("dialog");  // what ran: a dialog's name or a chooser
  QTest::addColumn<bool>("afterNew");
  for (bool afterNew : {false, true}) {
    const char* when = afterNew ? ", after New" : "";
    QTest::addRow("page options%s", when) << "P1" << "" << "PageOptionsForm" << afterNew;
    QTest::addRow("tags%s", when) << "R1" << "" << "ReplaceTagForm" << afterNew;
    QTest::addRow("font%s", when) << "miFont" << "text" << "font" << afterNew;
    QTest::addRow("picture%s", when) << "miLoadImage" << "image" << "载入图像" << afterNew;
    QTest::addRow("text file%s", when) << "N19" << "text" << "载入文本" << afterNew;
  }
  // A command for the other kind of field does nothing.
  QTest::newRow("text file, image selected") << "N19" << "image" << "" << false;
}

void DrawFormTest::commandsReachTheirDialogs() {
  QFETCH(QString, item);
  QFETCH(QString, field);
  QFETCH(QString, dialog);
  QFETCH(bool, afterNew);
  if (afterNew) form_->New();
  QStringList ran;
  form_->RunDialog = [&](QDialog& d) {
    ran.append(d.objectName());
    return int(QDialog::Rejected);
  };
  form_->ChooseFont = [&](QWidget*, FieldFont&) {
    ran.append(QStringLiteral("font"));
    return false;
  };
  form_->ChooseOpenFile = [&](QWidget*, const QString& caption, const QString&) {
    ran.append(caption);
    return QString();
  };
  if (field == "text") form_->AddTextField();
  if (field == "image") form_->AddImageField();
  form_->findChild<QAction*>(item)->trigger();
  QCOMPARE(ran, dialog.isEmpty() ? QStringList() : QStringList{dialog});
}

void DrawFormTest::centringItems_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QPoint>("topLeft");  // of a 100 x 50 field from (10, 20)
  const int width = 600, height = 776;
  QTest::newRow("horizontally") << "miCenterHorizontally" << QPoint((width - 100) / 2, 20);
  QTest::newRow("vertically") << "miCenterVertically" << QPoint(10, (height - 50) / 2);
}

void DrawFormTest::centringItems() {
  QFETCH(QString, item);
  QFETCH(QPoint, topLeft);
  Page().SetBounds(600, 776);
  TBaseField* field = form_->AddTextField();
  Page().SetFieldBounds(*field, QRect(10, 20, 100, 50));
  form_->findChild<QAction*>(item)->trigger();
  QCOMPARE(field->Bounds(), QRect(topLeft, QSize(100, 50)));
  form_->Surface()->UndoAction()->trigger();
  QCOMPARE(field->Bounds(), QRect(10, 20, 100, 50));
}

void DrawFormTest::activationShowsTheFirstSelectedField() {
  Page().SetInsertionPoint(QPoint(10, 10));
  TBaseField* first = form_->AddTextField();
  Page().SetInsertionPoint(QPoint(200, 300));
  TBaseField* second = form_->AddTextField();
  QTest::mouseClick(Widget(first), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseClick(Widget(second), Qt::LeftButton, Qt::ShiftModifier, QPoint(2, 2));
  QCOMPARE(form_->PositionLbl->text(), form_->Surface()->StatusText());
  const QString lastShown = form_->PositionLbl->text();
  form_->PositionLbl->hide();

  QEvent activated(QEvent::ActivationChange);
  QApplication::sendEvent(form_.get(), &activated);

  QVERIFY(form_->PositionLbl->isVisible());
  QVERIFY(form_->PositionLbl->text() != lastShown);
  QVERIFY(form_->PositionLbl->text().contains(QStringLiteral("(0.1")));
}

void DrawFormTest::pageShowsTheContextMenu_data() {
  QTest::addColumn<bool>("afterNew");
  QTest::newRow("first design") << false;
  QTest::newRow("after New") << true;
}

void DrawFormTest::pageShowsTheContextMenu() {
  QFETCH(bool, afterNew);
  if (afterNew) form_->New();
  // On an image field, which has no menu of its own, as on the bare page.
  TBaseField* image = form_->AddImageField();
  QWidget* target = Widget(image);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
  QApplication::sendEvent(target, &event);
  QTRY_VERIFY(form_->PopupMenu1->isVisible());
  QCOMPARE(form_->PopupMenu1->actions(), (QList<QAction*>{form_->PopupEditMode, form_->PopupDesignMode}));
  form_->PopupMenu1->hide();
}

void DrawFormTest::droppingAChangedDesignAsksToSave_data() {
  QTest::addColumn<QString>("command");  // "N7" (new) or "X1" (exit)
  QTest::addColumn<int>("reply");
  QTest::addColumn<bool>("dropped");
  QTest::addColumn<int>("fieldsOnDisk");
  for (const char* command : {"N7", "X1"}) {
    QTest::addRow("%s, yes saves first", command) << command << int(QMessageBox::Yes) << true << 2;
    QTest::addRow("%s, no drops the change", command) << command << int(QMessageBox::No) << true << 1;
    QTest::addRow("%s, cancel keeps the design", command) << command << int(QMessageBox::Cancel) << false << 1;
  }
}

void DrawFormTest::droppingAChangedDesignAsksToSave() {
  QFETCH(QString, command);
  QFETCH(int, reply);
  QFETCH(bool, dropped);
  QFETCH(int, fieldsOnDisk);
  const QString design = SaveSample(QStringLiteral("letter.fcp"), 1);
  answers_ << design;
  QVERIFY(form_->Open());
  QAction* item = form_->findChild<QAction*>(command);
  // An unchanged design goes without a question.
  if (command == QLatin1String("N7")) {
    item->trigger();
    QVERIFY(questions_.isEmpty());
    answers_ << design;
    QVERIFY(form_->Open());
  }

  Page().SetInsertionPoint(QPoint(40, 40));
  QVERIFY(form_->AddTextField());
  askAnswer_ = QMessageBox::StandardButton(reply);
  item->trigger();
  QCOMPARE(questions_, QStringList{TDrawForm::SaveChangesQuestion()});
  QCOMPARE(FieldsIn(design), fieldsOnDisk);
  const bool stillThere = form_->isVisible() && Page().Fields().size() == 2;
  QCOMPARE(stillThere, !dropped);
}

QTEST_MAIN(DrawFormTest)
#include "draw_form_test.moc"
