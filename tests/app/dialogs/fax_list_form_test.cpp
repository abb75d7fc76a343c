// The outgoing-entry dialog: its controls, the phone book and browse buttons
// through their hooks, the conversion of the file filters, and that the
// reused dialog keeps its text.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "app/dialogs/fax_list_form.h"

using telvane::FileDialogRequest;
using telvane::TFaxListForm;

namespace {

const QString kProgramDir = QStringLiteral("/tmp/telvane-program/");

}  // namespace

class FaxListFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void controls_data();
  void controls();
  void fixedSize();
  void nameFilters_data();
  void nameFilters();
  void phoneBookButton_data();
  void phoneBookButton();
  void browseButtons_data();
  void browseButtons();
  void okAndCancelEndTheDialog();
  void reusedDialogKeepsItsText();

 private:
  std::unique_ptr<TFaxListForm> form_;
};

void FaxListFormTest::init() { form_ = std::make_unique<TFaxListForm>(kProgramDir); }
void FaxListFormTest::cleanup() { form_.reset(); }

void FaxListFormTest::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  QTest::newRow("phone book") << "SpeedButton1" << "电话簿";
  QTest::newRow("browse fax") << "SpeedButton2" << "浏览";
  QTest::newRow("browse cover") << "SpeedButton3" << "浏览";
  QTest::newRow("ok") << "Button1" << "添加";
  QTest::newRow("cancel") << "Button2" << "取消";
}

void FaxListFormTest::controls() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  QCOMPARE(form_->windowTitle(), QStringLiteral("添加--修改--删除--传真文件"));
  auto* button = form_->findChild<QPushButton*>(name);
  QVERIFY(button);
  QCOMPARE(button->text(), text);
  for (const char* box : {"flPhoneNumber", "flFileName", "flCover"}) QVERIFY(form_->findChild<QLineEdit*>(box));
  QStringList labels;
  for (QLabel* label : form_->findChildren<QLabel*>()) labels << label->text();
  for (const char* label : {"电话号码", "传真文件名", "覆盖的文件名"}) QVERIFY(labels.contains(QString::fromUtf8(label)));
}

void FaxListFormTest::fixedSize() {
  form_->show();
  QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  QCOMPARE(form_->minimumSize(), form_->maximumSize());
  QCOMPARE(form_->size(), form_->minimumSize());
  // Shown with the focus in the phone box, also after another box had it.
  QCOMPARE(form_->focusWidget(), form_->flPhoneNumber);
  form_->flCover->setFocus();
  form_->hide();
  form_->show();
  QCOMPARE(form_->focusWidget(), form_->flPhoneNumber);
}

void FaxListFormTest::nameFilters_data() {
  QTest::addColumn<QString>("pairs");
  QTest::addColumn<QStringList>("filters");
  QTest::newRow("fax files") << "传真文件(*.Apf)|*.Apf|所有文件(*.*)|*.*"
                             << QStringList{"传真文件 (*.Apf *.apf *.APF)", "所有文件 (*)"};
  QTest::newRow("cover pages") << "覆盖页(*.txt)|*.txt|所有文件(*.*)|*.*"
                               << QStringList{"覆盖页 (*.txt *.TXT)", "所有文件 (*)"};
  QTest::newRow("several patterns") << "Images|*.bmp;*.Pcx" << QStringList{"Images (*.bmp *.BMP *.Pcx *.pcx *.PCX)"};
  QTest::newRow("description without patterns") << "Text|*.txt" << QStringList{"Text (*.txt *.TXT)"};
  QTest::newRow("odd part left out") << "A|*.a|B" << QStringList{"A (*.a *.A)"};
  QTest::newRow("empty") << "" << QStringList{};
}

void FaxListFormTest::nameFilters() {
  QFETCH(QString, pairs);
  QFETCH(QStringList, filters);
  QCOMPARE(telvane::NameFiltersFromPairs(pairs), filters);
}

void FaxListFormTest::phoneBookButton_data() {
  QTest::addColumn<bool>("hooked");
  QTest::addColumn<bool>("chosen");
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("phone");
  QTest::newRow("entry chosen") << true << true << "62345678" << "62345678";
  QTest::newRow("entry without number") << true << true << "" << "old number";
  QTest::newRow("phone book cancelled") << true << false << "999" << "old number";
  QTest::newRow("no phone book") << false << false << "" << "old number";
}

