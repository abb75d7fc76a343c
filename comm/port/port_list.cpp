// Lists the serial devices of this machine.
#include "comm/port/port_list.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <linux/serial.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

namespace telvane {
namespace {

namespace fs = std::filesystem;

// Compares names with embedded numbers by value: ttyS2 < ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
      nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> Matching(const fs::path& dir, const std::string& prefix) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

}  // namespace

bool ProbeSerialPort(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY || errno == EACCES;  // there, but held by someone else
  // The kernel creates the /dev/ttyS* nodes whether or not a UART answers;
  // the driver reports "unknown" for the empty ones.
  serial_struct info{};
  bool present = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  ::close(fd);
  return present;
}

std::vector<SerialPortInfo> ListSerialPorts(const std::string& devRoot, const PortProbe& probe) {
  std::vector<SerialPortInfo> ports;
  fs::path dev(devRoot);
  for (const std::string& name : Matching(dev, "ttyS")) {
    std::string path = (dev / name).string();
    if (!probe || probe(path)) ports.push_back({path, name});
  }
  for (const char* prefix : {"ttyUSB", "ttyACM"})
    for (const std::string& name : Matching(dev, prefix)) ports.push_back({(dev / name).string(), name});
  // Stable names of USB adapters, with the device they stand for.
  for (const std::string& name : Matching(dev / "serial" / "by-id", "")) {
    fs::path link = dev / "serial" / "by-id" / name;
    std::error_code ec;
    fs::path target = fs::canonical(link, ec);
    std::string label = name;
    if (!ec) label += " (" + target.filename().string() + ")";
    ports.push_back({link.string(), label});
  }
  return ports;
}

}  // namespace telvane
