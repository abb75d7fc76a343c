// The phone book window: the names in a list, the chosen entry's name and
// number in two boxes, buttons to add, delete, change and reorder entries.
// Opened modally by the send page and the entry dialog; after it closes the
// caller reads Name() and Number() (an empty number: nothing was chosen).
// The book is read afresh each time the window is shown.
#pragma once

#include <QDialog>
#include <QString>

#include "app/phonebook/phone_book.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace telvane {

class IUserNotice;

class TFormPhoneBook : public QDialog {
  Q_OBJECT

 public:
  // `folder` holds the book's files (the program's data folder).
  TFormPhoneBook(QString folder, IUserNotice& notice, QWidget* parent = nullptr);

  QString Name() const;
  QString Number() const;
  const PhoneBook& Book() const { return book_; }

  QListWidget* ListBox1;
  QLineEdit* Edit1;  // name
  QLineEdit* Edit2;  // number
  QPushButton* BitBtn1;  // add
  QPushButton* BitBtn2;  // delete
  QPushButton* BitBtn3;  // change
  QPushButton* BitBtn5;  // move up
  QPushButton* BitBtn6;  // move down
  QPushButton* BitBtn4;  // close

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ListBox1Click();
  void ListBox1DblClick();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn5Click();
  void BitBtn6Click();

  void LoadBook();
  // Fills the list from the book and selects `row` (-1: none) without
  // touching the boxes.
  void ShowBook(int row);
  // Runs a change of the book; a file error is shown and the book stays as it was.
  template <typename Change>
  PhoneBookOutcome Apply(Change change);
  void CentreOnParent();

  IUserNotice& notice_;
  PhoneBook book_;
};

}  // namespace telvane
