// The text editor's menus, tag lines and GBK file commands.
#include "designer/windows/memo_form.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStatusBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "designer/windows/gbk_text_file.h"

namespace telvane {
namespace {

const QStringList& TextFilters() {
  static const QStringList filters{QStringLiteral("文本文件(*.txt)"), QStringLiteral("所有文件 (*)")};
  return filters;
}

QAction* AddItem(QMenu* menu, const QString& objectName, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(objectName);
  return action;
}

}  // namespace

TMemoForm::TMemoForm(const QString& programDir, IUserNotice* notice, QWidget* parent)
    : QDialog(parent), notice_(notice ? *notice : QtUserNotice()), programDir_(programDir) {
  setObjectName(QStringLiteral("MemoForm"));
  setWindowTitle(QStringLiteral("覆盖页编辑"));
  // A window of its own with the usual title bar buttons, not a small dialog.
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  MainMenu = new QMenuBar(this);
  MainMenu->setObjectName(QStringLiteral("MainMenu"));
  column->setMenuBar(MainMenu);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  column->addWidget(Memo1, 1);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusPanel0 = new QLabel(StatusBar1);
  StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
  StatusPanel1 = new QLabel(StatusBar1);
  StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
  StatusPanel1->setMinimumWidth(80);
  StatusBar1->addWidget(StatusPanel0, 1);
  StatusBar1->addPermanentWidget(StatusPanel1);
  column->addWidget(StatusBar1);

  FontDialog1 = new QFontDialog(this);
  FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
  FontDialog1->setOption(QFontDialog::DontUseNativeDialog);

  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  SetUpFileDialog(*OpenDialog1, programDir_, TextFilters(), QStringLiteral("txt"));
  OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);

  SaveDialog1 = new QFileDialog(this);
  SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
  SetUpFileDialog(*SaveDialog1, programDir_, TextFilters(), QStringLiteral("txt"));
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  // The editor asks about an existing file itself, with its own words.
  SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);

  BuildMenus();
}

void TMemoForm::BuildMenus() {
  TextMenu = MainMenu->addMenu(QStringLiteral("文本"));
  TextMenu->setObjectName(QStringLiteral("TextMenu"));
  N2 = AddItem(TextMenu, QStringLiteral("N2"), QStringLiteral("新建"));
  N3 = AddItem(TextMenu, QStringLiteral("N3"), QStringLiteral("打开"));
  N4 = AddItem(TextMenu, QStringLiteral("N4"), QStringLiteral("保存"));
  N5 = AddItem(TextMenu, QStringLiteral("N5"), QStringLiteral("另存为"));
  N6 = AddItem(TextMenu, QStringLiteral("N6"), QStringLiteral("退出"));
  connect(N2, &QAction::triggered, this, [this] {
    if (MayDropText()) New();
  });
  connect(N3, &QAction::triggered, this, [this] {
    if (MayDropText()) Open();
  });
  connect(N4, &QAction::triggered, this, &TMemoForm::Save);
  connect(N5, &QAction::triggered, this, &TMemoForm::SaveAs);
  connect(N6, &QAction::triggered, this, &QDialog::close);

  SettingsMenu = MainMenu->addMenu(QStringLiteral("设置"));
  SettingsMenu->setObjectName(QStringLiteral("SettingsMenu"));
  N10 = AddItem(SettingsMenu, QStringLiteral("N10"), QStringLiteral("字体"));
  connect(N10, &QAction::triggered, this, &TMemoForm::ChooseFont);

  FieldsMenu = MainMenu->addMenu(QStringLiteral("字段"));
  FieldsMenu->setObjectName(QStringLiteral("FieldsMenu"));
  N12 = AddTagItem(QStringLiteral("N12"), QStringLiteral("日期"), QStringLiteral("发送日期:$D"));
  N13 = AddTagItem(QStringLiteral("N13"), QStringLiteral("时间"), QStringLiteral("发送时间:$T"));
  N17 = AddTagItem(QStringLiteral("N17"), QStringLiteral("标题头"), QStringLiteral("标题：$S"));
  ID1 = AddTagItem(QStringLiteral("ID1"), QStringLiteral("工作站ID"), QStringLiteral("$I"));
  N15 = AddTagItem(QStringLiteral("N15"), QStringLiteral("总页数"), QStringLiteral("总页：$N"));
  N16 = AddTagItem(QStringLiteral("N16"), QStringLiteral("当前页码"), QStringLiteral("当前页：$P"));
  N14 = AddTagItem(QStringLiteral("N14"), QStringLiteral("发送者"), QStringLiteral("From:$F"));
  N21 = AddTagItem(QStringLiteral("N21"), QStringLiteral("接收者"), QStringLiteral("TO:$R"));
}

