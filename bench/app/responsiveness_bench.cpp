// The main window's responsiveness: the longest stall of its event loop
// while a 100-page text document converts in the background (queued by
// "添加" on the window's work queue, again each time it is done) and a Class 1
// fax goes out from the window over the simulated line. A 1 ms timer records
// the largest gap between its ticks. Goal: under 50 ms.
//
// Usage: responsiveness_bench [PACE]   (the line's pace, 4 by default;
// STALLS=1 in the environment lists every gap over 16 ms)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dialogs/fax_list_form.h"
#include "app/main_window/send_fax_form.h"
#include "app/settings/memory_settings_store.h"
#include "faxdoc/fax_converter.h"

using namespace telvane;

namespace {

class SilentNotice : public IUserNotice {
 public:
  void ShowError(QWidget*, const QString& text) override { errors << text; }
  void ShowInfo(QWidget*, const QString& text) override { infos << text; }
  bool Confirm(QWidget*, const QString&) override { return true; }
  void Beep() override {}
  QStringList errors, infos;
};

// The largest gap between ticks of a 1 ms timer, and how many gaps passed
// 16 ms (a frame) and 50 ms.
class StallProbe {
 public:
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      const double gapMs = (now - last_) / 1e6;
      last_ = now;
      if (gapMs > worstMs_) {
        worstMs_ = gapMs;
        worstAtS_ = now / 1e9;
      }
      if (gapMs > 16) ++over16_;
      if (gapMs > 16 && std::getenv("STALLS")) std::fprintf(stderr, "stall of %.1f ms ending at %.3f s\n", gapMs, now / 1e9);
      if (gapMs > 50) ++over50_;
      ++ticks_;
    });
  }
  void Start() {
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  void Stop() { timer_.stop(); }
  double worstMs_ = 0, worstAtS_ = 0;
  long ticks_ = 0, over16_ = 0, over50_ = 0;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const double pace = argc > 1 ? std::atof(argv[1]) : 4.0;
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";

  // The document: 100 pages of 50 text lines.
  QByteArray text;
  for (int page = 1; page <= 100; ++page) {
    for (int line = 1; line <= 50; ++line)
      text += QByteArray("Page ") + QByteArray::number(page) + ", line " + QByteArray::number(line) +
              ": the quarterly figures follow, with notes on each of the regional offices.\r\n";
    if (page < 100) text += '\f';
  }
  const QString document = dir.path() + QStringLiteral("/long.txt");
  WriteFile(document, text);
  // The fax that goes out: one page.
  WriteFile(dir.path() + QStringLiteral("/short.txt"), "A one-page fax for the responsiveness benchmark.\r\n");
  TApdFaxConverter converter;
  converter.InputDocumentType = idText;
  converter.SetDocumentFile(folder + "short.txt");
  converter.OutFileName = folder + "short.apf";
  converter.ConvertDocument();

  MemorySettingsStore store;
  store.WriteString("software\\Kestrel\\telphone", "Modem", kSimulatedLineName);
  store.WriteInteger("software\\Kestrel\\Fax", "NoCover", 1);
  SilentNotice notice;
  MainWindowEnvironment env;
  env.store = &store;
  env.programDir = folder;
  env.notice = &notice;
  env.devices = std::vector<TelephonyDevice>{{kSimulatedLineName, "", TelephonyDeviceKind::Simulated}};
  env.simulatedLinePace = pace;
  TSendFaxForm form(env);
  form.RunDialog = [](QDialog& dialog) { return dialog.exec(); };  // the stored device is taken at once
  form.show();
  while (form.ApdTapiDevice1.SelectedDevice() != kSimulatedLineName) QCoreApplication::processEvents();
  // From now on only the outgoing-entry dialog comes: it takes the document.
  form.RunDialog = [&](QDialog& dialog) {
    auto& entry = static_cast<TFaxListForm&>(dialog);
    entry.SetPhoneNumber(QStringLiteral("5550001"));
    entry.SetFileName(document);
    entry.SetCoverName(QString());
    return static_cast<int>(QDialog::Accepted);
  };

  StallProbe probe;
  int conversions = 0;
  QTimer requeue;  // another conversion as soon as the last is done
  QObject::connect(&requeue, &QTimer::timeout, [&] {
    if (form.PendingConversions() > 0) return;
    ++conversions;
    form.AddClk->click();
  });

  QElapsedTimer call;
  call.start();
  probe.Start();
  form.EditFax->setText(QStringLiteral("5551234"));
  form.EditFile->setText(QString::fromStdString(folder + "short.apf"));
  form.SendFaxClk->click();
  requeue.start(20);
  while (notice.infos.isEmpty() && call.elapsed() < 300000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  requeue.stop();
  probe.Stop();
  const double seconds = call.elapsed() / 1000.0;
  const int finished = conversions - form.PendingConversions();
  while (form.PendingConversions() > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

  std::printf("call: %.1f s at pace %.0f, %s\n", seconds, pace,
              notice.infos.isEmpty() ? "no finish" : qPrintable(notice.infos.first()));
  std::printf("100-page conversions during the call: %d finished, %d started\n", finished, conversions);
  std::printf("event loop: %ld ticks of the 1 ms timer; longest stall %.1f ms (at %.1f s); gaps over 16 ms: %ld, over 50 ms: %ld\n",
              probe.ticks_, probe.worstMs_, probe.worstAtS_, probe.over16_, probe.over50_);
  if (!notice.errors.isEmpty()) std::printf("errors: %s\n", qPrintable(notice.errors.join(QStringLiteral("; "))));
  std::printf("goal: under 50 ms: %s\n", probe.worstMs_ < 50 ? "met" : "NOT met");
  return probe.worstMs_ < 50 ? 0 : 1;
}
