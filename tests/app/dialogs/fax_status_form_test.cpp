// The fax status window: the connection time it counts, the texts it reads
// from a send and a receive component, and how it follows a session: shown
// with the first status, hidden with the last, Cancel bound to the fax shown.
#include <QGuiApplication>
#include <QLabel>
#include <QList>
#include <QPair>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>

#include "app/dialogs/fax_status_form.h"
#include "comm/components/receive_fax.h"
#include "comm/components/send_fax.h"

using telvane::CallTimer;
using telvane::TApdAbstractFax;
using telvane::TApdFaxStatus;
using Events = QList<QPair<int, int>>;  // progress code, at second

namespace {

CallTimer::Clock::time_point At(int second) { return CallTimer::Clock::time_point() + std::chrono::seconds(second); }

// A component without a session: the read-outs give their idle values.
std::unique_ptr<TApdAbstractFax> IdleFax(const QString& kind) {
  if (kind == QLatin1String("send")) {
    auto fax = std::make_unique<telvane::TApdSendFax>(nullptr);
    fax->SetPhoneNumber("010-62345678");
    return fax;
  }
  auto fax = std::make_unique<telvane::TApdReceiveFax>(nullptr);
  fax->SetStationID("+86 10 6234 5678");
  return fax;
}

}  // namespace

class FaxStatusFormTest : public QObject {
  Q_OBJECT

 private slots:
  void callTimer_data();
  void callTimer();
  void formatElapsed_data();
  void formatElapsed();
  void idleTexts_data();
  void idleTexts();
  void windowFollowsTheSession();
};

void FaxStatusFormTest::callTimer_data() {
  QTest::addColumn<Events>("events");
  QTest::addColumn<int>("now");
  QTest::addColumn<int>("seconds");
  QTest::newRow("not connected yet") << Events{{4801, 0}, {4802, 5}} << 20 << 0;
  QTest::newRow("runs from the connection parameters") << Events{{4802, 0}, {4840, 10}, {4804, 30}} << 40 << 30;
  QTest::newRow("remote ID starts it too") << Events{{4841, 3}} << 8 << 5;
  QTest::newRow("second start code does not restart") << Events{{4840, 10}, {4841, 20}} << 30 << 20;
  QTest::newRow("finished stops it") << Events{{4840, 0}, {4843, 75}} << 200 << 75;
  QTest::newRow("user abort stops it") << Events{{4841, 0}, {4842, 12}} << 99 << 12;
  QTest::newRow("hang-up code stops it") << Events{{4840, 0}, {4828, 9}, {4843, 11}} << 99 << 9;
  QTest::newRow("a later call starts anew") << Events{{4840, 0}, {4828, 9}, {4820, 10}, {4840, 100}} << 104 << 4;
}

void FaxStatusFormTest::callTimer() {
  QFETCH(Events, events);
  QFETCH(int, now);
  QFETCH(int, seconds);
  CallTimer timer;
  for (const auto& [code, second] : events) timer.Progress(code, At(second));
  QCOMPARE(timer.Seconds(At(now)), seconds);
  timer.Reset();
  QCOMPARE(timer.Seconds(At(now)), 0);
  QVERIFY(!timer.Running());
}

void FaxStatusFormTest::formatElapsed_data() {
  QTest::addColumn<int>("seconds");
  QTest::addColumn<QString>("text");
  QTest::newRow("zero") << 0 << "0:00";
  QTest::newRow("seconds get two digits") << 5 << "0:05";
  QTest::newRow("75 seconds") << 75 << "1:15";
  QTest::newRow("minutes beyond two digits") << 7500 << "125:00";
  QTest::newRow("negative as zero") << -3 << "0:00";
}

void FaxStatusFormTest::formatElapsed() {
  QFETCH(int, seconds);
  QFETCH(QString, text);
  QCOMPARE(telvane::FormatElapsed(seconds), text);
}

void FaxStatusFormTest::idleTexts_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("numberCaption");
  QTest::addColumn<QString>("number");
  QTest::addColumn<QString>("dialAttempt");
  QTest::newRow("send: the number dialled") << "send" << "电话号码" << "010-62345678" << "0";
  QTest::newRow("receive: the own station ID") << "receive" << "本机标识" << "+86 10 6234 5678" << "";
}

void FaxStatusFormTest::idleTexts() {
  QFETCH(QString, kind);
  QFETCH(QString, numberCaption);
  QFETCH(QString, number);
  QFETCH(QString, dialAttempt);
  const std::unique_ptr<TApdAbstractFax> fax = IdleFax(kind);
  const telvane::FaxStatusTexts t = telvane::ReadFaxStatus(*fax);
  QCOMPARE(t.numberCaption, numberCaption);
  QCOMPARE(t.number, number);
  QCOMPARE(t.dialAttempt, dialAttempt);
  QCOMPARE(t.remoteId, QString());
  QCOMPARE(t.status, QString());  // no progress yet: nothing to say
  QCOMPARE(t.speed, QStringLiteral("0"));
  QCOMPARE(t.resolution, QStringLiteral("标准 (98 线/英寸)"));
  QCOMPARE(t.width, QStringLiteral("1728"));
  QCOMPARE(t.pages, QStringLiteral("0 / 0"));
  QCOMPARE(t.bytes, QStringLiteral("0"));
}

void FaxStatusFormTest::windowFollowsTheSession() {
  const std::unique_ptr<TApdAbstractFax> fax = IdleFax(QStringLiteral("send"));
  TApdFaxStatus window;
  QList<TApdAbstractFax*> cancelled;
  window.cancelFax = [&](TApdAbstractFax& f) { cancelled << &f; };
  QCOMPARE(window.windowTitle(), QStringLiteral("Fax Status"));
  QVERIFY(!window.isVisible());
  QVERIFY(!window.CancelButton->isEnabled());

  window.UpdateDisplay(*fax, true, false);
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.Fax(), fax.get());
  QCOMPARE(window.NumberCaption->text(), QStringLiteral("电话号码"));
  QCOMPARE(window.NumberValue->text(), QStringLiteral("010-62345678"));
  QCOMPARE(window.WidthValue->text(), QStringLiteral("1728"));
  QCOMPARE(window.ElapsedValue->text(), QStringLiteral("0:00"));
  QCOMPARE(window.PageProgress->value(), 0);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  QVERIFY((window.frameGeometry().center() - centre).manhattanLength() <= 4);

  QTest::mouseClick(window.CancelButton, Qt::LeftButton);
  QCOMPARE(cancelled, QList<TApdAbstractFax*>{fax.get()});

  // A window the user closed stays closed for the rest of the session.
  window.close();
  window.UpdateDisplay(*fax, false, false);
  QVERIFY(!window.isVisible());

  window.UpdateDisplay(*fax, false, true);
  QVERIFY(!window.isVisible());
  QCOMPARE(window.Fax(), nullptr);
  QVERIFY(!window.CancelButton->isEnabled());
  window.CancelButton->click();
  QCOMPARE(cancelled.size(), 1);

  // The next session shows it again, with the other component's texts.
  const std::unique_ptr<TApdAbstractFax> receiver = IdleFax(QStringLiteral("receive"));
  window.UpdateDisplay(*receiver, true, false);
  QVERIFY(window.isVisible());
  QCOMPARE(window.NumberCaption->text(), QStringLiteral("本机标识"));
  QCOMPARE(window.DialAttemptValue->text(), QString());
  window.CancelButton->click();
  QCOMPARE(cancelled.last(), receiver.get());
}

QTEST_MAIN(FaxStatusFormTest)
#include "fax_status_form_test.moc"
