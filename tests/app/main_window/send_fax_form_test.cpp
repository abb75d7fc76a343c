// The main window's start-up, stored settings and session settings, with the
// settings store's in-memory fake and the modem devices chosen by the test.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <memory>

#include "app/dialogs/device_selection_form.h"
#include "app/main_window/main_settings.h"
#include "app/main_window/send_fax_form.h"
#include "viewer/view_fax_form.h"
#include "app/main_window/outgoing_entries.h"
#include "app/main_window/session_display.h"
#include "app/background/document_jobs.h"
#include "app/dialogs/fax_list_form.h"
#include "designer/windows/memo_form.h"
#include "app/phonebook/phone_book_form.h"
#include "app/settings/memory_settings_store.h"
#include "tests/support/qt/recording_notice.h"

using namespace telvane;
using namespace telvane::mainsettings;

namespace {

const char* const kFax = "software\\Kestrel\\Fax";

// One window over a fresh store, data folder and device list.
struct Window {
  explicit Window(std::vector<std::string> deviceNames = {"USB Modem", "simulated line"},
                  std::function<void(MemorySettingsStore&)> seed = {}) {
    if (seed) seed(store);
    std::vector<TelephonyDevice> devices;
    for (const std::string& name : deviceNames)
      devices.push_back({name, name == kSimulatedLineName ? "" : "/dev/null",
                         name == kSimulatedLineName ? TelephonyDeviceKind::Simulated : TelephonyDeviceKind::Configured});
    MainWindowEnvironment env;
    env.store = &store;
    env.programDir = dir.path().toStdString() + "/";
    env.notice = &notice;
    env.devices = devices;
    form = std::make_unique<TSendFaxForm>(env);
    form->RunDialog = [this](QDialog& dialog) {
      dialogs << dialog.objectName();
      return onDialog ? onDialog(dialog) : static_cast<int>(QDialog::Rejected);
    };
  }
  // Shows the window and lets its start-up run.
  void Start() {
    form->show();
    QTRY_VERIFY(form->Label17->text().size() > 0);
  }
  std::string Dir() const { return dir.path().toStdString() + "/"; }

  QTemporaryDir dir;
  MemorySettingsStore store;
  test::RecordingNotice notice;
  QStringList dialogs;
  std::function<int(QDialog&)> onDialog;
  std::unique_ptr<TSendFaxForm> form;
};

std::function<void(MemorySettingsStore&)> Stored(const char* name, int value) {
  return [name, value](MemorySettingsStore& s) { s.WriteInteger(kFax, name, value); };
}

}  // namespace

class SendFaxFormTest : public QObject {
  Q_OBJECT

 private slots:
  void emptyStoreShowsEveryDefaultAndWritesNothing();
  void firstSessionGetsTheDefaults();
  void storedIntegersSelectTheirItems_data();
  void storedIntegersSelectTheirItems();
  void storedValuesReachTheComponents_data();
  void storedValuesReachTheComponents();
  void toneDialStoredAsAnyNonZeroSelectsPulse();
  void changeHandlersWriteThroughAtOnce();
  void typedInitStringIsLostAtTheNextStart();
  void presetChoiceFillsTheInitString();
  void notANumberIsReportedAndNotStored();
  void failedWriteKeepsTheControlsValue();
  void logNameForms_data();
  void logNameForms();
  void storedModemSelection_data();
  void storedModemSelection();
  void noDevicesSkipsTheSelection();
  void autoAnswerStoredStartsWaitingOnTheSimulatedLine();
  void phoneBookChoiceFillsNumberAndName();
  void clockShowsDateAndTime();
  void elapsedAndPercentFormats_data();
  void elapsedAndPercentFormats();
  void entryTextsAndLines_data();
  void entryTextsAndLines();
  void addConvertsIntoTheOutboxInOrder();
  void modifyAndDeleteEntries();
  void defaultCoverIsWrittenWhenTheSendPageOpens();
  void aTextCoverWrittenInTheEditorBecomesTheDocument();
  void conversionButtonsOpenTheirWindows();
  void receivedLineOpensTheFaxInTheViewer();
};

