// Opening pseudo-terminals with POSIX calls.
#include "comm/port/pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace telvane {

int OpenPtyMaster(std::string& slavePath) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return -errno;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    const int rc = -errno;
    ::close(master);
    return rc;
  }
  slavePath = name;
  return master;
}

int OpenPtyKeepingSlave(std::string& slavePath, int& slaveFd) {
  const int master = OpenPtyMaster(slavePath);
  if (master < 0) return master;
  slaveFd = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slaveFd < 0) {
    const int rc = -errno;
    ::close(master);
    return rc;
  }
  termios tio{};
  if (tcgetattr(slaveFd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slaveFd, TCSANOW, &tio);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  return master;
}

}  // namespace telvane
