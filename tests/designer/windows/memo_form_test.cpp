// The text editor: its menus, tag lines at the caret, open, save and
// save-as with their questions and status texts, the saved flag and file
// name the main window reads, GBK files and failed saves.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <memory>

#include "designer/windows/memo_form.h"
#include "tests/designer/windows/file_size_limit.h"
#include "tests/support/qt/recording_notice.h"
#include "tests/designer/windows/test_files.h"
#include "tests/support/temp_dir.h"

using namespace telvane;
using telvane::test::Contents;
using telvane::test::FileSizeLimit;
using telvane::test::Put;
using telvane::test::RecordingNotice;
using telvane::test::TempDir;

namespace {

void PlaceCaret(QPlainTextEdit* memo, int line, int column) {
  QTextCursor caret(memo->document()->findBlockByNumber(line));
  caret.setPosition(caret.position() + column);
  memo->setTextCursor(caret);
}

// "发送日期:$D" in GBK.
const QByteArray kDateLineGbk = QByteArray::fromHex("b7a2cbcdc8d5c6da3a2444");

}  // namespace

class MemoFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void captionMenusAndComponents();
  void fileDialogsOfferTextFiles();
  void tagLineGoesAboveTheCaretLine_data();
  void tagLineGoesAboveTheCaretLine();
  void tagLineIsOneUndoStep();
  void saveOfANewTextAsksAndCancelLeavesItUnsaved_data();
  void saveOfANewTextAsksAndCancelLeavesItUnsaved();
  void saveAsWritesGbkThenSaveWritesWithoutAsking();
  void saveAsOverAnExistingFileAsksFirst_data();
  void saveAsOverAnExistingFileAsksFirst();
  void openLoadsTheLinesAndSaysSo();
  void openFailureShowsErrorAndKeepsTheText();
  void textGbkCannotHoldIsRefused();
  void failedSaveKeepsTheEarlierFile();
  void newClearsTheTextAndTheName();
  void fontItem_data();
  void fontItem();
  void showingStartsDialogsInTheProgramFolderAndClearsSaved();
  void exitClosesTheWindow();
  void closingAChangedTextAsksToSave_data();
  void closingAChangedTextAsksToSave();

 private:
  QString Path(const QString& name) const { return QDir(dir_).filePath(name); }

  std::unique_ptr<TempDir> temp_;
  QString dir_;
  RecordingNotice notice_;
  std::unique_ptr<TMemoForm> form_;
  QStringList answers_;     // file dialog answers in turn; missing: cancelled
  QStringList askedBy_;     // object names of the file dialogs run
  QStringList questions_;   // overwrite questions asked
  QMessageBox::StandardButton reply_ = QMessageBox::Yes;
};

