#include "tools/fax_tool/progress_printer.h"

#include "comm/components/abstract_fax.h"
#include "base/error_codes.h"
#include "comm/fax/fax_session.h"

namespace telvane::cli {

namespace {

std::string What(const ProgressSnapshot& s) {
  const std::string page = std::to_string(s.currentPage);
  // The page that is coming in is the one after those received whole.
  const std::string incoming = std::to_string(s.currentPage + 1);
  const std::string of = s.totalPages > 0 ? " of " + std::to_string(s.totalPages) : "";
  const bool more = s.totalPages > 0 && s.currentPage < s.totalPages;
  switch (s.progress) {
    case fpInitModem: return "Setting up the modem";
    case fpDialing: return "Dialling";
    case fpBusyWait: return "Busy, waiting to dial again";
    case fpConnecting: return "Connecting";
    case fpSessionParams: return "Agreeing on speed and resolution";
    case fpGotRemoteID: return s.receiving ? "The caller identifies itself" : "The called fax identifies itself";
    case fpSendPage: return "Sending page " + page + of;
    case fpSendPageStatus: return "Page " + page + " sent, " + (more ? "more pages follow" : "it was the last");
    case fpPageOK: return "The far end took page " + page;
    case fpPageError: return "The far end did not take page " + page;
    case fpWaiting: return "Waiting for a call";
    case fpNoConnect: return "No fax on this call";
    case fpAnswer: return "Answering the call";
    case fpIncoming: return "A fax is calling";
    case fpGetPage: return "Receiving page " + incoming;
    case fpGetPageResult: return "Page " + incoming + " is in, checking it";
    case fpCheckMorePages: return "Asking whether more pages follow";
    case fpGetHangup: return "Waiting for the far end to hang up";
    case fpGotHangup: return "The far end hung up";
    case fpCancel: return "Cancelled";
    case fpFinished: return "Finished";
    default: return ErrorText(s.progress);
  }
}

}  // namespace

std::string ProgressLine(const ProgressSnapshot& s) {
  std::string line = s.progress > 0 ? What(s) : "Starting";
  std::string details;
  auto add = [&](const std::string& part) { details += (details.empty() ? ": " : ", ") + part; };
  if (s.receiving && s.currentPage > 0 && s.progress != fpGetPage && s.progress != fpGetPageResult)
    add(std::to_string(s.currentPage) + (s.currentPage == 1 ? " page" : " pages") + " received");
  if (s.bytes > 0) add(std::to_string(s.bytes) + " bytes");
  if (s.bps > 0) add(std::to_string(s.bps) + " bps " + (s.fine ? "fine" : "standard"));
  if (!s.remoteId.empty()) add((s.receiving ? "caller \"" : "far end \"") + s.remoteId + "\"");
  return line + details;
}

void ProgressPrinter::Status(TApdAbstractFax& fax) {
  if (quiet_) return;
  ProgressSnapshot s;
  s.progress = fax.FaxProgress();
  if (s.progress <= 0) return;  // nothing has happened yet
  s.receiving = receiving_;
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
