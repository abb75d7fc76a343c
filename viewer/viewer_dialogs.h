// The two small dialogs of the viewer window: free zoom (TPercentForm) and
// whitespace compression (TWhitespaceCompForm).
#pragma once

#include <QDialog>

#include "viewer/user_notice.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace telvane {

class TPercentForm : public QDialog {
  Q_OBJECT
 public:
  explicit TPercentForm(IUserNotice& notice, QWidget* parent = nullptr);
  // The accepted zoom (25..400).
  int Percent() const;

  QLineEdit* PercentEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

 private:
  void OKBtnClick();
  IUserNotice& notice_;
};

class TWhitespaceCompForm : public QDialog {
  Q_OBJECT
 public:
  explicit TWhitespaceCompForm(IUserNotice& notice, QWidget* parent = nullptr);
  // Fills the controls: the box, and the numbers when compression is on.
  void Load(bool enabled, unsigned from, unsigned to);
  bool CompEnabled() const;
  unsigned From() const;
  unsigned To() const;

  QCheckBox* CompEnabledBox;
  QLineEdit* FromEdit;
  QLineEdit* ToEdit;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* HelpBtn;

 private:
  void OKBtnClick();
  IUserNotice& notice_;
};

}  // namespace telvane
