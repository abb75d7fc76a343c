// The viewer window: opening and its errors, status line and page flags,
// page buttons, the zoom rules and the free zoom dialog, rotation items, the
// whitespace dialog and the command-line argument.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "tests/support/qt/recording_notice.h"
#include "viewer/view_fax_form.h"
#include "viewer/viewer_dialogs.h"
#include "tests/viewer/viewer_test_files.h"

using telvane::TPercentForm;
using telvane::TViewFaxForm;
using telvane::TWhitespaceCompForm;
using namespace telvane::test;

namespace {

}  // namespace

class ViewFaxFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void menusCarryTheirCaptionsAndShortcuts();
  void openShowsStatusAndEnablesItems();
  void openErrorsCloseTheViewWithTheirBox_data();
  void openErrorsCloseTheViewWithTheirBox();
  void pageButtonsWalkThePagesAndShowFlags();
  void viewerKeysWorkWhileAPageButtonHasTheFocus();
  void zoomSteps_data();
  void zoomSteps();
  void fixedZoomItemsScaleTheView();
  void freeZoomDialog_data();
  void freeZoomDialog();
  void rotationItems();
  void whitespaceDialog();
  void printWithoutFileDoesNothing();
  void firstArgumentOpenedWhenShown();
  void printsTheOpenFile();
  void anotherFileOpenedWhilePrintingWaitsForTheNextPrint();
  void printWithoutPrinterAsksWhereThePdfGoes_data();
  void printWithoutPrinterAsksWhereThePdfGoes();
  void viewerErrorsShowTheirCode();
  void droppedFileResetsZoomAndRotation();
  void droppingTheFileOnScreenShowsItAfresh();

 private:
  std::unique_ptr<TempDir> dir_;
  QString three_, normal_;
};

void ViewFaxFormTest::initTestCase() {
  dir_ = std::make_unique<TempDir>();
  // PDF files offered in the home folder land in the test's folder.
  qputenv("HOME", QFile::encodeName(QString::fromStdString(dir_->Path().string())));
  three_ = QString::fromStdString(MakeTextFax(*dir_, "three.apf", 3, true));
  normal_ = QString::fromStdString(MakeTextFax(*dir_, "normal.apf", 1, false));
}

// Every menu item, in order, as "caption [shortcut]".
void ViewFaxFormTest::menusCarryTheirCaptionsAndShortcuts() {
  TViewFaxForm form;
  QStringList seen;
  for (QAction* menu : form.menuBar()->actions()) {
    seen.append(menu->text() + ":");
    for (QAction* a : menu->menu()->actions())
      if (!a->isSeparator())
        seen.append(a->shortcut().isEmpty() ? a->text()
                                            : a->text() + " [" + a->shortcut().toString(QKeySequence::PortableText) + "]");
  }
  QCOMPARE(seen, (QStringList{"文件:", "打开", "关闭", "打印设置.", "打印 [Ctrl+P]", "退出 [Alt+F4]",
                              "编辑:", "全选", "拷贝 [Ctrl+C]",
                              "查看:", "放大", "缩小", "25%", "50%", "75%", "100%", "200%", "400%", "自定义", "不旋转",
                              "旋转90度", "旋转180度", "旋转270度", "白色空格压缩"}));
  QCOMPARE(form.SpeedButton1->text(), QStringLiteral("< 前一页"));
  QCOMPARE(form.SpeedButton2->text(), QStringLiteral("下一页>"));
  QCOMPARE(form.PageFlagsCaption(), QStringLiteral("页面标志"));
  QCOMPARE((QStringList{form.CheckBox1->text(), form.CheckBox2->text(), form.CheckBox3->text()}),
           (QStringList{"High Res.", "High Width", "Length words"}));
  QCOMPARE(form.StatusLine(), QStringLiteral(" 没有文件载入"));
}

