#include "viewer/user_notice.h"

#include <QApplication>
#include <QMessageBox>

namespace telvane {
namespace {

class QtNotice final : public IUserNotice {
 public:
  void ShowError(QWidget* parent, const QString& text) override { QMessageBox::critical(parent, QString(), text); }
  void Beep() override { QApplication::beep(); }
};

}  // namespace

IUserNotice& QtUserNotice() {
  static QtNotice notice;
  return notice;
}

}  // namespace telvane
