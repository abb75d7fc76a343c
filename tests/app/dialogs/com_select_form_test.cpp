// The port selection dialog: it lists the devices it is given with the first
// selected, OK gives the chosen device's path, and an empty list says so and
// leaves only Cancel.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/com_select_form.h"

using telvane::SerialPortInfo;
using telvane::TComSelectForm;
using Ports = std::vector<SerialPortInfo>;

Q_DECLARE_METATYPE(Ports)

namespace {

const Ports kPorts{{"/dev/ttyS0", "ttyS0"},
                   {"/dev/ttyUSB0", "ttyUSB0"},
                   {"/dev/serial/by-id/usb-Example_Modem-if00", "usb-Example_Modem-if00 (ttyUSB0)"}};

}  // namespace

class ComSelectFormTest : public QObject {
  Q_OBJECT

 private slots:
  void choosePort_data();
  void choosePort();
  void cancelGivesNoPath();
  void scanListsTheMachinesPorts();
};

void ComSelectFormTest::choosePort_data() {
  QTest::addColumn<Ports>("ports");
  QTest::addColumn<int>("pick");  // -1: keep what the dialog selected
  QTest::addColumn<bool>("accepted");
  QTest::addColumn<QString>("path");
  QTest::newRow("first selected at the start") << kPorts << -1 << true << "/dev/ttyS0";
  QTest::newRow("stable USB name chosen") << kPorts << 2 << true << "/dev/serial/by-id/usb-Example_Modem-if00";
  QTest::newRow("one port") << Ports{{"/dev/ttyACM0", "ttyACM0"}} << -1 << true << "/dev/ttyACM0";
  QTest::newRow("no ports: OK does nothing") << Ports{} << -1 << false << "";
}

void ComSelectFormTest::choosePort() {
  QFETCH(Ports, ports);
  QFETCH(int, pick);
  QFETCH(bool, accepted);
  QFETCH(QString, path);
  TComSelectForm form(ports);
  QCOMPARE(form.PortsComboBox->count(), int(ports.size()));
  for (int i = 0; i < int(ports.size()); ++i)
    QCOMPARE(form.PortsComboBox->itemText(i), QString::fromStdString(ports[std::size_t(i)].label));
  QCOMPARE(form.PortsComboBox->currentIndex(), ports.empty() ? -1 : 0);
  QCOMPARE(form.OkButton->isEnabled(), !ports.empty());
  QCOMPARE(form.PortsLabel->text().contains(QStringLiteral("No serial port")), ports.empty());
  if (pick >= 0) form.PortsComboBox->setCurrentIndex(pick);
  form.open();
  form.OkButton->click();
  QCOMPARE(!form.isVisible(), accepted);
  QCOMPARE(QString::fromStdString(form.DevicePath()), path);
  if (accepted) QCOMPARE(form.result(), int(QDialog::Accepted));
  form.reject();
}

void ComSelectFormTest::cancelGivesNoPath() {
  TComSelectForm form(kPorts);
  form.open();
  QTest::mouseClick(form.CancelButton, Qt::LeftButton);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Rejected));
}

void ComSelectFormTest::scanListsTheMachinesPorts() {
  const std::unique_ptr<TComSelectForm> form = TComSelectForm::ScanMachine();
  const Ports ports = telvane::ListSerialPorts();
  QCOMPARE(form->PortsComboBox->count(), int(ports.size()));
  QCOMPARE(form->DevicePath(), ports.empty() ? std::string() : ports.front().path);
}

QTEST_MAIN(ComSelectFormTest)
#include "com_select_form_test.moc"
