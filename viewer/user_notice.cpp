#include "viewer/user_notice.h"

#include <QApplication>
#include <QMessageBox>

namespace telvane {
namespace {

class QtNotice final : public IUserNotice {
 public:
  void ShowError(QWidget* parent, const QString& text) override { QMessageBox::critical(parent, QString(), text); }
  void ShowInfo(QWidget* parent, const QString& text) override { QMessageBox::information(parent, QString(), text); }
  bool Confirm(QWidget* parent, const QString& text) override {
    return QMessageBox::question(parent, QString(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  }
  bool AskOkCancel(QWidget* parent, const QString& title, const QString& text) override {
    return QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
           QMessageBox::Ok;
  }
  void Beep() override { QApplication::beep(); }
};

}  // namespace

IUserNotice& QtUserNotice() {
  static QtNotice notice;
  return notice;
}

}  // namespace telvane
