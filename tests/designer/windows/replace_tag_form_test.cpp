// The tag dialog: its groups, labels, limits and masks, the values it shows,
// the checks of "确定" and what reaches the page.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "designer/fax_panel.h"
#include "designer/windows/replace_tag_form.h"
#include "tests/support/qt/recording_notice.h"

using namespace telvane;
using telvane::test::RecordingNotice;

namespace {

// The label that names an edit in the dialog.
QString LabelOf(const QWidget& form, const QLineEdit* edit) {
  for (const QLabel* label : form.findChildren<QLabel*>())
    if (label->buddy() == edit) return label->text();
  return QString();
}

// Replaces an edit's text the way a user does: select all, type.
void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  edit->setCursorPosition(0);
  // Chinese characters have no key of their own: they arrive as key text.
  for (QChar c : text) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class ReplaceTagFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void captionAndButtons();
  void editsSitInTheirGroupsWithTheirLimits_data();
  void editsSitInTheirGroupsWithTheirLimits();
  void showsThePageValues();
  void okChecksPageNumberThenPageCount_data();
  void okChecksPageNumberThenPageCount();
  void acceptedValuesReachThePage();
  void cancelLeavesThePageAlone();
  void centredOnTheScreenNotTheOwner();

 private:
  std::unique_ptr<TFaxPanel> page_;
  RecordingNotice notice_;
};

void ReplaceTagFormTest::init() {
  page_ = std::make_unique<TFaxPanel>();
  notice_ = RecordingNotice();
}

void ReplaceTagFormTest::captionAndButtons() {
  TReplaceTagForm form(*page_, notice_);
  QCOMPARE(form.windowTitle(), QStringLiteral("代替标志"));
  QCOMPARE(form.OKBtn->text(), QStringLiteral("确定"));
  QVERIFY(form.OKBtn->isDefault());
  QCOMPARE(form.CancelBtn->text(), QStringLiteral("取消"));
  QCOMPARE(form.OtherGroup->title(), QStringLiteral("其它"));
  QCOMPARE(form.DateTagLabel->text(), QStringLiteral("$D标志将用当前日期代替"));
  QCOMPARE(form.TimeTagLabel->text(), QStringLiteral("$T标志将用当前时间代替"));
  // The explanation group has nothing to edit.
  QVERIFY(form.OtherGroup->findChildren<QLineEdit*>().isEmpty());
  // Every widget can be found by name.
  for (const QWidget* w : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
}

void ReplaceTagFormTest::editsSitInTheirGroupsWithTheirLimits_data() {
  QTest::addColumn<QString>("edit");
  QTest::addColumn<QString>("group");
  QTest::addColumn<QString>("label");
  QTest::addColumn<int>("typedLength");  // characters that stay of 120 typed
  QTest::addColumn<bool>("masked");
  QTest::newRow("sender") << "SenderEdit" << "定址&A" << "$F-发送者" << 100 << false;
  QTest::newRow("recipient") << "RecipientEdit" << "定址&A" << "$R-接收者" << 100 << false;
  QTest::newRow("page title") << "PageTitleEdit" << "多方面&M" << "$S-页标题" << 60 << false;
  QTest::newRow("station ID") << "StationIDEdit" << "多方面&M" << "$I-工作站ID" << 60 << false;
  QTest::newRow("page number") << "PageNumberEdit" << "页数&N" << "$P-页码" << 4 << true;
  QTest::newRow("page count") << "PageCountEdit" << "页数&N" << "$N-页数" << 4 << true;
}

void ReplaceTagFormTest::editsSitInTheirGroupsWithTheirLimits() {
  QFETCH(QString, edit);
  QFETCH(QString, group);
  QFETCH(QString, label);
  QFETCH(int, typedLength);
  QFETCH(bool, masked);
  TReplaceTagForm form(*page_, notice_);
  form.show();
  auto* control = form.findChild<QLineEdit*>(edit);
  QVERIFY(control);
  auto* box = qobject_cast<QGroupBox*>(control->parentWidget());
  QVERIFY(box);
  QCOMPARE(box->title(), group);
  QCOMPARE(LabelOf(form, control), label);
  QCOMPARE(!control->inputMask().isEmpty(), masked);
  Type(control, QString(120, QLatin1Char('7')));
  QCOMPARE(control->text().trimmed().size(), typedLength);
  if (masked) {
    // Letters never get into a number.
    Type(control, QStringLiteral("a1b2"));
    QCOMPARE(control->text().trimmed(), QStringLiteral("12"));
  }
}

void ReplaceTagFormTest::showsThePageValues() {
  page_->Sender = QStringLiteral("张三");
  page_->Recipient = QStringLiteral("李四");
  page_->PageTitle = QStringLiteral("报价");
  page_->StationID = QStringLiteral("+86 10 1234");
  page_->PageNumber = 7;
  page_->PageCount = 1234;
  TReplaceTagForm form(*page_, notice_);
  QCOMPARE(form.SenderEdit->text(), page_->Sender);
  QCOMPARE(form.RecipientEdit->text(), page_->Recipient);
  QCOMPARE(form.PageTitleEdit->text(), page_->PageTitle);
  QCOMPARE(form.StationIDEdit->text(), page_->StationID);
  QCOMPARE(form.PageNumberEdit->text().trimmed(), QStringLiteral("7"));
  QCOMPARE(form.PageCountEdit->text().trimmed(), QStringLiteral("1234"));
}

void ReplaceTagFormTest::okChecksPageNumberThenPageCount_data() {
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("count");
  QTest::addColumn<QString>("message");  // empty: the dialog closes accepted
  QTest::addColumn<QString>("focused");
  const QString badNumber = QStringLiteral("Invalid page number entered.");
  const QString badCount = QStringLiteral("Invalid page count entered.");
  QTest::newRow("number 0") << "0" << "3" << badNumber << "PageNumberEdit";
  QTest::newRow("number empty") << "" << "3" << badNumber << "PageNumberEdit";
  QTest::newRow("number checked first") << "0" << "0" << badNumber << "PageNumberEdit";
  QTest::newRow("count 0") << "2" << "0" << badCount << "PageCountEdit";
  QTest::newRow("count empty") << "2" << "" << badCount << "PageCountEdit";
  QTest::newRow("count 0000") << "2" << "0000" << badCount << "PageCountEdit";
  QTest::newRow("one of one") << "1" << "1" << "" << "";
  QTest::newRow("leading zeros") << "0009" << "0012" << "" << "";
  QTest::newRow("largest") << "9999" << "9999" << "" << "";
}

void ReplaceTagFormTest::okChecksPageNumberThenPageCount() {
  QFETCH(QString, number);
  QFETCH(QString, count);
  QFETCH(QString, message);
  QFETCH(QString, focused);
  TReplaceTagForm form(*page_, notice_);
  form.show();
  Type(form.PageNumberEdit, number);
  Type(form.PageCountEdit, count);
  form.SenderEdit->setFocus();
  QTest::mouseClick(form.OKBtn, Qt::LeftButton);
  if (message.isEmpty()) {
    QVERIFY(notice_.errors.isEmpty());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
    return;
  }
  QCOMPARE(notice_.errors, QStringList{message});
  QVERIFY(form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Rejected));
  auto* offending = form.findChild<QLineEdit*>(focused);
  QCOMPARE(form.focusWidget(), offending);
  QCOMPARE(offending->selectedText(), offending->displayText());
  QVERIFY(offending->hasSelectedText());
}