void ViewFaxFormTest::openShowsStatusAndEnablesItems() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  QCOMPARE(form.windowTitle(), QStringLiteral("查看传真文件"));
  QVERIFY(!form.N100PercentItem->isEnabled());
  QVERIFY(!form.CopyItem->isEnabled());
  QCOMPARE(form.PrintItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
  QCOMPARE(form.CopyItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
  QCOMPARE(form.ExitItem->shortcut(), QKeySequence(QStringLiteral("Alt+F4")));
  form.OpenFile(three_);
  QVERIFY(notice.errors.isEmpty());
  QCOMPARE(form.StatusLine(), QStringLiteral("  查看页 1 到 3 在文件%1中").arg(three_));
  QVERIFY(form.N100PercentItem->isChecked());
  QVERIFY(form.NoRotateItem->isChecked());
  QVERIFY(form.CopyItem->isEnabled() && form.Rotate90Item->isEnabled() && form.ZoomInItem->isEnabled());
  form.CloseItem->trigger();
  QCOMPARE(form.StatusLine(), QStringLiteral(" 没有文件载入"));
  QVERIFY(!form.SelectAllItem->isEnabled());
  QCOMPARE(form.FaxViewer->NumPages(), 0u);
}

void ViewFaxFormTest::openErrorsCloseTheViewWithTheirBox_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("contents");  // empty: the file does not exist
  QTest::newRow("missing") << QStringLiteral("missing.apf") << QByteArray();
  QTest::newRow("not a fax file") << QStringLiteral("letter.apf") << QByteArray("Dear sir, this is text.");
  QTest::newRow("no pages") << QStringLiteral("empty.apf") << QByteArray("APF10\x1A", 6).leftJustified(64, '\0');
}

void ViewFaxFormTest::openErrorsCloseTheViewWithTheirBox() {
  QFETCH(QString, name);
  QFETCH(QByteArray, contents);
  const QString path = QString::fromStdString(dir_->File(name.toStdString()));
  if (!contents.isEmpty()) WriteAll(path.toStdString(), contents.toStdString());
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  form.OpenFile(path);
  QCOMPARE(notice.errors, QStringList{QStringLiteral("打开文件时出错 ") + path});
  QCOMPARE(form.StatusLine(), QStringLiteral(" 没有文件载入"));
  QCOMPARE(form.FaxViewer->NumPages(), 0u);
  QVERIFY(!form.CopyItem->isEnabled());
}

void ViewFaxFormTest::pageButtonsWalkThePagesAndShowFlags() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  form.SpeedButton1->click();  // already on page 1
  QCOMPARE(form.FaxViewer->ActivePage(), 1u);
  form.SpeedButton2->click();
  QCOMPARE(form.StatusLine(), QStringLiteral("  查看页 2 总 3 在文件 %1").arg(three_));
  form.SpeedButton2->click();
  form.SpeedButton2->click();  // already on the last page
  QCOMPARE(form.FaxViewer->ActivePage(), 3u);
  form.SpeedButton1->click();
  QCOMPARE(form.FaxViewer->ActivePage(), 2u);
  QVERIFY(form.CheckBox1->isChecked());   // high resolution
  QVERIFY(!form.CheckBox2->isChecked());  // 1728 pixels wide
  QVERIFY(form.CheckBox3->isChecked());   // line records
  QVERIFY(!form.CheckBox1->isEnabled());
  form.OpenFile(normal_);
  QVERIFY(!form.CheckBox1->isChecked());
  QCOMPARE(form.PageFlagsCaption(), QStringLiteral("页面标志"));
}

void ViewFaxFormTest::viewerKeysWorkWhileAPageButtonHasTheFocus() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.OpenFile(three_);
  form.SpeedButton2->setFocus();
  QTRY_VERIFY(form.SpeedButton2->hasFocus());
  QTest::keyClick(form.SpeedButton2, Qt::Key_PageDown);
  QCOMPARE(form.FaxViewer->ActivePage(), 2u);
  QTest::keyClick(form.SpeedButton2, Qt::Key_End, Qt::ControlModifier);
  QCOMPARE(form.FaxViewer->ActivePage(), 3u);
  QTest::keyClick(form.CheckBox1, Qt::Key_Home, Qt::ControlModifier);
  QCOMPARE(form.FaxViewer->ActivePage(), 1u);
  QVERIFY(form.SpeedButton2->hasFocus());  // the key went to the viewer, not to focus moves
  QTest::keyClick(form.SpeedButton2, Qt::Key_Space);  // a button's own key still clicks it
  QCOMPARE(form.FaxViewer->ActivePage(), 2u);
}