void SendFaxFormTest::emptyStoreShowsEveryDefaultAndWritesNothing() {
  Window w;
  w.Start();
  TSendFaxForm& f = *w.form;
  QCOMPARE(f.windowTitle(), QStringLiteral("传真收发系统"));
  QCOMPARE(f.PageControl2->count(), 4);
  QCOMPARE(f.PageControl2->currentWidget(), f.TabSheet3);
  QCOMPARE(f.ComboInit->currentIndex(), 0);
  QCOMPARE(f.ComboInit->itemText(2), QStringLiteral("标准的Rts/Cts流控制  "));
  QCOMPARE(f.ComboInit->itemText(5), QStringLiteral("\\Q3标准的Rts/Cts流控制 "));
  QVERIFY(f.EditInit->text().isEmpty());
  QVERIFY(f.RadioButton1->isChecked());
  QCOMPARE(f.ComboClass->currentText(), QStringLiteral("class1"));
  QCOMPARE(f.Label17->text(), QStringLiteral("class1"));
  QCOMPARE(f.RadioGroup3->checkedId(), 0);
  QCOMPARE(f.edtRetryWait->text(), QStringLiteral("60"));
  QCOMPARE(f.edtDialAttempts->text(), QStringLiteral("3"));
  QCOMPARE(f.ComboRing->currentText(), QStringLiteral("0"));
  QCOMPARE(f.FaxFileType->currentText(), QStringLiteral("BMP"));
  QCOMPARE(f.rfNameStyle->checkedId(), 0);
  QCOMPARE(f.Bauds->checkedButton()->text(), QStringLiteral("9600"));
  QCOMPARE(f.EditLogName->text().toStdString(), w.Dir());
  QCOMPARE(f.rfDirectory->text().toStdString(), w.Dir());
  QVERIFY(f.cbxEnhTextEnabled->isChecked());
  QCOMPARE(f.HeaderTitle->text(), QStringLiteral("Fax sent by $I using  Telvane    $D $T"));
  QCOMPARE(f.RadioGroup1->checkedButton()->text(), QStringLiteral("包括覆盖页"));
  QCOMPARE(f.RadioGroup2->checkedButton()->text(), QStringLiteral("6k"));
  QVERIFY(!f.AutoAnswer->isChecked());
  QVERIFY(!f.PrintCheckBox->isChecked());
  QCOMPARE(f.StatusMsg->text(), QStringLiteral("OK"));
  QCOMPARE(f.ElapsedLabel->text(), QStringLiteral("00:00"));
  QCOMPARE(f.ApdComPort1.LogSize(), 65521u);
  QCOMPARE(f.SessionMode(), 0);
  // Without a stored modem the user is asked (here: cancelled).
  QCOMPARE(w.dialogs, QStringList{QStringLiteral("DeviceSelectionForm_My")});
  QCOMPARE(w.store.writes, 0);
  QVERIFY(w.store.KeyExists(kFax));
  QVERIFY(w.notice.errors.isEmpty());
}

void SendFaxFormTest::firstSessionGetsTheDefaults() {
  Window w;
  w.Start();
  TSendFaxForm& f = *w.form;
  QVERIFY(f.ApplySendStartSettings());
  f.ApplySessionSettings();
  for (TApdAbstractFax* fax : {static_cast<TApdAbstractFax*>(&f.ApdSendFax1), static_cast<TApdAbstractFax*>(&f.ApdReceiveFax1)}) {
    QCOMPARE(fax->DesiredBPS(), 9600);
    QCOMPARE(fax->FaxClass(), fcClass1);
  }
  QVERIFY(f.ApdSendFax1.ToneDial());
  QVERIFY(!f.ApdSendFax1.BlindDial());
  QCOMPARE(f.ApdReceiveFax1.AnswerOnRing(), 0);
  QCOMPARE(f.ApdSendFax1.DialRetryWait(), 60);
  QCOMPARE(f.ApdSendFax1.DialAttempts(), 3);
  QCOMPARE(f.ApdSendFax1.DialWait(), 500);  // keeps its designed value
  QCOMPARE(f.ApdReceiveFax1.FaxNameMode(), 1);
  QCOMPARE(f.ApdReceiveFax1.DestinationDir(), w.Dir());
  QCOMPARE(f.ApdComPort1.LogName(), w.Dir() + "Telvane.log");
  QCOMPARE(f.ApdComPort1.TraceName(), w.Dir() + "Telvane.trc");
  QCOMPARE(f.ApdComPort1.HWFlowOptions(), static_cast<HWFlowOptionSet>(hwfUseRTS | hwfRequireCTS));
  QVERIFY(f.ApdSendFax1.EnhTextEnabled());
  QCOMPARE(f.ApdSendFax1.EnhFont().Size(), 11);
  QCOMPARE(f.ApdSendFax1.HeaderTitle(), std::string(kDefaultHeaderTitle));

  // A receive folder typed in that does not exist yet is made before a
  // session uses it.
  f.rfDirectory->setText(QString::fromStdString(w.Dir() + "in/faxes"));
  f.ApplySessionSettings();
  QCOMPARE(f.ApdReceiveFax1.DestinationDir(), w.Dir() + "in/faxes/");
  QVERIFY(QFileInfo(QString::fromStdString(w.Dir() + "in/faxes")).isDir());
}

