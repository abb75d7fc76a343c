#include "tools/fax_tool/cli_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cctype>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/platform/quiet_qt_messages.h"
#include "base/error_codes.h"

namespace telvane::cli {
namespace {

std::string& Prefix() {
  static std::string prefix = "telvane-fax";
  return prefix;
}

}  // namespace

void SetCommand(const std::string& command) { Prefix() = "telvane-fax " + command; }
const std::string& MessagePrefix() { return Prefix(); }

void ReportError(const std::string& what, int code) {
  std::fprintf(stderr, "%s: %s: %s (%d)\n", Prefix().c_str(), what.c_str(), ErrorText(code), code);
}

namespace {

void SayV(const char* format, va_list args) {
  std::fprintf(stderr, "%s: ", Prefix().c_str());
  std::vfprintf(stderr, format, args);
}

}  // namespace

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  SayV(format, args);
  va_end(args);
}

int UsageError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  SayV(format, args);
  va_end(args);
  return UsageHint();
}

int UsageHint() {
  std::fprintf(stderr, "Try '%s --help' for more information.\n", Prefix().c_str());
  return kExitUsage;
}

void PrintVersion(const char* program) { std::printf("%s %s\n", program, TELVANE_VERSION); }

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

std::string ExtensionInCaseOf(const std::string& name, const std::string& extension) {
  const std::string own = std::filesystem::path(name).extension().string();
  bool upper = false, lower = false;
  for (char c : own) {
    upper |= std::isupper(static_cast<unsigned char>(c)) != 0;
    lower |= std::islower(static_cast<unsigned char>(c)) != 0;
  }
  std::string ext = "." + extension;
  if (upper && !lower)
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

std::string DefaultOutputName(const std::string& input, const std::string& extension) {
  std::filesystem::path out(input);
  out.replace_extension(ExtensionInCaseOf(input, extension));
  return out.string();
}

std::string OutputProblem(const std::string& output) {
  std::filesystem::path folder = std::filesystem::path(output).parent_path();
  if (folder.empty()) folder = ".";
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR)
      return "cannot write '" + output + "': there is no folder '" + folder.string() + "'";
    return "cannot write '" + output + "': " + std::strerror(err);
  }
  if (!S_ISDIR(st.st_mode)) return "cannot write '" + output + "': '" + folder.string() + "' is no folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    const int err = errno;
    return "cannot write '" + output + "' in '" + folder.string() + "': " + std::strerror(err);
  }
  return {};
}

std::string BinaryKind(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  unsigned char head[4096];
  const ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  if (got <= 0) return {};
  const auto n = static_cast<size_t>(got);
  const auto starts = [&](const char* magic, size_t length) {
    return n >= length && std::memcmp(head, magic, length) == 0;
  };
  if (starts("%PDF-", 5)) return "a PDF document";
  if (starts("\x89PNG\r\n\x1a\n", 8)) return "a PNG image";
  if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "a GIF image";
  if (starts("PK\x03\x04", 4)) return "a ZIP archive (office documents are ZIP files)";
  if (starts("RIFF", 4) && n >= 12 && std::memcmp(head + 8, "WEBP", 4) == 0) return "a WebP image";
  if (std::memchr(head, 0, n)) return "binary data";
  return {};
}

void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QuietQtRuntimeWarnings();
  static int argc = 1;
  static char name[] = "telvane-fax";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
}

bool ProgressWanted() { return isatty(STDERR_FILENO) == 1; }

}  // namespace telvane::cli
