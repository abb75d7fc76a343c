// Raw pseudo-terminal access for the emulator tests.
#include "tests/comm/emulator/dte_side.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace telvane::emu::test {

using Clock = std::chrono::steady_clock;

DteSide::DteSide(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  termios tio{};
  tcgetattr(fd_, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd_, TCSANOW, &tio);
}

DteSide::~DteSide() {
  if (fd_ >= 0) ::close(fd_);
}

void DteSide::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      pollfd p{fd_, POLLOUT, 0};
      ::poll(&p, 1, 100);
      continue;
    }
    done += static_cast<size_t>(n);
  }
}

bool DteSide::ReadSome(int timeoutMs) {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return false;
  char buf[8192];
  ssize_t n = ::read(fd_, buf, sizeof buf);
  if (n <= 0) return false;
  pending_.append(buf, static_cast<size_t>(n));
  return true;
}

std::string DteSide::ReadUntil(const std::string& text, std::chrono::milliseconds wait) {
  return ReadTo(wait, [&] {
    size_t at = pending_.find(text);
    return at == std::string::npos ? at : at + text.size();
  });
}

std::string DteSide::ReadFor(std::chrono::milliseconds wait) {
  return ReadTo(wait, [] { return std::string::npos; });
}

std::string DteSide::Command(const std::string& line, std::chrono::milliseconds wait) {
  Write(line + "\r");
  static const char* const kFinals[] = {"\r\nOK\r\n",         "\r\nERROR\r\n", "\r\nCONNECT",
                                        "\r\nNO CARRIER\r\n", "\r\nBUSY\r\n",  "\r\nNO DIALTONE\r\n",
                                        "\r\nVOICE\r\n"};
  return ReadTo(wait, [&] {
    size_t best = std::string::npos, length = 0;
    for (const char* f : kFinals) {
      size_t at = pending_.find(f);
      if (at != std::string::npos && at < best) {
        best = at;
        length = std::string(f).size();
      }
    }
    if (best == std::string::npos) return best;
    if (pending_.compare(best, 9, "\r\nCONNECT") == 0) {  // up to the end of its line
      size_t end = pending_.find("\r\n", best + 2);
      return end == std::string::npos ? end : end + 2;
    }
    return best + length;
  });
}

std::string DteSide::ReadTo(std::chrono::milliseconds wait, const std::function<size_t()>& end) {
  const auto deadline = Clock::now() + wait;
  size_t at = end();
  for (; at == std::string::npos; at = end()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      at = pending_.size();
      break;
    }
    ReadSome(static_cast<int>(left));
  }
  std::string got = pending_.substr(0, at);
  pending_.erase(0, at);
  return got;
}

}  // namespace telvane::emu::test