void SendFaxFormTest::storedIntegersSelectTheirItems_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("stored");
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("shown");
  QTest::newRow("Bauds 7") << "Bauds" << 7 << "Bauds" << "38400";
  QTest::newRow("FaxClass 3") << "FaxClass" << 3 << "ComboClass" << "class2.0";
  QTest::newRow("Ring 4") << "Ring" << 4 << "ComboRing" << "4";
  QTest::newRow("FaxFileType 3") << "FaxFileType" << 3 << "FaxFileType" << "TIFF";
  QTest::newRow("ModemInit 6") << "ModemInit" << 6 << "ComboInit" << "\\Q1标准的Xon/Xoff流控制 ";
  QTest::newRow("FaxFileNameType 1") << "FaxFileNameType" << 1 << "rfNameStyle" << "mmddnnnn.APF";
  QTest::newRow("LogSize 1") << "LogSize" << 1 << "RadioGroup2" << "1M";
  QTest::newRow("NoCover 1") << "NoCover" << 1 << "RadioGroup1" << "无覆盖页";
  QTest::newRow("HWFControl 0") << "HWFControl" << 0 << "RadioButton2" << "XON/XOFF";
}

void SendFaxFormTest::storedIntegersSelectTheirItems() {
  QFETCH(QString, name);
  QFETCH(int, stored);
  QFETCH(QString, control);
  QFETCH(QString, shown);
  const std::string value = name.toStdString();
  Window w({"simulated line"}, [&](MemorySettingsStore& s) { s.WriteInteger(kFax, value, stored); });
  w.Start();
  QObject* c = w.form->findChild<QObject*>(control);
  QVERIFY2(c, qPrintable(control));
  QString text;
  if (auto* box = qobject_cast<QComboBox*>(c)) text = box->currentText();
  if (auto* group = qobject_cast<QButtonGroup*>(c)) text = group->checkedButton()->text();
  if (auto* radio = qobject_cast<QRadioButton*>(c)) text = radio->isChecked() ? radio->text() : QString();
  QCOMPARE(text, shown);
  // A drop-down list is not written back by loading; the stored value stays.
  QCOMPARE(*w.store.ReadInteger(kFax, value), stored);
  // A stored preset shows in the list while the init strings stay empty.
  QVERIFY(w.form->EditInit->text().isEmpty());
  QVERIFY(w.form->ApdSendFax1.ModemInit().empty());
}

void SendFaxFormTest::storedValuesReachTheComponents_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("stored");
  QTest::newRow("Bauds 7 gives 38400") << "Bauds" << 7;
  QTest::newRow("Bauds 12 gives 9600") << "Bauds" << 12;
  QTest::newRow("FaxClass 3 gives class 2.0") << "FaxClass" << 3;
  QTest::newRow("Ring 5") << "Ring" << 5;
  QTest::newRow("LogSize true gives 1000000") << "LogSize" << 1;
  QTest::newRow("FaxFileNameType gives month-day names") << "FaxFileNameType" << 1;
}

void SendFaxFormTest::storedValuesReachTheComponents() {
  QFETCH(QString, name);
  QFETCH(int, stored);
  const std::string value = name.toStdString();
  Window w({"simulated line"}, [&](MemorySettingsStore& s) { s.WriteInteger(kFax, value, stored); });
  w.Start();
  TSendFaxForm& f = *w.form;
  if (name == QLatin1String("LogSize")) QCOMPARE(f.ApdComPort1.LogSize(), 1000000u);  // at load already
  f.ApplySessionSettings();
  if (name == QLatin1String("Bauds")) QCOMPARE(f.ApdReceiveFax1.DesiredBPS(), stored == 7 ? 38400 : 9600);
  if (name == QLatin1String("FaxClass")) {
    QCOMPARE(f.Label17->text(), QStringLiteral("class2.0"));
    QCOMPARE(f.ApdSendFax1.FaxClass(), fcClass2_0);
    QCOMPARE(f.ApdReceiveFax1.FaxClass(), fcClass2_0);
  }
  if (name == QLatin1String("Ring")) QCOMPARE(f.ApdReceiveFax1.AnswerOnRing(), 5);
  if (name == QLatin1String("LogSize")) QCOMPARE(f.ApdComPort1.TraceSize(), 1000000u);
  if (name == QLatin1String("FaxFileNameType")) QCOMPARE(f.ApdReceiveFax1.FaxNameMode(), 2);
}

