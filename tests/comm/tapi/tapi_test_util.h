// Helpers of the telephony tests: the master side of a pseudo-terminal as
// the far end of a port, and lines that follow a script.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/comm/pty_peer.h"
#include "comm/tapi/telephony_line.h"

namespace telvane::test {

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
