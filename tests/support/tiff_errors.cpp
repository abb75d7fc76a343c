// libtiff's error messages, kept per thread for the test helpers.
#include "tests/support/tiff_errors.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace telvane::test {
namespace {

std::string& LastError() {
  static thread_local std::string text;
  return text;
}

void CollectError(const char* module, const char* fmt, va_list ap) {
  char buf[512];
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  LastError() = std::string(module ? module : "libtiff") + ": " + buf;
}

}  // namespace

void CatchTiffErrors() {
  TIFFSetErrorHandler(CollectError);
  TIFFSetWarningHandler(nullptr);
  LastError().clear();
}

void SetTiffError(std::string* error, const std::string& what) {
  if (error) *error = what + (LastError().empty() ? "" : " (" + LastError() + ")");
}

}  // namespace telvane::test
