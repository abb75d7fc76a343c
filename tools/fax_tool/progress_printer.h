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
  int currentPage = 0;
  int totalPages = 0;
  long bytes = 0;
  int bps = 0;
  bool fine = false;
  std::string remoteId;
};

// "Sending page data: page 2/3, 10240 bytes, 9600 bps fine, remote "ID"".
// Fields that mean nothing yet (no page, no speed, no ID) are left out.
std::string ProgressLine(const ProgressSnapshot& s);

class ProgressPrinter {
 public:
  // `prefix` starts every line (e.g. "5551234: "); quiet prints nothing.
  ProgressPrinter(FILE* out, bool quiet) : out_(out), quiet_(quiet) {}
  void SetPrefix(std::string prefix) { prefix_ = std::move(prefix); }

  // One status event of `fax`; repeats of the same line are left out (the
  // status timer fires every second while nothing changes).
  void Status(TApdAbstractFax& fax);

 private:
  FILE* out_;
  bool quiet_;
  std::string prefix_;
  std::string last_;
  bool speedKnown_ = false;
};

}  // namespace telvane::cli
