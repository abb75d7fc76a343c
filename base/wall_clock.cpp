// The system's wall clock and local-time formatting.
#include "base/wall_clock.h"

namespace telvane {

std::time_t SystemTime() { return std::time(nullptr); }

std::string FormatLocalTime(std::time_t t, const char* format) {
  std::tm local{};
  if (!localtime_r(&t, &local)) return {};
  char buf[128];
  const std::size_t n = std::strftime(buf, sizeof buf, format, &local);
  return std::string(buf, n);
}

}  // namespace telvane
