// Received-fax file names: the first unused number of the naming mode, and a
// unique name when the numbers run out.
#include "comm/components/fax_file_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace telvane {
namespace {

constexpr int kMaxNumber = 9999;

bool Exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

// Whether `path` is taken: with `reserve` it is created when free (and then
// counts as free, since this caller now holds it).
bool Taken(const std::string& path, bool reserve) {
  if (!reserve) return Exists(path);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == EEXIST;
}

// Makes and reserves "<dir><stem>XXXXXX.<ext>" with a unique middle part.
std::string UniqueName(const std::string& dir, const std::string& stem, const std::string& ext) {
  const std::string suffix = "." + ext;
  std::string name = dir + stem + "XXXXXX" + suffix;
  int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

std::string FaxFileName(const std::string& dirIn, int mode, const std::string& ext, std::time_t now, bool reserve) {
  std::string dir = dirIn;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::string stem;
  if (mode == 1) {
    stem = "FAX";
  } else if (mode == 2) {
    std::tm local{};
    localtime_r(&now, &local);
    char md[32];
    std::snprintf(md, sizeof md, "%02d%02d", local.tm_mon + 1, local.tm_mday);
    stem = md;
  } else {
    // Other modes have no numbering: one fixed name while it is free.
    const std::string fixed = dir + "noname.apf";
    return Taken(fixed, reserve) ? UniqueName(dir, "noname", "apf") : fixed;
  }
  for (int n = 1; n <= kMaxNumber; ++n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", n);
    const std::string name = dir + stem + digits + "." + ext;
    if (!Taken(name, reserve)) return name;
  }
  // Every number is taken: a fixed fallback name would let the next fax
  // overwrite this one, so the fax gets a name of its own.
  return UniqueName(dir, stem, ext);
}

}  // namespace

std::string FreeFaxFileName(const std::string& dir, int mode, const std::string& ext, std::time_t now) {
  return FaxFileName(dir, mode, ext, now, false);
}

std::string ReserveFaxFileName(const std::string& dir, int mode, const std::string& ext, std::time_t now) {
  return FaxFileName(dir, mode, ext, now, true);
}

}  // namespace telvane
