// Joins APF files into a temporary file of their own.
#include "comm/components/merge_apf.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "faxdoc/apf_join.h"
#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::string TempFolder() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
  return ec ? std::string("/tmp") : dir.string();
}

std::string MergeApfFiles(const std::vector<std::string>& files, const std::string& tempDir) {
  std::string name = (std::filesystem::path(tempDir) / "~APXXXXXX").string();
  Fd out{::mkstemp(name.data())};
  if (out.fd < 0) RaiseError(ErrnoToCode(errno));
  int rc = WriteJoinedApf(files, out.fd);
  ::close(out.fd);
  out.fd = -1;
  if (rc != ecOK) {
    ::unlink(name.c_str());
    RaiseError(rc);
  }
  return name;
}

}  // namespace telvane
