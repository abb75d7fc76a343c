// The main window sends and receives over the simulated line, end to end: a
// text document with the default cover goes out from the send page, and the
// far end's fax terminal (spandsp) receives the cover first and a header
// line on every page; a terminal that calls in is answered on demand and by
// automatic answering. libtiff reads what the terminals and the window stored.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QListWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <map>
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

int InkOf(const std::vector<test::TiffPage>& pages) {
  int ink = 0;
  for (const test::TiffPage& page : pages) ink += InkIn(page, 0, page.rows.size());
  return ink;
}

std::size_t RowsOf(const std::vector<test::TiffPage>& pages) {
  std::size_t rows = 0;
  for (const test::TiffPage& page : pages) rows += page.rows.size();
  return rows;
}

// The image copies of received faxes in `folder`, grouped by the moment in
// their names ("2002-03-02 09：05：07...TIF"), in time order: one group per
// fax, however its pages are spread over files.
std::vector<std::vector<test::TiffPage>> ReceivedCopies(const QString& folder) {
  static const QRegularExpression named(
      QStringLiteral("^(\\d{4}-\\d{2}-\\d{2} \\d{2}：\\d{2}：\\d{2}).*\\.TIF$"));
  std::map<QString, std::vector<test::TiffPage>> byMoment;
  for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
    const QRegularExpressionMatch m = named.match(name);
    if (!m.hasMatch()) continue;
    std::string error;
    auto pages = test::ReadTiffPages((folder + '/' + name).toStdString(), &error);
    if (pages.empty()) qWarning("%s: %s", qPrintable(name), error.c_str());
    auto& group = byMoment[m.captured(1)];
    group.insert(group.end(), pages.begin(), pages.end());
  }
  std::vector<std::vector<test::TiffPage>> faxes;
  for (auto& [moment, pages] : byMoment) faxes.push_back(std::move(pages));
  return faxes;
}

// Whether a received fax's image copies hold the pages sent: the same rows,
// each twice (the window unpacks standard resolution at double height), and
// the same black pixels.
bool HoldsPages(const std::vector<test::TiffPage>& copy, const std::vector<test::TiffPage>& sent) {
  constexpr int kRowScale = 2;
  const int sentInk = InkOf(sent) * kRowScale;
  return RowsOf(copy) == RowsOf(sent) * kRowScale && sentInk > 0 && std::abs(InkOf(copy) - sentInk) <= sentInk / 100;
}

}  // namespace

class SendFaxFormEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void singleSendOfATextWithTheDefaultCover();
  void aListSendLeavesOnlyTheBusyNumbersEntry();
  void receivesOnDemandThenByAutomaticAnswering();
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

// "应答" answers the simulated caller's sample fax; cancelled, the window
// stays idle. Automatic answering then takes a two-page file the settings
// name, and after a cancelled session re-arms and takes it again. Each fax
// is listed and copied as TIFF images named by time.
void SendFaxFormEndToEnd::receivesOnDemandThenByAutomaticAnswering() {
  QTemporaryDir dir;
  MemorySettingsStore store;
  test::RecordingNotice notice;
  const QString in = dir.path() + QStringLiteral("/in");
  QVERIFY(QDir().mkpath(in));
  store.WriteString("software\\Kestrel\\telphone", "Modem", kSimulatedLineName);
  store.WriteString("software\\Kestrel\\Fax", "DestionPath", in.toStdString());
  store.WriteInteger("software\\Kestrel\\Fax", "FaxFileType", 3);  // TIFF copies
  store.WriteInteger("software\\Kestrel\\Fax", "SimulatedLineCallDelay", 4);
  std::unique_ptr<TSendFaxForm> window = StartWindow(dir, store, notice);
  TSendFaxForm& form = *window;
  QTRY_COMPARE(form.ApdTapiDevice1.SelectedDevice(), std::string(kSimulatedLineName));
  auto status = [&] {
    return QStringLiteral("status \"%1\", mode %2, listed %3, errors: %4")
        .arg(form.StatusMsg->text())
        .arg(form.SessionMode())
        .arg(form.ReceiveList->count())
        .arg(notice.errors.join(QStringLiteral("; ")))
        .toUtf8();
  };
  // Cancels the session: the call that is ending, or the wait for the next.
  auto cancel = [&] {
    form.CancelCallClk->click();
    QTRY_COMPARE_WITH_TIMEOUT(form.SessionMode(), 0, 10000);
  };

  form.ReceiveFaxesClk->click();
  QCOMPARE(form.SessionMode(), 1);
  QTRY_VERIFY2_WITH_TIMEOUT(form.ReceiveList->count() == 1, status().constData(), 40000);
  cancel();
  QTest::qWait(1500);  // past Timer3's tick: without automatic answering nothing is armed
  QCOMPARE(form.SessionMode(), 0);

  const std::string twoPages = dir.path().toStdString() + "/two.apf";
  {
    QFile text(dir.path() + QStringLiteral("/two.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Page one.\r\n\fPage two.\r\n");
  }
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(dir.path().toStdString() + "/two.txt");
  converter.OutFileName = twoPages;
  converter.ConvertDocument();
  store.WriteString("software\\Kestrel\\Fax", "SimulatedLineIncoming", twoPages);
  form.AutoAnswer->click();
  QTRY_VERIFY2_WITH_TIMEOUT(form.ReceiveList->count() == 2, status().constData(), 40000);
  cancel();
  QTRY_VERIFY2_WITH_TIMEOUT(form.ReceiveList->count() == 3, status().constData(), 40000);
  form.AutoAnswer->click();
  cancel();
  for (int i = 0; i < 3; ++i)
    QVERIFY2(form.ReceiveList->item(i)->text().startsWith(QStringLiteral("FAX000%1.APF").arg(i + 1)),
             qPrintable(form.ReceiveList->item(i)->text()));
  QVERIFY2(notice.errors.isEmpty(), qPrintable(notice.errors.join('\n')));

  // The copies are unpacked in the background.
  std::vector<std::vector<test::TiffPage>> copies;
  QTRY_VERIFY_WITH_TIMEOUT((copies = ReceivedCopies(in)).size() == 3, 10000);
  std::string error;
  const auto sample = test::ReadTiffPages(dir.path().toStdString() + "/SimulatedLine/sample.tif", &error);
  const auto incoming = test::ReadTiffPages(dir.path().toStdString() + "/SimulatedLine/incoming.tif", &error);
  QCOMPARE(sample.size(), std::size_t{1});
  QCOMPARE(incoming.size(), std::size_t{2});
  QVERIFY(HoldsPages(copies[0], sample));
  QVERIFY(HoldsPages(copies[1], incoming));
  QVERIFY(HoldsPages(copies[2], incoming));
  QVERIFY(!HoldsPages(copies[0], incoming));
}

QTEST_MAIN(SendFaxFormEndToEnd)
#include "send_fax_form_e2e_test.moc"
