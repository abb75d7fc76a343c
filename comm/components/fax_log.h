// The fax history file: one or more lines per log notification of a fax
// component, appended to a text file with CR LF line ends.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/wall_clock.h"

namespace telvane {

class TApdAbstractFax;

// What the history lines of a fax event are made of.
struct FaxLogFacts {
  std::vector<std::string> files;  // sender: the fax files of the transmission
  std::string phoneNumber;
  std::string faxFile;             // receiver: the file being written
  std::string remoteId;            // as it may be shown (PrintableText)
  int hangupCode = 0;
  int errorCode = 0;
};

// The text appended for `logCode` (1..7; empty for others), every line
// ended with CR LF, `when` as the date and time.
std::string FaxLogText(const FaxLogFacts& facts, int logCode, const std::string& when);

class TApdFaxLog {
 public:
  TApdFaxLog();

  // The history file; empty writes nothing.
  const std::string& FaxHistoryName() const { return faxHistoryName_; }
  void SetFaxHistoryName(const std::string& v) { faxHistoryName_ = v; }
  // The component whose events are logged.
  TApdAbstractFax* Fax() const { return fax_; }
  void SetFax(TApdAbstractFax* v) { fax_ = v; }

  // Appends the lines of `logCode` for `fax`. A file that cannot be written
  // loses the lines (the session goes on); LastWriteFailed() tells.
  void UpdateLog(TApdAbstractFax& fax, int logCode);
  // The text UpdateLog appends for `logCode`, without writing it.
  std::string LogText(TApdAbstractFax& fax, int logCode) const;
  bool LastWriteFailed() const { return lastWriteFailed_; }

  // The clock of the date and time written into lines; tests fix it.
  WallClock Clock = SystemTime;

 private:
  std::string faxHistoryName_ = "APDFAX.HIS";
  TApdAbstractFax* fax_ = nullptr;
  bool lastWriteFailed_ = false;
};

}  // namespace telvane
