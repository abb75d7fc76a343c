// Records message boxes and beeps instead of showing them; questions get the
// answer the test set.
#pragma once

#include <QStringList>

#include "viewer/user_notice.h"

namespace telvane::test {

class RecordingNotice : public IUserNotice {
 public:
  void ShowError(QWidget*, const QString& text) override { errors.append(text); }
  void ShowInfo(QWidget*, const QString& text) override { infos.append(text); }
  bool Confirm(QWidget*, const QString& text) override {
    questions.append(text);
    return answerYes;
  }
  void Beep() override { ++beeps; }

  QStringList errors;
  QStringList infos;
  QStringList questions;
  bool answerYes = true;
  int beeps = 0;
};

}  // namespace telvane::test