void FaxListFormTest::phoneBookButton() {
  QFETCH(bool, hooked);
  QFETCH(bool, chosen);
  QFETCH(QString, number);
  QFETCH(QString, phone);
  form_->SetPhoneNumber(QStringLiteral("old number"));
  form_->SetFileName(QStringLiteral("a.apf"));
  form_->SetCoverName(QStringLiteral("c.txt"));
  int asked = 0;
  if (hooked) {
    form_->choosePhoneBookEntry = [&](QString& name, QString& n) {
      ++asked;
      name = QStringLiteral("张三");
      n = number;
      return chosen;
    };
  }
  QTest::mouseClick(form_->SpeedButton1, Qt::LeftButton);
  QCOMPARE(asked, hooked ? 1 : 0);
  QCOMPARE(form_->PhoneNumber(), phone);
  // Only the number: the name goes nowhere.
  QCOMPARE(form_->FileName(), QStringLiteral("a.apf"));
  QCOMPARE(form_->CoverName(), QStringLiteral("c.txt"));
}

void FaxListFormTest::browseButtons_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QString>("fileName");
  QTest::addColumn<QString>("coverName");
  QTest::addColumn<QString>("suffix");
  QTest::addColumn<QString>("firstFilter");
  QTest::newRow("fax file chosen") << "SpeedButton2" << "/fax/b.apf" << "/fax/b.apf" << "old.txt" << "Apf"
                                   << "传真文件 (*.Apf *.apf *.APF)";
  QTest::newRow("fax file cancelled") << "SpeedButton2" << "" << "old.apf" << "old.txt" << "Apf"
                                      << "传真文件 (*.Apf *.apf *.APF)";
  QTest::newRow("cover chosen") << "SpeedButton3" << "/fax/d.txt" << "old.apf" << "/fax/d.txt" << "txt"
                                << "覆盖页 (*.txt *.TXT)";
  QTest::newRow("cover cancelled") << "SpeedButton3" << "" << "old.apf" << "old.txt" << "txt"
                                   << "覆盖页 (*.txt *.TXT)";
}

void FaxListFormTest::browseButtons() {
  QFETCH(QString, button);
  QFETCH(QString, chosen);
  QFETCH(QString, fileName);
  QFETCH(QString, coverName);
  QFETCH(QString, suffix);
  QFETCH(QString, firstFilter);
  form_->SetFileName(QStringLiteral("old.apf"));
  form_->SetCoverName(QStringLiteral("old.txt"));
  std::optional<FileDialogRequest> asked;
  form_->chooseFile = [&](const FileDialogRequest& request) {
    asked = request;
    return chosen;
  };
  QTest::mouseClick(form_->findChild<QPushButton*>(button), Qt::LeftButton);
  QVERIFY(asked);
  QCOMPARE(asked->folder, kProgramDir);
  QCOMPARE(asked->defaultSuffix, suffix);
  QCOMPARE(asked->filters.value(0), firstFilter);
  QCOMPARE(asked->filters.value(1), QStringLiteral("所有文件 (*)"));
  QCOMPARE(form_->FileName(), fileName);
  QCOMPARE(form_->CoverName(), coverName);
}

void FaxListFormTest::okAndCancelEndTheDialog() {
  form_->open();
  QTest::mouseClick(form_->Button1, Qt::LeftButton);
  QVERIFY(!form_->isVisible());
  QCOMPARE(form_->result(), int(QDialog::Accepted));
  form_->open();
  QTest::mouseClick(form_->Button2, Qt::LeftButton);
  QVERIFY(!form_->isVisible());
  QCOMPARE(form_->result(), int(QDialog::Rejected));
}

void FaxListFormTest::reusedDialogKeepsItsText() {
  form_->SetOkCaption(QStringLiteral("修改"));
  form_->open();
  QTest::keyClicks(form_->flPhoneNumber, QStringLiteral("5551234"));
  QTest::keyClicks(form_->flFileName, QStringLiteral("/out/a.apf"));
  QTest::mouseClick(form_->Button1, Qt::LeftButton);
  QCOMPARE(form_->Button1->text(), QStringLiteral("修改"));
  form_->SetOkCaption(QStringLiteral("添加"));
  form_->open();
  QCOMPARE(form_->Button1->text(), QStringLiteral("添加"));
  QCOMPARE(form_->PhoneNumber(), QStringLiteral("5551234"));
  QCOMPARE(form_->FileName(), QStringLiteral("/out/a.apf"));
  QCOMPARE(form_->CoverName(), QString());
  form_->reject();
}

QTEST_MAIN(FaxListFormTest)
#include "fax_list_form_test.moc"