void SendFaxFormTest::toneDialStoredAsAnyNonZeroSelectsPulse() {
  Window w({"simulated line"}, Stored(kToneDial, 5));
  w.Start();
  TSendFaxForm& f = *w.form;
  QCOMPARE(f.RadioGroup3->checkedButton()->text(), QStringLiteral("脉冲拨号"));
  // Loading a radio group runs its handler: the item index is written back.
  QCOMPARE(*w.store.ReadInteger(kFax, kToneDial), 1);
  f.RadioGroup3->button(0)->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kToneDial), 0);
  f.RadioGroup3->button(1)->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kToneDial), 1);
  f.ApplySessionSettings();
  QVERIFY(!f.ApdSendFax1.ToneDial());
  QVERIFY(f.ApdSendFax1.BlindDial());
}

void SendFaxFormTest::changeHandlersWriteThroughAtOnce() {
  Window w;
  w.Start();
  TSendFaxForm& f = *w.form;
  f.StationID->setText(QStringLiteral("传真 5551234"));
  QCOMPARE(*w.store.ReadString(kFax, kStationID), std::string("传真 5551234"));
  f.edtRetryWait->setText(QStringLiteral("90"));
  QCOMPARE(*w.store.ReadInteger(kFax, kDialWait), 90);
  QCOMPARE(f.ApdSendFax1.DialRetryWait(), 90);
  f.edtDialAttempts->setText(QStringLiteral("7"));
  QCOMPARE(f.ApdSendFax1.DialAttempts(), 7);
  f.DialPrefix->setText(QStringLiteral("9,"));
  QCOMPARE(f.ApdSendFax1.DialPrefix(), std::string("9,"));
  f.ComboRing->setCurrentIndex(3);
  emit f.ComboRing->activated(3);
  QCOMPARE(f.ApdReceiveFax1.AnswerOnRing(), 3);
  QCOMPARE(*w.store.ReadInteger(kFax, kRing), 3);
  f.Bauds->button(8)->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kBauds), 8);
  f.RadioGroup2->button(0)->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kLogSize), 1);
  QCOMPARE(f.ApdComPort1.LogSize(), 1000000u);
  f.cbxEnhTextEnabled->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kEnhTextEnabled), 0);
  f.RadioButton2->click();
  QCOMPARE(*w.store.ReadInteger(kFax, kHWFControl), 0);
  // A new window over the same store shows what was written.
  Window again({"simulated line"}, [&](MemorySettingsStore& s) {
    for (const char* name : {kDialWait, kRing, kBauds, kLogSize, kEnhTextEnabled, kHWFControl})
      s.WriteInteger(kFax, name, *w.store.ReadInteger(kFax, name));
    s.WriteString(kFax, kStationID, *w.store.ReadString(kFax, kStationID));
  });
  again.Start();
  QCOMPARE(again.form->StationID->text(), QStringLiteral("传真 5551234"));
  QCOMPARE(again.form->edtRetryWait->text(), QStringLiteral("90"));
  QCOMPARE(again.form->Bauds->checkedId(), 8);
  QVERIFY(again.form->RadioButton2->isChecked());
  QVERIFY(!again.form->cbxEnhTextEnabled->isChecked());
}

void SendFaxFormTest::typedInitStringIsLostAtTheNextStart() {
  Window w;
  w.Start();
  w.form->EditInit->setText(QStringLiteral("ATZ&F"));
  QCOMPARE(w.form->ApdSendFax1.ModemInit(), std::string("ATZ&F"));
  QCOMPARE(w.form->ApdReceiveFax1.ModemInit(), std::string("ATZ&F"));
  QVERIFY(!w.store.ValueExists(kFax, kModemInit));
  w.form->ApplySessionSettings();
  QCOMPARE(w.form->ApdSendFax1.ModemInit(), std::string("ATZ&F"));
  Window next;
  next.Start();
  QVERIFY(next.form->EditInit->text().isEmpty());
  QVERIFY(next.form->ApdSendFax1.ModemInit().empty());
}

void SendFaxFormTest::presetChoiceFillsTheInitString() {
  Window w;
  w.Start();
  w.form->ComboInit->setCurrentIndex(5);
  emit w.form->ComboInit->activated(5);
  QCOMPARE(w.form->EditInit->text(), QStringLiteral("AT&F&C1&D2\\Q3S7=60"));
  QCOMPARE(w.form->ApdReceiveFax1.ModemInit(), std::string("AT&F&C1&D2\\Q3S7=60"));
  QCOMPARE(*w.store.ReadInteger(kFax, kModemInit), 5);
}