QAction* TMemoForm::AddTagItem(const QString& objectName, const QString& caption, const QString& line) {
  QAction* action = AddItem(FieldsMenu, objectName, caption);
  connect(action, &QAction::triggered, this, [this, line] { InsertTagLine(line); });
  return action;
}

QString TMemoForm::StatusText() const { return StatusPanel0->text(); }

QStringList TMemoForm::Lines() const { return SplitTextLines(Memo1->toPlainText()); }

void TMemoForm::SetLines(const QStringList& lines) { Memo1->setPlainText(lines.join(QLatin1Char('\n'))); }

void TMemoForm::New() {
  Memo1->clear();
  fileName_ = NewFileName();
}

void TMemoForm::Open() {
  OpenDialog1->setDirectory(programDir_);
  const QString name = RunFileDialog(*OpenDialog1);
  if (name.isEmpty()) return;
  LoadFile(name);
}

bool TMemoForm::LoadFile(const QString& name) {
  QStringList lines;
  const TextFileResult read = ReadGbkLines(name, lines);
  if (!read.Ok()) {
    notice_.ShowError(this, read.Message);
    return false;
  }
  SetLines(lines);
  fileName_ = name;
  ShowStatus(QStringLiteral("已打开文件") + name);
  return true;
}

bool TMemoForm::Save() {
  if (fileName_ == NewFileName()) return SaveAs();
  if (!WriteTo(fileName_)) return false;
  ShowStatus(QStringLiteral("已保存文件") + fileName_);
  return true;
}

bool TMemoForm::SaveAs() {
  if (fileName_ != NewFileName()) SaveDialog1->selectFile(fileName_);
  const QString name = RunFileDialog(*SaveDialog1);
  if (name.isEmpty()) {
    fileName_ = NewFileName();
    saved_ = false;
    return false;
  }
  if (QFileInfo::exists(name) &&
      Ask(this, QStringLiteral("覆盖已存在的文件%1").arg(name),
          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) != QMessageBox::Yes)
    return false;
  if (!WriteTo(name)) return false;
  ShowStatus(name);
  fileName_ = name;
  return true;
}

bool TMemoForm::WriteTo(const QString& name) {
  const TextFileResult written = WriteGbkLines(name, Lines());
  if (!written.Ok()) {
    notice_.ShowError(this, written.Message);
    return false;
  }
  Memo1->document()->setModified(false);
  saved_ = true;
  return true;
}

void TMemoForm::ChooseFont() {
  if (RunDialog(*FontDialog1) == QDialog::Accepted) Memo1->setFont(FontDialog1->currentFont());
}

void TMemoForm::InsertTagLine(const QString& line) {
  QTextCursor caret = Memo1->textCursor();
  const int caretPos = caret.selectionStart();
  const QTextBlock caretLine = Memo1->document()->findBlock(caretPos);
  const int column = caretPos - caretLine.position();
  const int lineIndex = caretLine.blockNumber();

  QTextCursor insert(caretLine);
  insert.insertText(line + QLatin1Char('\n'));

  const QTextBlock moved = Memo1->document()->findBlockByNumber(lineIndex + 1);
  caret.setPosition(moved.position() + column);
  Memo1->setTextCursor(caret);
  Memo1->setFocus();
}

void TMemoForm::ShowStatus(const QString& text) { StatusPanel0->setText(text); }

bool TMemoForm::MayDropText() {
  if (!Memo1->document()->isModified()) return true;
  return SaveChangesFirst(this, Ask, SaveChangesQuestion(), [this] { return Save(); });
}

void TMemoForm::reject() {
  if (MayDropText()) QDialog::reject();
}

void TMemoForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    OpenDialog1->setDirectory(programDir_);
    SaveDialog1->setDirectory(programDir_);
    saved_ = false;
  }
  QDialog::showEvent(event);
}

}  // namespace telvane
