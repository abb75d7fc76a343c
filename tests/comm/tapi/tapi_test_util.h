// Helpers of the telephony tests: the master side of a pseudo-terminal as
// the far end of a port, and a scripted line.
#pragma once

#include <string>
#include <vector>

#include "telephony_line.h"

namespace telvane::test {

// A pseudo-terminal pair; the port opens the slave side.
class PtyPeer {
 public:
  PtyPeer();
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;
  const std::string& SlavePath() const { return slave_; }
  // Reads from the master side until `token` has arrived or `seconds` pass;
  // returns everything read.
  std::string ReadUntil(const std::string& token, double seconds);

 private:
  int fd_ = -1;
  std::string slave_;
};

// What a scripted line did, kept outside the line (the device owns it).
struct LineScript {
  std::vector<int> connectResults;  // one per Connect; past the end: 0
  std::string path;                 // handed out on a successful Connect
  int connects = 0;
  int disconnects = 0;
  ITelephonyLine* current = nullptr;  // the line of the call, for drops
};

// A factory whose lines follow `script`.
TelephonyLineFactory ScriptedLines(LineScript& script);

}  // namespace telvane::test
