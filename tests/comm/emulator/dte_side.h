// The DTE end of the emulator's pseudo-terminal for tests: raw AT commands
// out, everything the modem says collected and searched.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace telvane::emu::test {

class DteSide {
 public:
  explicit DteSide(const std::string& path);
  ~DteSide();
  DteSide(const DteSide&) = delete;
  DteSide& operator=(const DteSide&) = delete;

  void Write(const std::string& bytes);
  // Sends "<line>\r" and returns what arrived up to and including the next
  // final result (OK, ERROR, CONNECT..., NO CARRIER, BUSY, NO DIALTONE,
  // VOICE), or everything read when none came within the time.
  std::string Command(const std::string& line, std::chrono::milliseconds wait = std::chrono::seconds(3));
  // Reads until `text` has arrived (returns everything read, text included)
  // or the time passes (returns what came, without the text).
  std::string ReadUntil(const std::string& text, std::chrono::milliseconds wait = std::chrono::seconds(3));
  // Everything that arrives within the time.
  std::string ReadFor(std::chrono::milliseconds wait);

 private:
  bool ReadSome(int timeoutMs);
  // Reads until end() finds where the answer in what has come ends (npos:
  // not yet) or the time passes (then all of it), and takes that much.
  std::string ReadTo(std::chrono::milliseconds wait, const std::function<size_t()>& end);
  int fd_ = -1;
  std::string pending_;
};

}  // namespace telvane::emu::test