void MemoFormTest::init() {
  temp_ = std::make_unique<TempDir>();
  dir_ = QString::fromStdString(temp_->Path().string());
  notice_ = RecordingNotice();
  answers_.clear();
  askedBy_.clear();
  questions_.clear();
  reply_ = QMessageBox::Yes;
  form_ = std::make_unique<TMemoForm>(dir_, &notice_);
  form_->RunFileDialog = [this](QFileDialog& dialog) {
    askedBy_.append(dialog.objectName());
    return answers_.isEmpty() ? QString() : answers_.takeFirst();
  };
  form_->Ask = [this](QWidget*, const QString& text, QMessageBox::StandardButtons buttons) {
    questions_.append(text);
    if (buttons != (QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) return QMessageBox::NoButton;
    return reply_;
  };
  form_->show();
}

void MemoFormTest::cleanup() { form_.reset(); }

void MemoFormTest::captionMenusAndComponents() {
  QCOMPARE(form_->windowTitle(), QStringLiteral("覆盖页编辑"));
  QStringList seen;
  for (QAction* menu : form_->MainMenu->actions()) {
    QStringList items;
    for (QAction* item : menu->menu()->actions()) items << item->text() + "/" + item->objectName();
    seen << menu->text() + ": " + items.join(' ');
  }
  QCOMPARE(seen, (QStringList{
                     QStringLiteral("文本: 新建/N2 打开/N3 保存/N4 另存为/N5 退出/N6"),
                     QStringLiteral("设置: 字体/N10"),
                     QStringLiteral("字段: 日期/N12 时间/N13 标题头/N17 工作站ID/ID1 总页数/N15 当前页码/N16 "
                                    "发送者/N14 接收者/N21"),
                 }));
  QVERIFY(form_->Memo1->isVisible());
  QVERIFY(form_->StatusBar1->isVisible());
  QVERIFY(form_->StatusText().isEmpty());
  QCOMPARE(form_->FileName(), QStringLiteral("new"));
  for (const QObject* child : form_->findChildren<QObject*>()) {
    if (!child->isWidgetType() && !qobject_cast<const QAction*>(child)) continue;
    // Qt's own insides of the dialogs and the menu bar are not ours to name.
    for (const QObject* p = child->parent(); p && p != form_.get(); p = p->parent())
      if (qobject_cast<const QDialog*>(p) || qobject_cast<const QMenuBar*>(p) || qobject_cast<const QPlainTextEdit*>(p))
        goto next;
    QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
  next:;
  }
}

void MemoFormTest::fileDialogsOfferTextFiles() {
  for (QFileDialog* dialog : {form_->OpenDialog1, form_->SaveDialog1}) {
    QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件 (*)")}));
    QCOMPARE(dialog->defaultSuffix(), QStringLiteral("txt"));
  }
  QCOMPARE(form_->OpenDialog1->acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(form_->SaveDialog1->acceptMode(), QFileDialog::AcceptSave);
}

void MemoFormTest::tagLineGoesAboveTheCaretLine_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QStringList>("before");
  QTest::addColumn<int>("line");
  QTest::addColumn<int>("column");
  QTest::addColumn<QStringList>("after");
  const QStringList text{"first", "second", "third"};
  QTest::newRow("日期 on the first line") << "N12" << text << 0 << 0
                                          << QStringList{"发送日期:$D", "first", "second", "third"};
  QTest::newRow("时间 mid line") << "N13" << text << 1 << 3 << QStringList{"first", "发送时间:$T", "second", "third"};
  QTest::newRow("标题头 at a line's end") << "N17" << text << 2 << 5
                                          << QStringList{"first", "second", "标题：$S", "third"};
  QTest::newRow("工作站ID") << "ID1" << text << 1 << 0 << QStringList{"first", "$I", "second", "third"};
  QTest::newRow("总页数") << "N15" << text << 0 << 2 << QStringList{"总页：$N", "first", "second", "third"};
  QTest::newRow("当前页码") << "N16" << text << 2 << 1 << QStringList{"first", "second", "当前页：$P", "third"};
  QTest::newRow("发送者") << "N14" << text << 1 << 6 << QStringList{"first", "From:$F", "second", "third"};
  QTest::newRow("接收者") << "N21" << text << 0 << 5 << QStringList{"TO:$R", "first", "second", "third"};
  QTest::newRow("empty text") << "N12" << QStringList{} << 0 << 0 << QStringList{"发送日期:$D"};
  QTest::newRow("empty line") << "N21" << QStringList{"a", "", "b"} << 1 << 0 << QStringList{"a", "TO:$R", "", "b"};
}

void MemoFormTest::tagLineGoesAboveTheCaretLine() {
  QFETCH(QString, item);
  QFETCH(QStringList, before);
  QFETCH(int, line);
  QFETCH(int, column);
  QFETCH(QStringList, after);
  form_->SetLines(before);
  PlaceCaret(form_->Memo1, line, column);
  form_->findChild<QAction*>(item)->trigger();
  QCOMPARE(form_->Lines(), after);
  // The caret stays where it was in its line, which moved down.
  const QTextCursor caret = form_->Memo1->textCursor();
  QCOMPARE(caret.blockNumber(), line + 1);
  QCOMPARE(caret.positionInBlock(), column);
  QVERIFY(form_->Memo1->document()->isModified());
}

void MemoFormTest::tagLineIsOneUndoStep() {
  form_->SetLines({"first", "second"});
  PlaceCaret(form_->Memo1, 1, 2);
  form_->N13->trigger();
  form_->Memo1->undo();
  QCOMPARE(form_->Lines(), (QStringList{"first", "second"}));
}

void MemoFormTest::saveOfANewTextAsksAndCancelLeavesItUnsaved_data() {
  QTest::addColumn<bool>("savedBefore");  // a first save-as went through
  QTest::addColumn<QString>("item");
  QTest::newRow("保存 on new") << false << "N4";
  QTest::newRow("另存为 on new") << false << "N5";
  QTest::newRow("另存为 after a save") << true << "N5";
}

void MemoFormTest::saveOfANewTextAsksAndCancelLeavesItUnsaved() {
  QFETCH(bool, savedBefore);
  QFETCH(QString, item);
  form_->SetLines({QStringLiteral("封面")});
  if (savedBefore) {
    answers_ << Path(QStringLiteral("first.txt"));
    QVERIFY(form_->SaveAs());
    QVERIFY(form_->Saved());
    askedBy_.clear();
  }
  QFile::remove(Path(QStringLiteral("first.txt")));
  form_->findChild<QAction*>(item)->trigger();
  QCOMPARE(askedBy_, QStringList{QStringLiteral("SaveDialog1")});
  QVERIFY(!form_->Saved());
  QCOMPARE(form_->FileName(), QStringLiteral("new"));
  QCOMPARE(QDir(dir_).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void MemoFormTest::saveAsWritesGbkThenSaveWritesWithoutAsking() {
  const QString name = Path(QStringLiteral("cover.txt"));
  form_->SetLines({QStringLiteral("发送日期:$D"), QStringLiteral("TO:$R")});
  answers_ << name;
  form_->N5->trigger();
  QCOMPARE(Contents(name), kDateLineGbk + "\nTO:$R\n");
  QCOMPARE(form_->FileName(), name);
  QVERIFY(form_->Saved());
  QCOMPARE(form_->StatusText(), name);
  QVERIFY(!form_->Memo1->document()->isModified());
  QVERIFY(questions_.isEmpty());

  form_->SetLines({QStringLiteral("From:$F")});
  form_->N4->trigger();
  QCOMPARE(askedBy_, QStringList{QStringLiteral("SaveDialog1")});  // only the first time
  QCOMPARE(Contents(name), QByteArray("From:$F\n"));
  QCOMPARE(form_->StatusText(), QStringLiteral("已保存文件") + name);
  QVERIFY(form_->Saved());
}

void MemoFormTest::saveAsOverAnExistingFileAsksFirst_data() {
  QTest::addColumn<int>("reply");
  QTest::addColumn<bool>("written");
  QTest::newRow("yes") << int(QMessageBox::Yes) << true;
  QTest::newRow("no") << int(QMessageBox::No) << false;
  QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
}

void MemoFormTest::saveAsOverAnExistingFileAsksFirst() {
  QFETCH(int, reply);
  QFETCH(bool, written);
  const QString name = Path(QStringLiteral("old.txt"));
  Put(name, "old");
  reply_ = QMessageBox::StandardButton(reply);
  form_->SetLines({QStringLiteral("new text")});
  answers_ << name;
  QCOMPARE(form_->SaveAs(), written);
  QCOMPARE(questions_, QStringList{QStringLiteral("覆盖已存在的文件") + name});
  QCOMPARE(Contents(name), written ? QByteArray("new text\n") : QByteArray("old"));
  QCOMPARE(form_->Saved(), written);
  QCOMPARE(form_->FileName(), written ? name : QStringLiteral("new"));
}

void MemoFormTest::openLoadsTheLinesAndSaysSo() {
  const QString name = Path(QStringLiteral("cover.txt"));
  Put(name, kDateLineGbk + "\r\nTO:$R\r\n");
  form_->OpenDialog1->setDirectory(QDir::rootPath());
  answers_ << name;
  form_->N3->trigger();
  QCOMPARE(askedBy_, QStringList{QStringLiteral("OpenDialog1")});
  QCOMPARE(form_->OpenDialog1->directory().absolutePath(), QDir(dir_).absolutePath());
  QCOMPARE(form_->Lines(), (QStringList{QStringLiteral("发送日期:$D"), QStringLiteral("TO:$R")}));
  QCOMPARE(form_->FileName(), name);
  QCOMPARE(form_->StatusText(), QStringLiteral("已打开文件") + name);

  // Cancelling the next open changes nothing.
  form_->N3->trigger();
  QCOMPARE(form_->FileName(), name);
  QCOMPARE(form_->Lines().size(), 2);
}

void MemoFormTest::openFailureShowsErrorAndKeepsTheText() {
  form_->SetLines({QStringLiteral("mine")});
  answers_ << Path(QStringLiteral("gone.txt"));
  form_->N3->trigger();
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY(notice_.errors.first().contains(QStringLiteral("gone.txt")));
  QCOMPARE(form_->Lines(), QStringList{QStringLiteral("mine")});
  QCOMPARE(form_->FileName(), QStringLiteral("new"));
  QVERIFY(form_->StatusText().isEmpty());
}

void MemoFormTest::textGbkCannotHoldIsRefused() {
  const QString name = Path(QStringLiteral("cover.txt"));
  Put(name, "earlier");
  form_->SetFileName(name);
  form_->SetLines({QStringLiteral("안녕")});
  form_->Memo1->document()->setModified(true);  // as the user's typing leaves it
  QVERIFY(!form_->Save());
  QCOMPARE(notice_.errors.size(), 1);
  QVERIFY(notice_.errors.first().contains(QStringLiteral("GBK")));
  QCOMPARE(Contents(name), QByteArray("earlier"));
  QVERIFY(!form_->Saved());
  QVERIFY(form_->Memo1->document()->isModified());
}

void MemoFormTest::failedSaveKeepsTheEarlierFile() {
  const QString name = Path(QStringLiteral("cover.txt"));
  Put(name, "earlier cover");
  form_->SetFileName(name);
  form_->SetLines(QStringList(300, QStringLiteral("覆盖页的一行文字")));
  bool saved = true;
  {
    FileSizeLimit limit(1024);
    QVERIFY(limit.Ok());
    saved = form_->Save();
  }
  QVERIFY(!saved);
  QCOMPARE(notice_.errors.size(), 1);
  QCOMPARE(Contents(name), QByteArray("earlier cover"));
  QVERIFY(!form_->Saved());
  QVERIFY(form_->StatusText().isEmpty());
}

void MemoFormTest::newClearsTheTextAndTheName() {
  form_->SetFileName(Path(QStringLiteral("a.txt")));
  form_->SetLines({QStringLiteral("text")});
  form_->N2->trigger();
  QVERIFY(form_->Memo1->toPlainText().isEmpty());
  QCOMPARE(form_->FileName(), QStringLiteral("new"));
}

void MemoFormTest::fontItem_data() {
  QTest::addColumn<bool>("accepted");
  QTest::newRow("OK") << true;
  QTest::newRow("cancel") << false;
}

void MemoFormTest::fontItem() {
  QFETCH(bool, accepted);
  const int before = form_->Memo1->font().pointSize();
  QDialog* ran = nullptr;
  form_->RunDialog = [&](QDialog& dialog) {
    ran = &dialog;
    QFont chosen = form_->FontDialog1->currentFont();
    chosen.setPointSize(before + 7);
    form_->FontDialog1->setCurrentFont(chosen);
    return int(accepted ? QDialog::Accepted : QDialog::Rejected);
  };
  form_->N10->trigger();
  QCOMPARE(ran, static_cast<QDialog*>(form_->FontDialog1));
  QCOMPARE(form_->Memo1->font().pointSize(), accepted ? before + 7 : before);
}

void MemoFormTest::showingStartsDialogsInTheProgramFolderAndClearsSaved() {
  answers_ << Path(QStringLiteral("a.txt"));
  QVERIFY(form_->SaveAs());
  QVERIFY(form_->Saved());
  form_->hide();
  form_->OpenDialog1->setDirectory(QDir::rootPath());
  form_->SaveDialog1->setDirectory(QDir::rootPath());
  form_->show();
  QVERIFY(!form_->Saved());
  QCOMPARE(form_->OpenDialog1->directory().absolutePath(), QDir(dir_).absolutePath());
  QCOMPARE(form_->SaveDialog1->directory().absolutePath(), QDir(dir_).absolutePath());
  // The main window reads the name after the window closed.
  QCOMPARE(form_->FileName(), Path(QStringLiteral("a.txt")));
}

void MemoFormTest::exitClosesTheWindow() {
  QVERIFY(form_->isVisible());
  form_->N6->trigger();
  QVERIFY(!form_->isVisible());
}

void MemoFormTest::closingAChangedTextAsksToSave_data() {
  QTest::addColumn<int>("reply");
  QTest::addColumn<bool>("closes");
  QTest::addColumn<QByteArray>("onDisk");
  QTest::newRow("yes saves, then closes") << int(QMessageBox::Yes) << true << QByteArray("old\nmore\n");
  QTest::newRow("no closes, file kept") << int(QMessageBox::No) << true << QByteArray("old");
  QTest::newRow("cancel stays") << int(QMessageBox::Cancel) << false << QByteArray("old");
}

void MemoFormTest::closingAChangedTextAsksToSave() {
  QFETCH(int, reply);
  QFETCH(bool, closes);
  QFETCH(QByteArray, onDisk);
  const QString name = Path(QStringLiteral("letter.txt"));
  Put(name, "old");
  QVERIFY(form_->LoadFile(name));
  // An unchanged text closes without a question.
  form_->N6->trigger();
  QVERIFY(!form_->isVisible());
  QVERIFY(questions_.isEmpty());

  form_->show();
  QVERIFY(form_->LoadFile(name));
  QPlainTextEdit* editor = form_->findChild<QPlainTextEdit*>();
  QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::keyClicks(editor, QStringLiteral("more"));
  reply_ = QMessageBox::StandardButton(reply);
  form_->N6->trigger();
  QCOMPARE(questions_, QStringList{TMemoForm::SaveChangesQuestion()});
  QCOMPARE(form_->isVisible(), !closes);
  QCOMPARE(Contents(name), onDisk);
}

QTEST_MAIN(MemoFormTest)
#include "memo_form_test.moc"
