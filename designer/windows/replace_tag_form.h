// TReplaceTagForm: the tag dialog, in which the user sets the tag values of
// the design being edited (sender, recipient, page title, station ID, page
// number and page count). Its limits and checks are ReplaceTagRules.
#pragma once

#include <QDialog>
#include <functional>

#include "designer/tag_dialog_rules.h"
#include "viewer/user_notice.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace telvane {

class TFaxPanel;

class TReplaceTagForm : public QDialog {
  Q_OBJECT

 public:
  // The controls show the page's values; the page itself is not changed
  // here (see Rules and ApplyTo).
  TReplaceTagForm(const TFaxPanel& page, IUserNotice& notice, QWidget* parent = nullptr);

  // The values as the controls hold them now.
  ReplaceTagRules Rules() const;
  // After the dialog was accepted: copies the six values into the page.
  bool ApplyTo(TFaxPanel& page) const;

  QGroupBox* AddressGroup;  // "定址&A"
  QGroupBox* MiscGroup;     // "多方面&M"
  QGroupBox* PagesGroup;    // "页数&N"
  QGroupBox* OtherGroup;    // "其它"
  QLineEdit* SenderEdit;
  QLineEdit* RecipientEdit;
  QLineEdit* PageTitleEdit;
  QLineEdit* StationIDEdit;
  QLineEdit* PageNumberEdit;
  QLineEdit* PageCountEdit;
  QLabel* DateTagLabel;
  QLabel* TimeTagLabel;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OKBtnClick();

  IUserNotice& notice_;
};

// The "代替标志" command: runs the tag dialog for the page with `run` and,
// when it is accepted, copies its values into the page. True when copied.
bool EditTagValues(TFaxPanel& page, IUserNotice& notice, const std::function<int(QDialog&)>& run,
                   QWidget* parent = nullptr);

}  // namespace telvane
