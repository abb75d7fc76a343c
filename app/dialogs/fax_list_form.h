// TFaxListForm: the dialog in which the user gives the phone number, fax file
// and cover file of one entry of the outgoing fax list. It is made once and
// reused, so its boxes keep their text from one use to the next.
#pragma once

#include "app/dialogs/file_dialog_request.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QLineEdit;
class QPushButton;

namespace telvane {

class TFaxListForm : public QDialog {
  Q_OBJECT
 public:
  explicit TFaxListForm(QString programDir, QWidget* parent = nullptr);

  QString PhoneNumber() const;
  void SetPhoneNumber(const QString& text);
  QString FileName() const;
  void SetFileName(const QString& text);
  QString CoverName() const;
  void SetCoverName(const QString& text);
  // The caption of the OK button: "添加" for an add, "修改" for a change.
  void SetOkCaption(const QString& caption);

  // Opens the phone book; true when the user chose an entry. The dialog
  // takes only the number, and only a number that isn't empty.
  std::function<bool(QString& name, QString& number)> choosePhoneBookEntry;
  // The file dialog of both browse buttons; an empty result changes nothing.
  // ChooseFileWithDialog by default.
  std::function<QString(const FileDialogRequest&)> chooseFile;

  // What the browse buttons ask for.
  FileDialogRequest FaxFileRequest() const;
  FileDialogRequest CoverFileRequest() const;

  QLineEdit* flPhoneNumber;
  QPushButton* SpeedButton1;
  QLineEdit* flFileName;
  QPushButton* SpeedButton2;
  QLineEdit* flCover;
  QPushButton* SpeedButton3;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  // Centres the dialog on the screen and puts the focus into the phone box.
  void showEvent(QShowEvent* event) override;

 private:
  void SpeedButton1Click();
  void Browse(QLineEdit* box, const FileDialogRequest& request);

  QString programDir_;
};

}  // namespace telvane
