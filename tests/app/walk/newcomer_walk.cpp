// A newcomer's first session with the desktop program, scripted: the
// program's own windows start on an empty configuration under a real X
// server, the user picks the simulated line, sends a letter, receives a fax,
// opens it in the viewer and prints it to a PDF file (in the home folder). Every step leaves a
// picture of the whole screen in the folder given, and the walk fails when a
// step does not come about or an unexpected message appears.
//   newcomer_walk OUTDIR WORKDIR
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>

#include "app/main/program_windows.h"
#include "app/settings/file_settings_store.h"
#include "comm/tapi/telephony_device.h"

using namespace telvane;

namespace {

QString outDir;
QStringList messages;  // every message box's text, in order
bool failed = false;

void Fail(const QString& why) {
  std::fprintf(stderr, "walk: %s\n", qPrintable(why));
  failed = true;
}

void Shot(const QString& name) {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  const QString path = outDir + QLatin1Char('/') + name;
  if (screen.isNull() || !screen.save(path)) Fail(QStringLiteral("cannot save ") + path);
  else std::printf("walk: %s\n", qPrintable(name));
}

// Modal windows the walk expects, in order. Each gets the window once it is
// up (and drawn): the handler takes its picture and closes it.
struct ExpectedModal {
  QString what;
  std::function<void(QWidget*)> handle;
};
std::deque<ExpectedModal> expected;
int unexpected = 0;
QList<QWidget*> modalWindows;  // windows that are modal but no question (the viewer)

void WatchModals() {
  auto* timer = new QTimer(qApp);
  static QWidget* seen = nullptr;
  QObject::connect(timer, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == seen || !modal->isVisible() || modalWindows.contains(modal)) return;
    seen = modal;
    QTimer::singleShot(400, modal, [modal] {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) messages << box->text();
      if (expected.empty()) {
        Shot(QStringLiteral("unexpected-%1.png").arg(++unexpected));
        auto* box = qobject_cast<QMessageBox*>(modal);
        Fail(QStringLiteral("unexpected window \"%1\" %2")
                 .arg(modal->windowTitle(), box ? box->text() : modal->metaObject()->className()));
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
        return;
      }
      ExpectedModal next = expected.front();
      expected.pop_front();
      next.handle(modal);
    });
  });
  timer->start(50);
}

void Expect(const QString& what, std::function<void(QWidget*)> handle) { expected.push_back({what, std::move(handle)}); }

// Runs the event loop until `done` holds; false (and the walk failed) after
// `seconds`.
bool WaitFor(const QString& what, const std::function<bool()>& done, int seconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > seconds * 1000) {
      Fail(QStringLiteral("timed out waiting for ") + what);
      return false;
    }
    QTest::qWait(50);
  }
  return true;
}

