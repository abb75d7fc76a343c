// The main window sends over the simulated line, end to end: a text
// document with the default cover goes out from the send page, and the far
// end's fax terminal (spandsp) receives the cover first and a header line on
// every page; libtiff reads what it stored.
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/dialogs/fax_list_form.h"
#include "app/main_window/send_fax_form.h"
#include "faxdoc/fax_converter.h"
#include "app/settings/memory_settings_store.h"
#include "tests/support/qt/recording_notice.h"
#include "tests/support/tiff_pages.h"

using namespace telvane;

namespace {

// Black pixels in rows [from, to) of a received page.
int InkIn(const test::TiffPage& page, std::size_t from, std::size_t to) {
  int ink = 0;
  for (std::size_t r = from; r < to && r < page.rows.size(); ++r)
    for (uint8_t byte : page.rows[r]) ink += __builtin_popcount(byte);
  return ink;
}

// The main window over `store` with the simulated line (four times real
// time) as its only device, shown; the stored device is taken at once.
std::unique_ptr<TSendFaxForm> StartWindow(const QTemporaryDir& dir, MemorySettingsStore& store,
                                          test::RecordingNotice& notice) {
  MainWindowEnvironment env;
  env.store = &store;
  env.programDir = dir.path().toStdString() + "/";
  env.notice = &notice;
  env.devices = std::vector<TelephonyDevice>{{kSimulatedLineName, "", TelephonyDeviceKind::Simulated}};
  env.simulatedLinePace = 4;
  auto form = std::make_unique<TSendFaxForm>(env);
  form->RunDialog = [](QDialog& dialog) { return dialog.exec(); };
  form->show();
  return form;
}

}  // namespace

class SendFaxFormEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void singleSendOfATextWithTheDefaultCover();
  void aListSendLeavesOnlyTheBusyNumbersEntry();
};

void SendFaxFormEndToEnd::singleSendOfATextWithTheDefaultCover() {
  QTemporaryDir dir;
  MemorySettingsStore store;
  test::RecordingNotice notice;
  store.WriteString("software\\Kestrel\\telphone", "Modem", kSimulatedLineName);
  store.WriteString("software\\Kestrel\\Fax", "StationID", "010 5550000");
  std::unique_ptr<TSendFaxForm> window = StartWindow(dir, store, notice);
  TSendFaxForm& form = *window;
  QTRY_COMPARE(form.ApdTapiDevice1.SelectedDevice(), std::string(kSimulatedLineName));

  const QString letter = dir.path() + QStringLiteral("/letter.txt");
  QFile f(letter);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("Dear Sir,\r\n\r\nThe quarterly figures follow by post.\r\n");
  f.close();
  form.PageControl2->setCurrentWidget(form.TabSheet5);  // writes the default cover
  form.EditName->setText(QStringLiteral("Accounts"));
  form.SenderName->setText(QStringLiteral("Telvane test"));
  form.HeaderLine->setText(QStringLiteral("$F to $R  page $P of $N"));
  form.EditFax->setText(QStringLiteral("5551234"));
  form.EditFile->setText(letter);
  form.SendFaxClk->click();  // waits for the document's conversion, then dials

  QTRY_VERIFY2_WITH_TIMEOUT(!notice.infos.isEmpty(),
                            qPrintable(QStringLiteral("status \"%1\", mode %2, conversions %3, errors: %4")
                                           .arg(form.StatusMsg->text())
                                           .arg(form.SessionMode())
                                           .arg(form.PendingConversions())
                                           .arg(notice.errors.join(QStringLiteral("; ")))),
                            60000);
  QCOMPARE(notice.infos, QStringList{QStringLiteral("结束: OK")});
  QVERIFY2(notice.errors.isEmpty(), qPrintable(notice.errors.join('\n')));
  QTRY_COMPARE_WITH_TIMEOUT(form.SessionMode(), 0, 10000);
  QVERIFY(form.SendFaxClk->isEnabled());

  // The far end: the cover, then the letter, each with the header line on top.
  std::string error;
  const auto pages = test::ReadTiffPages(dir.path().toStdString() + "/SimulatedLine/received.tif", &error);
  QVERIFY2(pages.size() == 2, error.c_str());
  for (const test::TiffPage& page : pages) {
    QCOMPARE(page.width, 1728);
    QVERIFY2(InkIn(page, 0, 40) > 200, "no header line at the top of a page");
  }
  // The cover's first text line ("DATE : ...") starts well right of the
  // margin, the letter's ("Dear Sir,") near it.
  QVERIFY(InkIn(pages[0], 40, pages[0].rows.size()) > 0);
  QVERIFY(InkIn(pages[1], 40, pages[1].rows.size()) > 0);
  // The history has the send.
  QFile history(dir.path() + QStringLiteral("/APDFAX.HIS"));
  QVERIFY(history.open(QIODevice::ReadOnly));
  QVERIFY(history.readAll().contains("5551234"));
}

