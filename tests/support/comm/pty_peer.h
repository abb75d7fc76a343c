// The far end of a port in tests: the master side of a pseudo-terminal,
// whose slave path the port opens.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "comm/port/pty.h"

namespace telvane::test {

class PtyPeer {
 public:
  PtyPeer() {
    fd_ = OpenPtyMaster(slave_);
    if (fd_ < 0) std::abort();
  }
  ~PtyPeer() { CloseMaster(); }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  void CloseMaster() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  const std::string& SlavePath() const { return slave_; }
  int Fd() const { return fd_; }

  // Reads whatever is waiting, without blocking.
  std::size_t Drain() {
    std::size_t total = 0;
    char buf[65536];
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) return total;
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) return total;
      total += static_cast<std::size_t>(n);
    }
  }

  // What the master side reads until `token` arrives or `seconds` pass.
  std::string ReadUntil(const std::string& token, double seconds) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (got.find(token) == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      char buf[256];
      ssize_t n = poll(&p, 1, 50) > 0 ? ::read(fd_, buf, sizeof buf) : 0;
      if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  int fd_ = -1;
  std::string slave_;
};

}  // namespace telvane::test