void ViewFaxFormTest::zoomSteps_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<bool>("in");
  QTest::addColumn<int>("expected");
  QTest::addColumn<int>("beeps");
  QTest::newRow("in from 110") << 110 << true << 125 << 0;
  QTest::newRow("out from 110") << 110 << false << 100 << 0;
  QTest::newRow("in from 100") << 100 << true << 125 << 0;
  QTest::newRow("out from 50") << 50 << false << 25 << 0;
  QTest::newRow("in at 400") << 400 << true << 400 << 1;
  QTest::newRow("in from 390 would pass 400") << 390 << true << 400 << 0;
  QTest::newRow("out at 25") << 25 << false << 25 << 1;
  QTest::newRow("out from 30") << 30 << false << 25 << 0;
}

void ViewFaxFormTest::zoomSteps() {
  QFETCH(int, from);
  QFETCH(bool, in);
  QFETCH(int, expected);
  QFETCH(int, beeps);
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  form.SetZoom(from);
  if (in)
    form.ZoomInItem->trigger();
  else
    form.ZoomOutItem->trigger();
  QCOMPARE(form.Zoom(), expected);
  QCOMPARE(notice.beeps, beeps);
  const QSize page(form.FaxViewer->PageWidth(1), form.FaxViewer->PageHeight(1));
  QCOMPARE(form.FaxViewer->DisplayedSize(), QSize(page.width() * expected / 100, page.height() * expected / 100));
}

void ViewFaxFormTest::fixedZoomItemsScaleTheView() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  const QSize page = form.FaxViewer->DisplayedSize();
  form.N50PercentItem->trigger();
  QCOMPARE(form.FaxViewer->DisplayedSize(), page / 2);
  QVERIFY(form.N50PercentItem->isChecked() && !form.N100PercentItem->isChecked());
  form.N100PercentItem->trigger();
  QCOMPARE(form.FaxViewer->DisplayedSize(), page);
  const unsigned shown = form.FaxViewer->ShowCount();
  form.N100PercentItem->trigger();  // already at 100 %: nothing changes
  QCOMPARE(form.FaxViewer->ShowCount(), shown);
  QVERIFY(form.N100PercentItem->isChecked());
  // Opening again comes back at 100 %.
  form.N200PercentItem->trigger();
  form.OpenFile(three_);
  QCOMPARE(form.Zoom(), 100);
  QCOMPARE(form.FaxViewer->DisplayedSize(), page);
}

void ViewFaxFormTest::freeZoomDialog_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("error");  // empty: accepted
  const QString range = QStringLiteral("你必须输入一个百分比数字在25%到400%之间.");
  QTest::newRow("24") << "24" << range;
  QTest::newRow("401") << "401" << range;
  QTest::newRow("not a number") << "1x0" << QStringLiteral("你必须输入数字.");
  QTest::newRow("150") << "150" << QString();
  QTest::newRow("25") << "25" << QString();
}

void ViewFaxFormTest::freeZoomDialog() {
  QFETCH(QString, entry);
  QFETCH(QString, error);
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  bool stayedOpen = false;
  QString title, initial;
  form.RunDialog = [&](QDialog& dialog) {
    auto& percent = static_cast<TPercentForm&>(dialog);
    title = percent.windowTitle();
    initial = percent.PercentEdit->text();
    percent.show();
    percent.PercentEdit->setText(entry);
    percent.OKBtn->click();
    stayedOpen = percent.isVisible();
    return percent.result();
  };
  form.OtherSizeItem->trigger();
  QCOMPARE(title, QStringLiteral("自定义范围"));
  QCOMPARE(initial, QStringLiteral("100"));
  if (error.isEmpty()) {
    QVERIFY(notice.errors.isEmpty());
    QCOMPARE(form.Zoom(), entry.toInt());
    QCOMPARE(form.OtherSizeItem->isChecked(), entry != "25");
    QVERIFY(!form.N100PercentItem->isChecked());
  } else {
    QCOMPARE(notice.errors, QStringList{error});
    QVERIFY(stayedOpen);
    QCOMPARE(form.Zoom(), 100);
    QVERIFY(form.N100PercentItem->isChecked());
    QVERIFY(!form.OtherSizeItem->isChecked());
  }
}