void SendFaxFormEndToEnd::aListSendLeavesOnlyTheBusyNumbersEntry() {
  QTemporaryDir dir;
  MemorySettingsStore store;
  test::RecordingNotice notice;
  store.WriteString("software\\Kestrel\\telphone", "Modem", kSimulatedLineName);
  store.WriteString("software\\Kestrel\\Fax", "SimulatedLineBusy", "5550002");
  store.WriteInteger("software\\Kestrel\\Fax", "NoCover", 1);
  store.WriteInteger("software\\Kestrel\\Fax", "DialAttempt", 1);
  std::unique_ptr<TSendFaxForm> window = StartWindow(dir, store, notice);
  TSendFaxForm& form = *window;
  QTRY_COMPARE(form.ApdTapiDevice1.SelectedDevice(), std::string(kSimulatedLineName));

  // One short fax file, listed three times.
  const std::string fax = dir.path().toStdString() + "/short.apf";
  {
    QFile text(dir.path() + QStringLiteral("/short.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("One line.\r\n");
  }
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(dir.path().toStdString() + "/short.txt");
  converter.OutFileName = fax;
  converter.ConvertDocument();
  for (const char* number : {"5550001", "5550002", "5550003"}) {
    form.RunDialog = [&](QDialog& dialog) {
      auto& entry = static_cast<TFaxListForm&>(dialog);
      entry.SetPhoneNumber(QString::fromLatin1(number));
      entry.SetFileName(QString::fromStdString(fax));
      entry.SetCoverName(QString());
      return static_cast<int>(QDialog::Accepted);
    };
    form.AddClk->click();
  }
  QCOMPARE(form.OutgoingEntries.size(), 3);
  form.SendAllFaxClk->click();
  QTRY_VERIFY2_WITH_TIMEOUT(!notice.infos.isEmpty(), qPrintable(form.StatusMsg->text()), 150000);
  QTRY_COMPARE_WITH_TIMEOUT(form.SessionMode(), 0, 10000);
  // The busy number's entry stays, in its place; the two sent ones are gone.
  QCOMPARE(form.OutgoingEntries, QStringList{QStringLiteral("5550002^") + QString::fromStdString(fax)});
  QCOMPARE(form.sfFaxListBox->count(), 1);
  QVERIFY(form.sfFaxListBox->item(0)->text().startsWith(QStringLiteral("5550002")));
  // The far end took calls 1 and 3; call 2 was busy.
  QVERIFY(QFileInfo::exists(dir.path() + QStringLiteral("/SimulatedLine/received.tif")));
  QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/SimulatedLine/received-2.tif")));
  QVERIFY(QFileInfo::exists(dir.path() + QStringLiteral("/SimulatedLine/received-3.tif")));
  // The session reports the list's failure at its end.
  QCOMPARE(notice.infos, QStringList{QStringLiteral("结束: Called fax number was busy")});
}

QTEST_MAIN(SendFaxFormEndToEnd)
#include "send_fax_form_e2e_test.moc"
