// The program's entry point: creates the program's windows, the main window
// first, and runs until the main window closes. A fax file named on the
// command line opens in the viewer window as well.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <memory>

#include "app/main/program_windows.h"
#include "app/platform/app_paths.h"
#include "app/platform/quiet_qt_messages.h"
#include "app/settings/file_settings_store.h"

namespace {

constexpr const char* kUsage =
    "Usage: telvane [OPTION]... [FILE.apf]\n"
    "The Telvane fax workstation: sends and receives faxes, keeps a phone book,\n"
    "and shows, prints and converts fax files. A fax file named here opens in\n"
    "the viewer window as well.\n"
    "\n"
    "  --screenshots DIR  save a picture of each page of the main window into DIR\n"
    "                     (page-1.png .. page-4.png) and quit\n"
    "  --report-startup   print the time to the first shown window and the\n"
    "                     memory in use one second later, then quit\n"
    "  --help             this text\n"
    "  --version          print the version\n"
    "\n"
    "Settings are kept in $TELVANE_CONFIG_DIR (default ~/.config/telvane/), the\n"
    "phone book, out-box and logs in $TELVANE_DATA_DIR (default\n"
    "~/.local/share/telvane/). Converting, sending and receiving from the command\n"
    "line: telvane-fax --help.\n";

struct Options {
  QString screenshotDir;
  bool reportStartup = false;
  QStringList files;
};

// Milliseconds since the process started (the kernel's start time, so the
// loading of the program and its libraries counts too); -1 when unknown.
long MillisecondsSinceProcessStart() {
  FILE* stat = std::fopen("/proc/self/stat", "r");
  FILE* uptime = std::fopen("/proc/uptime", "r");
  long result = -1;
  char buffer[1024];
  double up = 0;
  if (stat && uptime && std::fgets(buffer, sizeof buffer, stat) && std::fscanf(uptime, "%lf", &up) == 1) {
    // Field 22 (start time in clock ticks) comes 20 fields after the ")"
    // that ends the program name.
    const char* p = std::strrchr(buffer, ')');
    unsigned long long start = 0;
    for (int field = 0; p && field < 20; ++field) p = std::strchr(p + 1, ' ');
    if (p && std::sscanf(p + 1, "%llu", &start) == 1)
      result = static_cast<long>((up - static_cast<double>(start) / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1000);
  }
  if (stat) std::fclose(stat);
  if (uptime) std::fclose(uptime);
  return result;
}

long ResidentKilobytes() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
  std::fclose(f);
  return kb;
}

// Pictures of the four pages as the window system shows them.
void SaveScreenshots(telvane::TSendFaxForm& form, const QString& dir) {
  QDir().mkpath(dir);
  for (int i = 0; i < form.PageControl2->count(); ++i) {
    form.PageControl2->setCurrentIndex(i);
    for (int k = 0; k < 5; ++k) QCoreApplication::processEvents();
    QPixmap shot;
    if (QScreen* screen = form.screen(); screen && QGuiApplication::platformName() == QLatin1String("xcb"))
      shot = screen->grabWindow(form.winId());
    if (shot.isNull()) shot = form.grab();
    const QString name = dir + QStringLiteral("/page-%1.png").arg(i + 1);
    if (!shot.save(name)) std::fprintf(stderr, "telvane: cannot write %s\n", qPrintable(name));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Options are answered before any window opens (and without a display).
  Options options;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(a, "--version")) {
      std::printf("telvane %s\n", TELVANE_VERSION);
      return 0;
    }
    if (!std::strcmp(a, "--screenshots") && i + 1 < argc) {
      options.screenshotDir = QString::fromLocal8Bit(argv[++i]);
      continue;
    }
    if (!std::strcmp(a, "--report-startup")) {
      options.reportStartup = true;
      continue;
    }
    if (!std::strcmp(a, "--")) {
      for (++i; i < argc; ++i) options.files << QString::fromLocal8Bit(argv[i]);
      break;
    }
    if (a[0] == '-' && a[1] != '\0') {
      std::fprintf(stderr, "telvane: unknown option '%s'\nTry 'telvane --help' for more information.\n", a);
      return 2;
    }
    options.files << QString::fromLocal8Bit(a);
  }
  telvane::QuietQtRuntimeWarnings();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("telvane"));
  QApplication::setDesktopFileName(QStringLiteral("telvane"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/telvane/telvane.svg")));

  telvane::FileSettingsStore store(telvane::FileSettingsStore::DefaultPath());
  // A settings file that could not be read was renamed: say so once the
  // main window is up.
  store.onSetAside = [](const std::string& message) {
    QTimer::singleShot(0, [text = QString::fromStdString(message)] {
      telvane::QtUserNotice().ShowError(QApplication::activeWindow(), text);
    });
  };
  telvane::MainWindowEnvironment env;
  env.store = &store;
  env.programDir = telvane::ProgramDataDir();

  telvane::ProgramWindows windows(env, options.files);
  telvane::TSendFaxForm& mainWindow = windows.mainWindow;
  mainWindow.show();
  if (!options.files.isEmpty()) windows.viewer.show();

  if (options.reportStartup) {
    // Runs once the window system has taken the show: the window is up.
    QTimer::singleShot(0, [] {
      const long shownMs = MillisecondsSinceProcessStart();
      QTimer::singleShot(1000, [shownMs] {
        std::printf("first window shown %ld ms after the process started; resident memory after 1 s idle: %ld kB\n",
                    shownMs, ResidentKilobytes());
        QApplication::quit();
      });
    });
  }
  if (!options.screenshotDir.isEmpty()) {
    QTimer::singleShot(300, [&mainWindow, &options] {
      SaveScreenshots(mainWindow, options.screenshotDir);
      mainWindow.close();
    });
  }
  return QApplication::exec();
}
