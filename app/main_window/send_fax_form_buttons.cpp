// Buttons of the main window that open other windows, dialogs or files: the
// viewer, the phone book, the tag help, the conversion windows, the file and
// folder choosers, the port log and the printer set-up.
#include <QApplication>
#include <QListWidget>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/background/document_jobs.h"
#include "app/conversion/conversion_settings.h"
#include "app/conversion/fax_cnv_graphics_form.h"
#include "app/conversion/fax_conversion_form.h"
#include "app/dialogs/cover_form.h"
#include "app/platform/app_paths.h"
#include "app/main_window/send_fax_form.h"
#include "app/phonebook/phone_book_form.h"
#include "app/dialogs/file_dialog_request.h"
#include "designer/windows/draw_form.h"
#include "designer/windows/memo_form.h"
#include "viewer/view_fax_form.h"

namespace telvane {

namespace {

bool IsApf(const QString& path) { return path.endsWith(QStringLiteral(".apf"), Qt::CaseInsensitive); }

}  // namespace

void TSendFaxForm::ViewAPFClkClick() {
  if (!Viewer) return;
  Viewer->setWindowModality(Qt::ApplicationModal);
  Viewer->showMaximized();
  Viewer->raise();
  Viewer->activateWindow();
}

// A received fax's line opens the fax in the viewer.
void TSendFaxForm::ReceiveListDblClick(QListWidgetItem* item) {
  const QString file = item ? item->data(Qt::UserRole).toString() : QString();
  if (!Viewer || file.isEmpty()) return;
  ViewAPFClkClick();
  Viewer->OpenFile(file);
}

void TSendFaxForm::Button4Click() {
  if (!Viewer || !IsApf(EditFile->text())) return;
  ViewAPFClkClick();
  Viewer->OpenFile(EditFile->text());
}

void TSendFaxForm::AddressBookClkClick() {
  TFormPhoneBook book(QString::fromStdString(programDir_), notice_, this);
  RunDialog(book);
  if (book.Number().isEmpty()) return;
  EditFax->setText(book.Number());
  EditName->setText(book.Name());
}

void TSendFaxForm::Button12Click() {
  TCoverForm help(this);
  RunDialog(help);
}

void TSendFaxForm::Button3Click() {
  const QString folder = EditFile->text().isEmpty() ? QString::fromStdString(programDir_) : EditFile->text();
  const QString chosen = AskOpenFile(
      QString(), folder,
      QtFileFilter(QStringLiteral("(*.APF)|*.APF|(*.BMP)|*.BMP|(*.DCX)|*.DCX|(*.PCX)|*.PCX|(*.TIF)|*.TIF|(*.TXT)|*.TXT|"
                                  "所有文件(*.*)|*.*")));
  if (chosen.isEmpty()) return;
  EditFile->setText(chosen);
  ConvertSendDocument();
}

void TSendFaxForm::Button13Click() {
  const QString folder = EditCover->text().isEmpty() ? QString::fromStdString(programDir_) : EditCover->text();
  const QString chosen = AskOpenFile(QString(), folder, QtFileFilter(QStringLiteral("*.txt|*.txt|所有文件(*.*)|*.*")));
  if (!chosen.isEmpty()) EditCover->setText(chosen);
}

QString TSendFaxForm::EditTextCover(const QString& file) {
  TMemoForm editor(QString::fromStdString(programDir_), &notice_, this);
  QFont font(QStringLiteral("宋体"));
  font.setPointSize(10);
  editor.setFont(font);
  if (file == TMemoForm::NewFileName() || !editor.LoadFile(file)) editor.SetFileName(TMemoForm::NewFileName());
  editor.setWindowState(editor.windowState() | Qt::WindowMaximized);
  RunDialog(editor);
  return editor.Saved() ? editor.FileName() : QString();
}

void TSendFaxForm::Button7Click() {
  // An APF cover opens in the viewer, a text cover in the text editor.
  const QString cover = EditCover->text();
  if (cover.isEmpty()) return;
  if (IsApf(cover)) {
    if (!Viewer) return;
    ViewAPFClkClick();
    Viewer->OpenFile(cover);
  } else if (cover.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
    EditTextCover(cover);
  }
}

void TSendFaxForm::MakeAPFClkClick() {
  // The designer works in the program's "Fax" folder.
  const std::string folder = programDir_ + "Fax/";
  MakeFolder(folder);
  TDrawForm designer(QString::fromStdString(folder), &notice_, this);
  RunDialog(designer);
  QApplication::restoreOverrideCursor();
}

void TSendFaxForm::CovertFileClkClick() {
  TFaxConversionForm form(QString::fromStdString(SettingsDir() + kConvertIniName), QString::fromStdString(programDir_),
                          notice_, this);
  form.askFont = AskFont;
  RunDialog(form);
}

void TSendFaxForm::CovertAPFClkClick() {
  TFaxCnvGraphicsForm form(notice_, this);
  RunDialog(form);
}

void TSendFaxForm::CoverClkClick() {
  // A text cover written in the editor is converted into the out-box and
  // becomes the document to send.
  const QString saved = EditTextCover(TMemoForm::NewFileName());
  if (saved.isEmpty()) return;
  const std::string target = programDir_ + "Outbox/" + DocumentBaseName(saved.toStdString()) + ".apf";
  QueueConversion(saved.toStdString(), target);
  Edit1->setText(QString::fromStdString(target));
  convertedFor_ = saved;
  EditFile->setText(saved);
}

void TSendFaxForm::btnBrowseDestDirClick() {
  const QString folder = AskFolder(QStringLiteral("选择存放日志文件的目录"), EditLogName->text());
  if (!folder.isEmpty()) EditLogName->setText(folder);
}

void TSendFaxForm::BitBtn1Click() {
  const QString folder = AskFolder(QStringLiteral("选择存放传真文件的目录"), rfDirectory->text());
  if (!folder.isEmpty()) rfDirectory->setText(folder);
}

void TSendFaxForm::Button18Click() {
  // The port's log opens in the desktop's text editor; without one yet the
  // user picks a log or trace file.
  QString file = QString::fromStdString(ApdComPort1.LogName());
  if (file.isEmpty() || !QFileInfo::exists(file)) {
    file = AskOpenFile(QString(), QString::fromStdString(programDir_),
                       QtFileFilter(QStringLiteral("(*.LOG)|*.LOG|(*.TRC)|*.TRC|所有文件(*.*)|*.*")));
    if (file.isEmpty() || !QFileInfo::exists(file)) return;
  }
  if (!OpenWithDesktop(file)) notice_.ShowError(this, QStringLiteral("无法打开文件 ") + file);
}

void TSendFaxForm::PrintSetupClkClick() { FaxPrinter->PrintSetup(); }

}  // namespace telvane