void ViewFaxFormTest::rotationItems() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  const QSize page = form.FaxViewer->DisplayedSize();
  form.Rotate90Item->trigger();
  QCOMPARE(form.FaxViewer->Rotation(), 1);
  QCOMPARE(form.FaxViewer->DisplayedSize(), page.transposed());
  QVERIFY(form.Rotate90Item->isChecked() && !form.NoRotateItem->isChecked());
  form.Rotate270Item->trigger();
  QCOMPARE(form.FaxViewer->Rotation(), 3);
  QVERIFY(form.Rotate270Item->isChecked() && !form.Rotate90Item->isChecked());
  // Opening the same file again shows it unturned, as the items say.
  form.OpenFile(three_);
  QCOMPARE(form.FaxViewer->Rotation(), 0);
  QCOMPARE(form.FaxViewer->DisplayedSize(), page);
  QVERIFY(form.NoRotateItem->isChecked());
}

void ViewFaxFormTest::whitespaceDialog() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(three_);
  QString from = QStringLiteral("abc");
  bool fromEnabledBeforeTick = true;
  form.RunDialog = [&](QDialog& dialog) {
    auto& ws = static_cast<TWhitespaceCompForm&>(dialog);
    ws.show();
    fromEnabledBeforeTick = ws.FromEdit->isEnabled();
    ws.CompEnabledBox->setChecked(true);
    ws.FromEdit->setText(from);
    ws.ToEdit->setText(QStringLiteral("2"));
    ws.OKBtn->click();
    return ws.result();
  };
  form.WhitespaceCompOption->trigger();
  QVERIFY(!fromEnabledBeforeTick);
  QCOMPARE(notice.errors, QStringList{QStringLiteral("你必须输入数字.")});
  QVERIFY(!form.FaxViewer->WhitespaceCompression());
  from = QStringLiteral("10");
  form.WhitespaceCompOption->trigger();
  QVERIFY(form.FaxViewer->WhitespaceCompression());
  QCOMPARE(form.FaxViewer->WhitespaceFrom(), 10u);
  QCOMPARE(form.FaxViewer->WhitespaceTo(), 2u);
  // The dialog opens with the viewer's values.
  form.RunDialog = [&](QDialog& dialog) {
    auto& ws = static_cast<TWhitespaceCompForm&>(dialog);
    from = ws.FromEdit->text() + "/" + ws.ToEdit->text();
    return int(QDialog::Rejected);
  };
  form.WhitespaceCompOption->trigger();
  QCOMPARE(from, QStringLiteral("10/2"));
}

void ViewFaxFormTest::printWithoutFileDoesNothing() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  int logged = 0;
  form.FaxPrinter->OnFaxPrintLog = [&](telvane::TApdFaxPrinter&, telvane::FaxPLCode) { ++logged; };
  form.PrintItem->trigger();
  QCOMPARE(logged, 0);
  QVERIFY(form.FaxPrinter->FileName().isEmpty());
  QVERIFY(notice.errors.isEmpty());
}

void ViewFaxFormTest::firstArgumentOpenedWhenShown() {
  RecordingNotice notice;
  TViewFaxForm form({three_, QStringLiteral("ignored.apf")}, &notice);
  QCOMPARE(form.FaxViewer->NumPages(), 0u);
  form.show();
  QCOMPARE(form.FaxViewer->NumPages(), 3u);
  QCOMPARE(form.StatusLine(), QStringLiteral("  查看页 1 到 3 在文件%1中").arg(three_));
  QVERIFY(notice.errors.isEmpty());
}

