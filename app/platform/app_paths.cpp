#include "app/platform/app_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace telvane {

namespace {

std::string FromEnvironment(const char* own, const char* xdg, const char* homeFallback) {
  if (const char* v = std::getenv(own); v && *v) return WithTrailingSlash(v);
  if (const char* v = std::getenv(xdg); v && *v && v[0] == '/') return WithTrailingSlash(v) + "telvane/";
  const char* home = std::getenv("HOME");
  return WithTrailingSlash(home && *home ? home : "/tmp") + homeFallback + "telvane/";
}

}  // namespace

std::string WithTrailingSlash(const std::string& dir) {
  if (dir.empty() || dir.back() == '/') return dir;
  return dir + '/';
}

std::string ProgramDataDir() { return FromEnvironment("TELVANE_DATA_DIR", "XDG_DATA_HOME", ".local/share/"); }

std::string SettingsDir() { return FromEnvironment("TELVANE_CONFIG_DIR", "XDG_CONFIG_HOME", ".config/"); }

bool MakeFolder(const std::string& dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return std::filesystem::is_directory(dir, ec);
}

}  // namespace telvane
