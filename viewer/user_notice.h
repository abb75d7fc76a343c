// How windows tell the user about errors: message boxes and beeps behind a
// small interface, so that tests can record them instead of blocking.
#pragma once

#include <QString>

class QWidget;

namespace telvane {

class IUserNotice {
 public:
  virtual ~IUserNotice() = default;
  virtual void ShowError(QWidget* parent, const QString& text) = 0;
  // An information box with an OK button.
  virtual void ShowInfo(QWidget* parent, const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // A question with OK and Cancel under `title`; true for OK. A notice that
  // knows no such box asks its Yes/No question.
  virtual bool AskOkCancel(QWidget* parent, const QString& title, const QString& text) {
    (void)title;
    return Confirm(parent, text);
  }
  virtual void Beep() = 0;
};

// Message boxes and the system beep.
IUserNotice& QtUserNotice();

}  // namespace telvane