void ViewFaxFormTest::printsTheOpenFile() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  const QString pdf = QString::fromStdString(dir_->File("form.pdf"));
  WithPrinter(*form.FaxPrinter);
  form.FaxPrinter->Printer().setOutputFormat(QPrinter::PdfFormat);
  form.FaxPrinter->Printer().setOutputFileName(pdf);
  QList<int> pages;
  form.FaxPrinter->OnNextPage = [&](telvane::TApdFaxPrinter&, uint16_t cp, uint16_t) { pages.append(cp); };
  form.OpenFile(three_);
  // The range chosen in the set-up holds for the next print.
  form.FaxPrinter->ExecPrintDialog = [](QPrintDialog& dialog) {
    dialog.printer()->setPrintRange(QPrinter::PageRange);
    dialog.printer()->setFromTo(2, 3);
    return int(QDialog::Accepted);
  };
  form.PrintSetupItem->trigger();
  form.PrintItem->trigger();
  QCOMPARE(pages, (QList<int>{2, 3}));
  QVERIFY(RunProgram("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2")));
  form.FaxPrinter->FirstPage = 1;
  pages.clear();
  form.PrintItem->trigger();
  QCOMPARE(pages, (QList<int>{1, 2, 3}));
  QCOMPARE(form.FaxPrinter->FileName(), three_);
  QCOMPARE(form.FaxPrinter->Caption, QStringLiteral("打印传真文件"));
  QVERIFY(RunProgram("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+3")));
  QVERIFY(notice.errors.isEmpty());
}

// The user opens another file and asks for print set-up and a print while
// the pages of the first go out: the running print finishes the first file.
void ViewFaxFormTest::anotherFileOpenedWhilePrintingWaitsForTheNextPrint() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  const QString pdf = QString::fromStdString(dir_->File("busy.pdf"));
  WithPrinter(*form.FaxPrinter);
  form.FaxPrinter->Printer().setOutputFormat(QPrinter::PdfFormat);
  form.FaxPrinter->Printer().setOutputFileName(pdf);
  int dialogs = 0;
  form.FaxPrinter->ExecPrintDialog = [&](QPrintDialog& dialog) {
    ++dialogs;
    dialog.printer()->setPrintRange(QPrinter::PageRange);
    dialog.printer()->setFromTo(1, 1);
    return int(QDialog::Accepted);
  };
  QList<int> pages;
  form.FaxPrinter->OnNextPage = [&](telvane::TApdFaxPrinter&, uint16_t cp, uint16_t tp) {
    pages.append(cp * 10 + tp);
    if (pages.size() == 1) {
      form.OpenFile(normal_);
      form.PrintSetupItem->trigger();
      form.PrintItem->trigger();
    }
  };
  form.OpenFile(three_);
  form.PrintItem->trigger();
  QCOMPARE(pages, (QList<int>{13, 23, 33}));
  QCOMPARE(dialogs, 0);
  QVERIFY(notice.errors.isEmpty());
  QVERIFY(RunProgram("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+3")));
  QVERIFY(RunProgram("pdftotext", {"-f", "3", "-l", "3", pdf, "-"}).contains("PAGE: 3 of 3"));
  // Once it has ended, the file on screen is printed.
  pages.clear();
  form.PrintItem->trigger();
  QCOMPARE(pages, (QList<int>{11}));
  QCOMPARE(form.FaxPrinter->FileName(), normal_);
}

// Without a printer the print command opens the print dialog, where Qt
// offers "Print to File (PDF)"; the PDF goes to the name the dialog shows, or
// to the one the user types there; cancelling prints nothing.
void ViewFaxFormTest::printWithoutPrinterAsksWhereThePdfGoes_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("ok");
  QTest::newRow("name as offered") << QString() << true;
  QTest::newRow("name typed") << QString::fromStdString(dir_->File("for Anna.pdf")) << true;
  QTest::newRow("cancelled") << QString() << false;
}

void ViewFaxFormTest::printWithoutPrinterAsksWhereThePdfGoes() {
  QFETCH(QString, typed);
  QFETCH(bool, ok);
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  WithoutPrinter(*form.FaxPrinter);
  PrintDialogUser user;
  user.typed = typed;
  user.cancel = !ok;
  form.FaxPrinter->ExecPrintDialog = user.Hook();
  int logged = 0;
  form.FaxPrinter->OnFaxPrintLog = [&](telvane::TApdFaxPrinter&, telvane::FaxPLCode) { ++logged; };
  form.OpenFile(three_);
  for (int print = 1; print <= 2; ++print) {
    form.PrintItem->trigger();
    QCOMPARE(user.runs, print);  // asked each time, so that no earlier PDF is overwritten unasked
    QCOMPARE(user.shown, print == 1 || typed.isEmpty() ? QDir::home().filePath(QStringLiteral("three.pdf")) : typed);
    const QString pdf = typed.isEmpty() ? user.shown : typed;
    QCOMPARE(QFile::exists(pdf), ok);
    if (ok) QVERIFY2(CheckPdf(pdf, 3).isEmpty(), qPrintable(CheckPdf(pdf, 3)));
    QCOMPARE(logged, ok ? 2 * print : 0);
    QVERIFY2(notice.errors.isEmpty(), qPrintable(notice.errors.join('\n')));
    QFile::remove(pdf);
  }
}

