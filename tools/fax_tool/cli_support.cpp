#include "tools/fax_tool/cli_support.h"

#include <unistd.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/error_codes.h"

namespace telvane::cli {

void ReportError(const std::string& what, int code) {
  std::fprintf(stderr, "telvane-fax: %s: %s (%d)\n", what.c_str(), ErrorText(code), code);
}

bool ParseUnsigned(const char* text, unsigned& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text, &end, 10);
  if (*end != '\0' || errno != 0 || v > 0xFFFFFFFFul || text[0] == '-') return false;
  value = static_cast<unsigned>(v);
  return true;
}

bool ParsePace(const char* text, double& pace) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (*end != '\0' || !(v >= 0.1 && v <= 16)) return false;
  pace = v;
  return true;
}

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "telvane-fax";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

bool ProgressWanted() { return isatty(STDERR_FILENO) == 1; }

}  // namespace telvane::cli
