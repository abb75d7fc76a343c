#include "tools/fax_tool/progress_printer.h"

#include "comm/components/abstract_fax.h"
#include "base/error_codes.h"

namespace telvane::cli {

std::string ProgressLine(const ProgressSnapshot& s) {
  std::string line = s.progress > 0 ? ErrorText(s.progress) : "Starting";
  std::string details;
  auto add = [&](const std::string& part) { details += (details.empty() ? ": " : ", ") + part; };
  if (s.currentPage > 0) {
    std::string page = "page " + std::to_string(s.currentPage);
    if (s.totalPages > 0) page += "/" + std::to_string(s.totalPages);
    add(page);
  }
  if (s.bytes > 0) add(std::to_string(s.bytes) + " bytes");
  if (s.bps > 0) add(std::to_string(s.bps) + " bps " + (s.fine ? "fine" : "standard"));
  if (!s.remoteId.empty()) add("remote \"" + s.remoteId + "\"");
  return line + details;
}

void ProgressPrinter::Status(TApdAbstractFax& fax) {
  if (quiet_) return;
  ProgressSnapshot s;
  s.progress = fax.FaxProgress();
  if (s.progress <= 0) return;  // nothing has happened yet
  s.currentPage = fax.CurrentPage();
  s.totalPages = fax.TotalPages();
  s.bytes = fax.BytesTransferred();
  // The speed means something once the session parameters are agreed.
  if (s.progress == fpSessionParams || s.currentPage > 0) speedKnown_ = true;
  if (speedKnown_) {
    s.bps = fax.SessionBPS();
    s.fine = fax.SessionResolution();
  }
  s.remoteId = fax.RemoteID();
  std::string line = prefix_ + ProgressLine(s);
  if (line == last_) return;
  last_ = line;
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace telvane::cli