void ViewFaxFormTest::viewerErrorsShowTheirCode() {
  const std::string cut = dir_->File("cut.apf");
  std::string bytes = ReadAll(three_.toStdString());
  bytes[32] = 4;  // the header claims four pages, the file holds three
  WriteAll(cut, bytes);
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.OpenFile(QString::fromStdString(cut));
  form.FaxViewer->SetActivePage(4);
  QCOMPARE(notice.errors.size(), 1);
  QVERIFY(notice.errors[0].startsWith(QStringLiteral("查看错误-")));
  // The viewer has closed the file, and the window says so.
  QCOMPARE(form.FaxViewer->NumPages(), 0u);
  QCOMPARE(form.StatusLine(), QStringLiteral("  无文件载入伍"));
  QCOMPARE(form.PageFlagsCaption(), QString());
  QVERIFY(!form.CopyItem->isEnabled() && !form.SelectAllItem->isEnabled() && !form.Rotate90Item->isEnabled());
  QVERIFY(!form.ZoomInItem->isEnabled() && !form.N50PercentItem->isEnabled());
  // The next file brings the flag bar back.
  form.OpenFile(three_);
  QCOMPARE(form.PageFlagsCaption(), QStringLiteral("页面标志"));
}

void ViewFaxFormTest::droppedFileResetsZoomAndRotation() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.show();
  form.OpenFile(normal_);
  form.N200PercentItem->trigger();
  form.Rotate90Item->trigger();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(three_)});
  QWidget* target = form.FaxViewer->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QCOMPARE(form.StatusLine(), QStringLiteral("  查看页 1 总 3 在文件 %1").arg(three_));
  QCOMPARE(form.Zoom(), 100);
  QVERIFY(form.N100PercentItem->isChecked() && !form.N200PercentItem->isChecked());
  QVERIFY(form.NoRotateItem->isChecked() && !form.Rotate90Item->isChecked());
  QCOMPARE(form.FaxViewer->Rotation(), 0);
  QCOMPARE(form.FaxViewer->DisplayedSize(), QSize(form.FaxViewer->PageWidth(1), form.FaxViewer->PageHeight(1)));
}

// The file on screen dropped again is shown as the window then says: at
// 100 % and not turned.
void ViewFaxFormTest::droppingTheFileOnScreenShowsItAfresh() {
  RecordingNotice notice;
  TViewFaxForm form({}, &notice);
  form.show();
  form.OpenFile(three_);
  const QSize page = form.FaxViewer->DisplayedSize();
  form.N200PercentItem->trigger();
  form.Rotate90Item->trigger();
  QCOMPARE(form.FaxViewer->DisplayedSize(), page.transposed() * 2);
  form.FaxViewer->SetActivePage(2);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(three_)});
  QWidget* target = form.FaxViewer->viewport();
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QVERIFY(notice.errors.isEmpty());
  QCOMPARE(form.StatusLine(), QStringLiteral("  查看页 1 总 3 在文件 %1").arg(three_));
  QVERIFY(form.N100PercentItem->isChecked() && form.NoRotateItem->isChecked());
  QCOMPARE(form.FaxViewer->ActivePage(), 1u);
  QCOMPARE(form.FaxViewer->Rotation(), 0);
  QCOMPARE(form.FaxViewer->DisplayedSize(), page);
  // The zoom chosen next applies to the unturned page.
  form.N50PercentItem->trigger();
  QCOMPARE(form.FaxViewer->DisplayedSize(), page / 2);
}

QTEST_MAIN(ViewFaxFormTest)
#include "view_fax_form_test.moc"
