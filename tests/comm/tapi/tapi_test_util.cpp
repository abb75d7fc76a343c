// Helpers of the telephony tests.
#include "tapi_test_util.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace telvane::test {

PtyPeer::PtyPeer() {
  fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) std::abort();
  slave_ = ptsname(fd_);
}

PtyPeer::~PtyPeer() {
  if (fd_ >= 0) ::close(fd_);
}

std::string PtyPeer::ReadUntil(const std::string& token, double seconds) {
  std::string got;
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (got.find(token) == std::string::npos && std::chrono::steady_clock::now() < end) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
    char buf[256];
    ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

namespace {

class ScriptedLine : public ITelephonyLine {
 public:
  explicit ScriptedLine(LineScript& script) : script_(script) {}
  ~ScriptedLine() override {
    if (script_.current == this) script_.current = nullptr;
  }
  int Connect(std::string& devicePath) override {
    std::size_t i = static_cast<std::size_t>(script_.connects++);
    int rc = i < script_.connectResults.size() ? script_.connectResults[i] : 0;
    if (rc == 0) {
      devicePath = script_.path;
      script_.current = this;
    }
    return rc;
  }
  void Disconnect() override { ++script_.disconnects; }

 private:
  LineScript& script_;
};

}  // namespace

TelephonyLineFactory ScriptedLines(LineScript& script) {
  return [&script](const TelephonyDevice&) {
    return std::unique_ptr<ITelephonyLine>(std::make_unique<ScriptedLine>(script));
  };
}

}  // namespace telvane::test
