// Live progress of a fax session on stderr: one line per status event, from
// the component's read-outs (progress text, page, bytes, speed, remote ID).
#pragma once

#include <cstdio>
#include <string>

namespace telvane {
class TApdAbstractFax;
}

namespace telvane::cli {

// What one status line shows; kept apart from the component so that the
// text can be built and checked without a session.
struct ProgressSnapshot {
  int progress = 0;  // the 48xx progress code
  bool receiving = false;
  // Sending: the page being sent and the fax's page count. Receiving: the
  // pages received whole so far (the total is not known before the end).
  int currentPage = 0;
  int totalPages = 0;
  long bytes = 0;
  int bps = 0;
  bool fine = false;
  std::string remoteId;
};

// What is happening on the line in the user's words, then the details:
// "Sending page 2 of 3: 10240 bytes, 9600 bps fine, far end "ID"". Fields
// that mean nothing yet (no page, no speed, no ID) are left out.
std::string ProgressLine(const ProgressSnapshot& s);

class ProgressPrinter {
 public:
  // `prefix` starts every line (e.g. "5551234: "); quiet prints nothing.
  ProgressPrinter(FILE* out, bool quiet) : out_(out), quiet_(quiet) {}
  void SetPrefix(std::string prefix) { prefix_ = std::move(prefix); }
  void SetReceiving(bool receiving) { receiving_ = receiving; }

  // One status event of `fax`; repeats of the same line are left out (the
  // status timer fires every second while nothing changes).
  void Status(TApdAbstractFax& fax);

 private:
  FILE* out_;
  bool quiet_;
  std::string prefix_;
  std::string last_;
  bool speedKnown_ = false;
  bool receiving_ = false;
};

}  // namespace telvane::cli