// A message box: its picture, then OK.
std::function<void(QWidget*)> PictureAndOk(const QString& picture) {
  return [picture](QWidget* modal) {
    Shot(picture);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) box->accept();
    else Fail(QStringLiteral("expected a message box for ") + picture);
  };
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR WORKDIR\n", argv[0]);
    return 2;
  }
  outDir = QString::fromLocal8Bit(argv[1]);
  const QString work = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(outDir);
  QDir().mkpath(work);

  // An empty configuration: the settings store and the program's data
  // folder are new.
  FileSettingsStore store((work + QStringLiteral("/config/settings.reg")).toStdString());
  MainWindowEnvironment env;
  env.store = &store;
  env.programDir = (work + QStringLiteral("/data/")).toStdString();
  env.simulatedLinePace = 4;  // the line runs four times faster than a real one
  ProgramWindows windows(env, {});
  TSendFaxForm& main = windows.mainWindow;
  main.RunDialog = [](QDialog& dialog) { return dialog.exec(); };
  modalWindows << &windows.viewer;
  WatchModals();

  // 1. The first start asks for the modem; the simulated line is offered.
  Expect(QStringLiteral("the device choice"), [](QWidget* modal) {
    Shot(QStringLiteral("01-first-start-device-choice.png"));
    auto* form = qobject_cast<TDeviceSelectionForm_My*>(modal);
    if (!form) return Fail(QStringLiteral("the first window is not the device choice"));
    const int line = form->dsfComboBox->findText(QString::fromUtf8(kSimulatedLineName));
    if (line < 0) return Fail(QStringLiteral("the simulated line is not offered"));
    form->dsfComboBox->setCurrentIndex(line);
    form->dsfOkBitBtn->click();
  });
  main.show();
  if (!WaitFor(QStringLiteral("the device choice"),
               [&] { return main.ApdTapiDevice1.SelectedDevice() == kSimulatedLineName; }, 20))
    return 1;
  Shot(QStringLiteral("02-main-window.png"));

  // 2. A letter to the simulated line, with the default cover.
  const QString letter = work + QStringLiteral("/letter.txt");
  {
    QFile f(letter);
    if (!f.open(QIODevice::WriteOnly)) return Fail(QStringLiteral("cannot write the letter")), 1;
    f.write("Dear Sir,\n\nThe quarterly figures follow by post.\n\nYours faithfully,\nA. Newcomer\n");
  }
  main.PageControl2->setCurrentWidget(main.TabSheet5);
  QTest::keyClicks(main.EditName, QStringLiteral("Accounts"));
  QTest::keyClicks(main.EditFax, QStringLiteral("5551234"));
  QTest::keyClicks(main.EditFile, letter);
  Shot(QStringLiteral("03-send-page.png"));
  Expect(QStringLiteral("the end of the send"), PictureAndOk(QStringLiteral("05-sent.png")));
  main.SendFaxClk->click();
  if (WaitFor(QStringLiteral("the call"), [&] { return main.CurrentPageLabel->text().toInt() >= 1; }, 60))
    Shot(QStringLiteral("04-sending.png"));
  WaitFor(QStringLiteral("the end of the send"), [&] { return !messages.isEmpty() && main.SessionMode() == 0; }, 120);
  if (!messages.contains(QStringLiteral("结束: OK"))) Fail(QStringLiteral("the send did not end with OK"));

  // 3. "应答": the simulated line calls in with a fax.
  main.PageControl2->setCurrentWidget(main.TabSheet6);
  main.ReceiveFaxesClk->click();
  if (WaitFor(QStringLiteral("the incoming call"),
              [&] { return main.RemoteIdLabel->text() == QLatin1String("SIMULATED SENDER"); }, 60))
    Shot(QStringLiteral("06-receiving.png"));
  WaitFor(QStringLiteral("the received fax"), [&] { return main.ReceiveList->count() >= 1; }, 120);
  // Nobody else calls: the user stops waiting.
  main.CancelCallClk->click();
  WaitFor(QStringLiteral("the end of the receive"), [&] { return main.SessionMode() == 0; }, 30);
  Shot(QStringLiteral("07-received-list.png"));

  // 4. The received fax in the viewer (a double click on its line).
  if (main.ReceiveList->count() >= 1) {
    QListWidgetItem* item = main.ReceiveList->item(0);
    const QRect line = main.ReceiveList->visualItemRect(item);
    QTest::mouseClick(main.ReceiveList->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(main.ReceiveList->viewport(), Qt::LeftButton, {}, line.center());
    WaitFor(QStringLiteral("the viewer"), [&] { return windows.viewer.isVisible() && !windows.viewer.windowTitle().isEmpty(); },
            10);
    QTest::qWait(500);
    Shot(QStringLiteral("08-viewer.png"));

    // 5. Printed to a PDF file: with no printer on the machine, the print
    // dialog offers a PDF file named after the fax in the home folder, and
    // the user takes it.
    const QString pdf = QDir::home().filePath(QFileInfo(item->data(Qt::UserRole).toString()).completeBaseName() +
                                              QStringLiteral(".pdf"));
    Expect(QStringLiteral("the print dialog"), [](QWidget* modal) {
      auto* dialog = qobject_cast<QPrintDialog*>(modal);
      if (!dialog) return Fail(QStringLiteral("the print dialog did not open"));
      Shot(QStringLiteral("09-print-dialog.png"));
      dialog->accept();
    });
    windows.viewer.PrintItem->trigger();
    WaitFor(QStringLiteral("the PDF file ") + pdf,
            [&] { return QFileInfo(pdf).size() > 0 && !windows.viewer.FaxPrinter->Printing(); }, 30);
    Shot(QStringLiteral("10-printed.png"));
    std::printf("walk: printed %s (%lld bytes)\n", qPrintable(pdf), QFileInfo(pdf).size());
    windows.viewer.close();
  }

  if (!expected.empty()) Fail(QStringLiteral("never came: ") + expected.front().what);
  std::printf("walk: messages: %s\n", qPrintable(messages.join(QStringLiteral(" | "))));
  main.close();
  return failed ? 1 : 0;
}
