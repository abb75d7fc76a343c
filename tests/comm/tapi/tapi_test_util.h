// Helpers of the telephony tests: the master side of a pseudo-terminal as
// the far end of a port, and lines that follow a script.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "telephony_line.h"

namespace telvane::test {

class PtyPeer {
 public:
  PtyPeer() : fd_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) std::abort();
    slave_ = ptsname(fd_);
  }
  ~PtyPeer() { ::close(fd_); }
  const std::string& SlavePath() const { return slave_; }
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
  int fd_;
  std::string slave_;
};

// What scripted lines do and did; kept outside them (the device owns a line).
struct LineScript {
  std::vector<int> connectResults;  // one per Connect; past the end: 0
  std::string path;                 // handed out on a successful Connect
  int connects = 0, disconnects = 0;
  ITelephonyLine* current = nullptr;  // the connected line, for drops
  std::function<void()> lastDropped;  // the drop report of the last line tried
};

class ScriptedLine : public ITelephonyLine {
 public:
  explicit ScriptedLine(LineScript& s) : s_(s) {}
  ~ScriptedLine() override { if (s_.current == this) s_.current = nullptr; }
  int Connect(std::string& devicePath) override {
    std::size_t i = static_cast<std::size_t>(s_.connects++);
    int rc = i < s_.connectResults.size() ? s_.connectResults[i] : 0;
    s_.lastDropped = OnDropped;
    if (rc == 0) devicePath = s_.path, s_.current = this;
    return rc;
  }
  void Disconnect() override { ++s_.disconnects; }

 private:
  LineScript& s_;
};

inline TelephonyLineFactory ScriptedLines(LineScript& s) {
  return [&s](const TelephonyDevice&) { return std::unique_ptr<ITelephonyLine>(new ScriptedLine(s)); };
}

}  // namespace telvane::test