void ReplaceTagFormTest::acceptedValuesReachThePage() {
  page_->PageNumber = 1;
  page_->PageCount = 1;
  const bool copied = EditTagValues(*page_, notice_, [](QDialog& dialog) {
    auto& form = static_cast<TReplaceTagForm&>(dialog);
    dialog.show();
    Type(form.SenderEdit, QStringLiteral("华东公司$S"));
    Type(form.RecipientEdit, QStringLiteral("王经理"));
    Type(form.PageTitleEdit, QStringLiteral("订单"));
    Type(form.StationIDEdit, QStringLiteral("ID 42"));
    Type(form.PageNumberEdit, QStringLiteral("2"));
    Type(form.PageCountEdit, QStringLiteral("15"));
    QTest::mouseClick(form.OKBtn, Qt::LeftButton);
    return dialog.result();
  });
  QVERIFY(copied);
  QCOMPARE(page_->Sender, QStringLiteral("华东公司$S"));
  QCOMPARE(page_->Recipient, QStringLiteral("王经理"));
  QCOMPARE(page_->PageTitle, QStringLiteral("订单"));
  QCOMPARE(page_->StationID, QStringLiteral("ID 42"));
  QCOMPARE(page_->PageNumber, 2);
  QCOMPARE(page_->PageCount, 15);
}

void ReplaceTagFormTest::cancelLeavesThePageAlone() {
  page_->Sender = QStringLiteral("原来的");
  page_->PageNumber = 3;
  const bool copied = EditTagValues(*page_, notice_, [](QDialog& dialog) {
    auto& form = static_cast<TReplaceTagForm&>(dialog);
    dialog.show();
    Type(form.SenderEdit, QStringLiteral("改过的"));
    Type(form.PageNumberEdit, QStringLiteral("9"));
    QTest::mouseClick(form.CancelBtn, Qt::LeftButton);
    return dialog.result();
  });
  QVERIFY(!copied);
  QCOMPARE(page_->Sender, QStringLiteral("原来的"));
  QCOMPARE(page_->PageNumber, 3);
}

void ReplaceTagFormTest::centredOnTheScreenNotTheOwner() {
  QWidget owner;
  owner.setGeometry(0, 0, 120, 80);
  owner.show();
  TReplaceTagForm form(*page_, notice_, &owner);
  form.show();
  const QPoint screenCentre = owner.screen()->availableGeometry().center();
  const QPoint formCentre = form.frameGeometry().center();
  QVERIFY2((formCentre - screenCentre).manhattanLength() <= 2,
           qPrintable(QStringLiteral("%1,%2").arg(formCentre.x()).arg(formCentre.y())));
}

QTEST_MAIN(ReplaceTagFormTest)
#include "replace_tag_form_test.moc"