void SendFaxFormTest::notANumberIsReportedAndNotStored() {
  Window w;
  w.Start();
  w.form->edtRetryWait->setText(QStringLiteral("6x"));
  QCOMPARE(w.notice.errors, QStringList{QStringLiteral("'6x' is not a valid integer value")});
  QVERIFY(!w.store.ValueExists(kFax, kDialWait));
  QCOMPARE(w.form->ApdSendFax1.DialRetryWait(), 500);
  // An emptied box is a number still being typed: not reported, but a send
  // cannot start with it.
  w.form->edtDialAttempts->clear();
  QCOMPARE(w.notice.errors.size(), 1);
  QVERIFY(!w.form->ApplySendStartSettings());
  QCOMPARE(w.notice.errors.size(), 2);
}

void SendFaxFormTest::failedWriteKeepsTheControlsValue() {
  Window w;
  w.Start();
  w.store.failWrites = true;
  w.form->SenderName->setText(QStringLiteral("王五"));
  QCOMPARE(w.notice.errors.size(), 1);
  QCOMPARE(w.form->SenderName->text(), QStringLiteral("王五"));
  w.store.failWrites = false;
  QVERIFY(!w.store.ValueExists(kFax, kSenderName));
}

void SendFaxFormTest::logNameForms_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("log");
  QTest::addColumn<QString>("trace");
  QTest::newRow("folder") << "Logs" << "Logs/Telvane.log" << "Logs/Telvane.trc";
  QTest::newRow("folder with slash") << "Logs/" << "Logs/Telvane.log" << "Logs/Telvane.trc";
  QTest::newRow("file") << "Logs/fax.log" << "Logs/fax.log" << "Logs/Telvane.trc";
}

void SendFaxFormTest::logNameForms() {
  QFETCH(QString, box);
  QFETCH(QString, log);
  QFETCH(QString, trace);
  Window w;
  w.Start();
  const QString base = w.dir.path() + QLatin1Char('/');
  w.form->EditLogName->setText(base + box);
  w.form->ApplySessionSettings();
  QCOMPARE(QString::fromStdString(w.form->ApdComPort1.LogName()), base + log);
  QCOMPARE(QString::fromStdString(w.form->ApdComPort1.TraceName()), base + trace);
  // A folder that is named gets made.
  QVERIFY(QFileInfo(base + QStringLiteral("Logs")).isDir() || box.contains(QLatin1Char('.')));
  QCOMPARE(LogFileNamesOf("", "/data/").log, std::string("/data/Telvane.log"));
}

void SendFaxFormTest::storedModemSelection_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<bool>("autoOk");
  QTest::addColumn<int>("shownIndex");
  QTest::newRow("stored device is taken without asking") << "simulated line" << true << 1;
  QTest::newRow("a device no longer there leaves the first selected") << "Old Modem" << false << 0;
}

void SendFaxFormTest::storedModemSelection() {
  QFETCH(QString, stored);
  QFETCH(bool, autoOk);
  QFETCH(int, shownIndex);
  const std::string name = stored.toStdString();
  Window w({"USB Modem", "simulated line"},
           [&](MemorySettingsStore& s) { s.WriteString("software\\Kestrel\\telphone", "Modem", name); });
  int index = -1;
  w.onDialog = [&](QDialog& dialog) {
    index = dialog.findChild<QComboBox*>(QStringLiteral("dsfComboBox"))->currentIndex();
    return dialog.exec();  // the stored device presses OK by itself
  };
  if (!autoOk) {
    // Nobody presses OK: the dialog stays open until the test cancels it.
    QTimer::singleShot(200, [&] {
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<QDialog*>(top); d && d->isVisible() && d->objectName() == QLatin1String("DeviceSelectionForm_My")) d->reject();
    });
  }
  w.Start();
  QCOMPARE(index, shownIndex);
  if (autoOk) {
    QCOMPARE(w.form->ApdTapiDevice1.SelectedDevice(), std::string("simulated line"));
  } else {
    QCOMPARE(w.form->ApdTapiDevice1.SelectedDevice(), std::string("56K External Modem[CL]"));
    QCOMPARE(*w.store.ReadString("software\\Kestrel\\telphone", "Modem"), std::string("Old Modem"));
  }
}

void SendFaxFormTest::noDevicesSkipsTheSelection() {
  Window w(std::vector<std::string>{});
  w.Start();
  QVERIFY(w.dialogs.isEmpty());
  QCOMPARE(w.form->SelectModem(true), 2);
}

