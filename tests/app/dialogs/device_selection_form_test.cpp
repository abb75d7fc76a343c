// The modem selection: which entry the dialog offers, when its timer takes
// the stored device without the user, and what OK and Cancel return.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <optional>

#include "app/dialogs/device_selection_form.h"

using telvane::TDeviceSelectionForm_My;

Q_DECLARE_METATYPE(std::optional<std::string>)

namespace {

const std::vector<std::string> kDevices{"ttyS0", "ttyUSB0", "simulated line"};

}  // namespace

class DeviceSelectionFormTest : public QObject {
  Q_OBJECT

 private slots:
  void controls();
  void selectModem_data();
  void selectModem();
  void emptyListShowsNothing();
  void okNeedsASelectedEntry();
};

void DeviceSelectionFormTest::controls() {
  TDeviceSelectionForm_My form;
  QCOMPARE(form.windowTitle(), QStringLiteral("选择设备"));
  auto* list = form.findChild<QComboBox*>(QStringLiteral("dsfComboBox"));
  QVERIFY(list);
  QVERIFY(!list->isEditable());
  auto* ok = form.findChild<QPushButton*>(QStringLiteral("dsfOkBitBtn"));
  auto* cancel = form.findChild<QPushButton*>(QStringLiteral("dsfCancelBitBtn"));
  QVERIFY(ok && cancel);
  QCOMPARE(ok->text(), QStringLiteral("确定"));
  QVERIFY(ok->isDefault());
  QCOMPARE(cancel->text(), QStringLiteral("取消"));
  QCOMPARE(form.Timer1().interval(), 1);
  QVERIFY(!form.Timer1().isActive());
}

// `userAction`: what the user does when the dialog is still open after the
// event loop has run a while ("" when it is expected to have closed itself).
void DeviceSelectionFormTest::selectModem_data() {
  QTest::addColumn<bool>("showAlways");
  QTest::addColumn<std::optional<std::string>>("stored");
  QTest::addColumn<QString>("offered");     // selected when the dialog runs
  QTest::addColumn<bool>("autoOk");
  QTest::addColumn<QString>("userAction");  // "ok", "cancel" or ""
  QTest::addColumn<int>("result");
  QTest::addColumn<QString>("chosen");

  QTest::newRow("stored device taken without the user")
      << false << std::optional<std::string>("ttyUSB0") << "ttyUSB0" << true << "" << 1 << "ttyUSB0";
  QTest::newRow("stored device no longer there: first offered, user cancels")
      << false << std::optional<std::string>("old modem") << "ttyS0" << false << "cancel" << 2 << "";
  QTest::newRow("stored device no longer there: user takes the first")
      << false << std::optional<std::string>("old modem") << "ttyS0" << false << "ok" << 1 << "ttyS0";
  QTest::newRow("nothing stored: first offered")
      << false << std::optional<std::string>() << "ttyS0" << false << "ok" << 1 << "ttyS0";
  QTest::newRow("button: stored device offered, the user decides")
      << true << std::optional<std::string>("simulated line") << "simulated line" << false << "cancel" << 2 << "";
  QTest::newRow("names compare exactly")
      << false << std::optional<std::string>("TTYUSB0") << "ttyS0" << false << "cancel" << 2 << "";
}

void DeviceSelectionFormTest::selectModem() {
  QFETCH(bool, showAlways);
  QFETCH(std::optional<std::string>, stored);
  QFETCH(QString, offered);
  QFETCH(bool, autoOk);
  QFETCH(QString, userAction);
  QFETCH(int, result);
  QFETCH(QString, chosen);

  int runs = 0;
  auto run = [&](TDeviceSelectionForm_My& form) {
    ++runs;
    [&] {
      QCOMPARE(form.dsfComboBox->count(), 3);
      QCOMPARE(form.dsfComboBox->currentText(), offered);
      QCOMPARE(form.Timer1().isActive(), autoOk);
    }();
    form.open();
    // Give the 1 ms timer ample time to press OK if it is going to.
    QTest::qWait(30);
    if (userAction == QLatin1String("ok"))
      QTest::mouseClick(form.dsfOkBitBtn, Qt::LeftButton);
    else if (userAction == QLatin1String("cancel"))
      QTest::mouseClick(form.dsfCancelBitBtn, Qt::LeftButton);
    [&] { QVERIFY2(!form.isVisible(), "the dialog is still open"); }();
    return form.result();
  };
  std::string name = "untouched";
  QCOMPARE(telvane::SelectModem(showAlways, kDevices, stored, run, name), result);
  QCOMPARE(runs, 1);
  QCOMPARE(QString::fromStdString(name), result == 1 ? chosen : QStringLiteral("untouched"));
}

void DeviceSelectionFormTest::emptyListShowsNothing() {
  int runs = 0;
  std::string name = "untouched";
  const int result = telvane::SelectModem(
      false, {}, std::optional<std::string>("ttyS0"),
      [&](TDeviceSelectionForm_My&) {
        ++runs;
        return int(QDialog::Accepted);
      },
      name);
  QCOMPARE(result, 2);
  QCOMPARE(runs, 0);
  QCOMPARE(name, std::string("untouched"));
}

void DeviceSelectionFormTest::okNeedsASelectedEntry() {
  TDeviceSelectionForm_My form;
  form.SetDevices(kDevices);
  QCOMPARE(form.dsfComboBox->currentIndex(), -1);
  form.open();
  QTest::mouseClick(form.dsfOkBitBtn, Qt::LeftButton);
  QVERIFY(form.isVisible());
  // The timer presses OK, which also needs a selection.
  form.EnableAutoOk();
  QTest::qWait(20);
  QVERIFY(form.isVisible());
  form.dsfComboBox->setCurrentIndex(2);
  QTest::mouseClick(form.dsfOkBitBtn, Qt::LeftButton);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
  QCOMPARE(form.SelectedName(), std::string("simulated line"));
}

QTEST_MAIN(DeviceSelectionFormTest)
#include "device_selection_form_test.moc"
