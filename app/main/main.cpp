// The program's entry point. For now the program opens the viewer window on
// the fax file named as its first argument; the main window comes here later.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/platform/quiet_qt_messages.h"
#include "viewer/view_fax_form.h"

namespace {

constexpr const char* kUsage =
    "Usage: telvane [FILE.apf]\n"
    "The Telvane fax workstation. With a fax file, opens it in the viewer window.\n"
    "\n"
    "  --help      this text\n"
    "  --version   print the version\n"
    "\n"
    "Converting, sending and receiving from the command line: telvane-fax --help.\n";

}  // namespace

int main(int argc, char** argv) {
  // Options are answered before any window opens (and without a display).
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("telvane %s\n", TELVANE_VERSION);
      return 0;
    }
    if (argv[i][0] == '-' && argv[i][1] != '\0' && std::strcmp(argv[i], "--") != 0) {
      std::fprintf(stderr, "telvane: unknown option '%s'\nTry 'telvane --help' for more information.\n", argv[i]);
      return 2;
    }
  }
  telvane::QuietQtRuntimeWarnings();
  QApplication app(argc, argv);
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  arguments.removeAll(QStringLiteral("--"));
  telvane::TViewFaxForm viewer(arguments);
  viewer.show();
  return QApplication::exec();
}