void SendFaxFormTest::autoAnswerStoredStartsWaitingOnTheSimulatedLine() {
  Window w({"simulated line"}, [](MemorySettingsStore& s) {
    s.WriteString("software\\Kestrel\\telphone", "Modem", "simulated line");
    s.WriteInteger(kFax, kAutoAnswer, 1);
  });
  w.form->RunDialog = [](QDialog& dialog) { return dialog.exec(); };
  w.Start();
  QTRY_COMPARE_WITH_TIMEOUT(w.form->SessionMode(), 1, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(w.form->ApdReceiveFax1.InProgress(), 10000);
  QVERIFY(w.form->ApdComPort1.Open());
  QCOMPARE(w.form->Label8->text(), QStringLiteral("接收"));
  QVERIFY(!w.form->ReceiveFaxesClk->isEnabled());
  QVERIFY2(w.notice.errors.isEmpty(), qPrintable(w.notice.errors.join('\n')));
  // Cancel ends the wait and closes the port.
  w.form->CancelCallClkClick();
  QTRY_VERIFY_WITH_TIMEOUT(!w.form->ApdComPort1.Open(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(w.form->ReceiveFaxesClk->isEnabled(), 10000);
}

void SendFaxFormTest::phoneBookChoiceFillsNumberAndName() {
  Window w;
  w.Start();
  w.onDialog = [](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("张三"));
    dialog.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("010-5551234"));
    return static_cast<int>(QDialog::Accepted);
  };
  w.form->AddressBookClk->click();
  QCOMPARE(w.form->EditFax->text(), QStringLiteral("010-5551234"));
  QCOMPARE(w.form->EditName->text(), QStringLiteral("张三"));
  QCOMPARE(*w.store.ReadString(kFax, kFaxNumber), std::string("010-5551234"));
}

void SendFaxFormTest::clockShowsDateAndTime() {
  Window w;
  w.Start();
  const QDate today = QDate::currentDate();
  const QString date = QStringLiteral("%1-%2-%3").arg(today.year()).arg(today.month()).arg(today.day());
  QCOMPARE(w.form->Panel7->text(), date);
  QCOMPARE(w.form->Panel8->text(), date);
  QVERIFY(!w.form->Panel6->text().isEmpty());
  QVERIFY(w.form->Timer1->isActive());
}

void SendFaxFormTest::elapsedAndPercentFormats_data() {
  QTest::addColumn<long>("a");
  QTest::addColumn<long>("b");
  QTest::addColumn<QString>("elapsed");
  QTest::addColumn<int>("percent");
  QTest::newRow("75 s, empty page") << 75L << 0L << "  1:15" << 0;
  QTest::newRow("0 s, half rounds to even 0") << 0L << 1L << "  0:00" << 0;  // 1×100/200
  QTest::newRow("long call, 1.5 % rounds to 2") << 6005L << 3L << "100:05" << 2;
  QTest::newRow("2.5 % rounds to 2") << 59L << 5L << "  0:59" << 2;
}

void SendFaxFormTest::elapsedAndPercentFormats() {
  QFETCH(long, a);
  QFETCH(long, b);
  QFETCH(QString, elapsed);
  QFETCH(int, percent);
  QCOMPARE(ElapsedColumn(static_cast<int>(a)), elapsed);
  QCOMPARE(PagePercent(b, b == 0 ? 0 : 200), percent);
  QCOMPARE(PagePercent(200, 200), 100);
}

void SendFaxFormTest::entryTextsAndLines_data() {
  QTest::addColumn<QString>("phone");
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("cover");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("line");
  QTest::newRow("short, no cover") << "5551234" << "/f/a.apf" << "" << "5551234^/f/a.apf"
                                   << "5551234              /f/a.apf                                 ";
  QTest::newRow("25-character number") << "0123456789012345678901234" << "a.apf" << "c.txt"
                                       << "0123456789012345678901234^a.apf^c.txt"
                                       << "01234567890123456789... a.apf                c.txt               ";
  QTest::newRow("a path holding %1") << "1" << "/tmp/%1.apf" << "" << "1^/tmp/%1.apf"
                                     << "1                    /tmp/%1.apf                              ";
}

void SendFaxFormTest::entryTextsAndLines() {
  QFETCH(QString, phone);
  QFETCH(QString, file);
  QFETCH(QString, cover);
  QFETCH(QString, text);
  QFETCH(QString, line);
  const OutgoingEntry entry{phone, file, cover};
  QCOMPARE(EntryText(entry), text);
  QCOMPARE(EntryDisplayLine(entry), line);
  const OutgoingEntry back = ParseEntry(text);
  QCOMPARE(back.phone, phone);
  QCOMPARE(back.faxFile, file);
  QCOMPARE(back.cover, cover);
}

// Fills the entry dialog as a user would and presses its OK button.
std::function<int(QDialog&)> FillEntry(QString phone, QString file, QString cover = {}) {
  return [=](QDialog& dialog) {
    auto& form = static_cast<TFaxListForm&>(dialog);
    form.SetPhoneNumber(phone);
    form.SetFileName(file);
    form.SetCoverName(cover);
    return static_cast<int>(QDialog::Accepted);
  };
}

void SendFaxFormTest::addConvertsIntoTheOutboxInOrder() {
  Window w;
  w.Start();
  const QString docs = w.dir.path() + QStringLiteral("/Docs");
  QDir().mkpath(docs);
  for (const char* name : {"report.final.txt", "memo.txt"}) {
    QFile f(docs + QLatin1Char('/') + QLatin1String(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Quarterly figures\r\nare attached.\r\n");
  }
  // Two adds in quick succession: both documents are converted, in order.
  w.onDialog = FillEntry(QStringLiteral("5551234"), docs + QStringLiteral("/report.final.txt"));
  w.form->AddClk->click();
  w.onDialog = FillEntry(QStringLiteral("5559876"), docs + QStringLiteral("/memo.txt"), QStringLiteral("c.txt"));
  w.form->AddClk->click();
  const QString outbox = QString::fromStdString(w.Dir()) + QStringLiteral("Outbox/");
  QCOMPARE(w.form->OutgoingEntries,
           (QStringList{QStringLiteral("5551234^") + outbox + QStringLiteral("report.apf"),
                        QStringLiteral("5559876^") + outbox + QStringLiteral("memo.apf^c.txt")}));
  QCOMPARE(w.form->sfFaxListBox->count(), 2);
  QTRY_COMPARE_WITH_TIMEOUT(w.form->PendingConversions(), 0, 20000);
  QVERIFY(QFileInfo(outbox + QStringLiteral("report.apf")).size() > 0);
  QVERIFY(QFileInfo(outbox + QStringLiteral("memo.apf")).size() > 0);
  QVERIFY2(w.notice.errors.isEmpty(), qPrintable(w.notice.errors.join('\n')));
  // A cancelled dialog, an empty number or a missing file adds nothing.
  w.onDialog = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
  w.form->AddClk->click();
  w.onDialog = FillEntry(QString(), docs + QStringLiteral("/memo.txt"));
  w.form->AddClk->click();
  w.onDialog = FillEntry(QStringLiteral("1"), docs + QStringLiteral("/gone.txt"));
  w.form->AddClk->click();
  QCOMPARE(w.form->OutgoingEntries.size(), 2);
}

void SendFaxFormTest::modifyAndDeleteEntries() {
  Window w;
  w.Start();
  const QString fax = w.dir.path() + QStringLiteral("/a.apf");
  QFile f(fax);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  w.onDialog = FillEntry(QStringLiteral("111"), fax, QStringLiteral("cover.txt"));
  w.form->AddClk->click();
  w.onDialog = FillEntry(QStringLiteral("222"), fax);
  w.form->AddClk->click();
  w.form->sfFaxListBox->setCurrentRow(0);
  QString shownCaption, shownCover;
  w.onDialog = [&](QDialog& dialog) {
    auto& form = static_cast<TFaxListForm&>(dialog);
    shownCaption = form.Button1->text();
    shownCover = form.CoverName();
    form.SetPhoneNumber(QStringLiteral("333"));
    form.SetCoverName(QString());
    return static_cast<int>(QDialog::Accepted);
  };
  w.form->ModifyClk->click();
  QCOMPARE(shownCaption, QStringLiteral("修改"));
  QCOMPARE(shownCover, QStringLiteral("cover.txt"));
  QCOMPARE(w.form->OutgoingEntries[0], QStringLiteral("333^") + fax);
  // Add shows "添加" again.
  w.onDialog = [&](QDialog& dialog) {
    shownCaption = static_cast<TFaxListForm&>(dialog).Button1->text();
    return static_cast<int>(QDialog::Rejected);
  };
  w.form->AddClk->click();
  QCOMPARE(shownCaption, QStringLiteral("添加"));
  w.form->sfFaxListBox->setCurrentRow(0);
  w.form->DeleteClk->click();
  QCOMPARE(w.form->OutgoingEntries, QStringList{QStringLiteral("222^") + fax});
  QCOMPARE(w.form->sfFaxListBox->count(), 1);
}

void SendFaxFormTest::defaultCoverIsWrittenWhenTheSendPageOpens() {
  Window w;
  w.Start();
  w.form->PageControl2->setCurrentWidget(w.form->TabSheet5);
  const QString cover = QString::fromStdString(w.Dir()) + QStringLiteral("NoName.txt");
  QCOMPARE(w.form->EditCover->text(), cover);
  QFile f(cover);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  QCOMPARE(text, QByteArray(68, ' ') + "\r\n" + QByteArray(33, ' ') + "DATE : $D\r\n" + QByteArray(33, ' ') +
                     "TIME : $T\r\n" + QByteArray(33, ' ') + "FROM : $F\r\n" + QByteArray(33, ' ') + "TO : $R\r\n");
  QCOMPARE(DateTimeName(std::tm{7, 5, 9, 2, 2, 102, 0, 0, 0, 0, nullptr}), std::string("2002-03-02 09：05：07"));
  QCOMPARE(DocumentBaseName("/Docs/report.final.txt"), std::string("report"));
  QCOMPARE(DocumentTypeCode("a.TIFF"), kDocText);
  QCOMPARE(DocumentTypeCode("a.Tif"), kDocTiff);
}

void SendFaxFormTest::aTextCoverWrittenInTheEditorBecomesTheDocument() {
  Window w;
  w.Start();
  const QString saved = w.dir.path() + QStringLiteral("/my.cover.txt");
  w.onDialog = [&](QDialog& dialog) {
    auto* editor = qobject_cast<TMemoForm*>(&dialog);
    if (!editor) return static_cast<int>(QDialog::Rejected);
    editor->SetLines({QStringLiteral("发送日期:$D"), QStringLiteral("TO : $R")});
    editor->RunFileDialog = [&](QFileDialog&) { return saved; };
    editor->SaveAs();
    return static_cast<int>(QDialog::Accepted);
  };
  w.form->CoverClk->click();
  const QString target = QString::fromStdString(w.Dir()) + QStringLiteral("Outbox/my.apf");
  QCOMPARE(w.form->EditFile->text(), saved);
  QCOMPARE(w.form->Edit1->text(), target);
  QTRY_COMPARE_WITH_TIMEOUT(w.form->PendingConversions(), 0, 20000);
  QVERIFY(QFileInfo(target).size() > 0);
  // The designer opens in the program's "Fax" folder.
  w.dialogs.clear();
  w.form->MakeAPFClk->click();
  QCOMPARE(w.dialogs.size(), 1);
  QVERIFY(QFileInfo(QString::fromStdString(w.Dir()) + QStringLiteral("Fax")).isDir());
  // Cancelled without saving: nothing changes.
  w.onDialog = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
  w.form->CoverClk->click();
  QCOMPARE(w.form->EditFile->text(), saved);
}

void SendFaxFormTest::conversionButtonsOpenTheirWindows() {
  Window w;
  // The document window reads and writes its INI file in the settings folder.
  qputenv("TELVANE_CONFIG_DIR", w.dir.path().toUtf8() + '/');
  w.Start();
  w.dialogs.clear();
  w.onDialog = [](QDialog& dialog) {
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  };
  QVERIFY(w.form->CovertFileClk->isEnabled() && w.form->CovertAPFClk->isEnabled());
  w.form->CovertFileClk->click();
  w.form->CovertAPFClk->click();
  QCOMPARE(w.dialogs, (QStringList{"FaxConversionForm", "FaxCnvGraphicsForm"}));
  QVERIFY(QFileInfo::exists(w.dir.filePath(QStringLiteral("ROza3.ini"))));
  qunsetenv("TELVANE_CONFIG_DIR");
}

void SendFaxFormTest::receivedLineOpensTheFaxInTheViewer() {
  Window w;
  w.Start();
  const std::string fax = w.Dir() + "FAX0001.APF";
  {
    QFile text(w.dir.path() + QStringLiteral("/one.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("One line.\r\n");
  }
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(w.Dir() + "one.txt");
  converter.OutFileName = fax;
  converter.ConvertDocument();
  TViewFaxForm viewer{QStringList()};
  w.form->Viewer = &viewer;
  auto* line = new QListWidgetItem(QStringLiteral("FAX0001.APF"));
  line->setData(Qt::UserRole, QString::fromStdString(fax));
  w.form->ReceiveList->addItem(line);
  w.form->PageControl2->setCurrentWidget(w.form->TabSheet4);
  const QPoint at = w.form->ReceiveList->visualItemRect(line).center();
  QTest::mouseClick(w.form->ReceiveList->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(w.form->ReceiveList->viewport(), Qt::LeftButton, {}, at);
  QVERIFY(viewer.isVisible());
  QCOMPARE(viewer.FaxViewer->FileName(), fax);
  viewer.close();
}

QTEST_MAIN(SendFaxFormTest)
#include "send_fax_form_test.moc"
