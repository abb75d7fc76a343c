// The fax history file: the lines of each log code, appended with CR LF.
#include "comm/components/fax_log.h"

#include <cstdio>
#include <ctime>

#include "comm/components/abstract_fax.h"
#include "base/error_codes.h"
#include "comm/fax/fax_session.h"
#include "comm/components/send_fax.h"

namespace telvane {
namespace {

constexpr const char* kEol = "\r\n";

}  // namespace

std::string FaxLogText(const FaxLogFacts& f, int logCode, const std::string& when) {
  const std::string hangup = std::to_string(f.hangupCode);
  const std::string error = std::string("  (") + ErrorText(f.errorCode) + ")";
  std::string text;
  switch (logCode) {
    case lfaxTransmitStart:
      for (const auto& file : f.files) text += "Transmit " + file + " to " + f.phoneNumber + " started at " + when + kEol;
      break;
    case lfaxTransmitOk:
      text = "Transmit to " + f.remoteId + " finished OK at " + when + " " + hangup + kEol + kEol;
      break;
    case lfaxTransmitFail:
      text = "Transmit failed at " + when + kEol + error + " " + hangup + kEol + kEol;
      break;
    case lfaxReceiveStart:
      text = "Receive " + f.faxFile + " from " + f.remoteId + " started at " + when + kEol;
      break;
    case lfaxReceiveOk:
      text = "Receive finished OK at " + when + kEol + kEol;
      break;
    case lfaxReceiveSkip:
      text = "Receive skipped at " + when + kEol + kEol;
      break;
    case lfaxReceiveFail:
      text = "Receive failed at " + when + kEol + error + kEol + kEol;
      break;
    default:
      break;
  }
  return text;
}

TApdFaxLog::TApdFaxLog() = default;

std::string TApdFaxLog::LogText(TApdAbstractFax& fax, int logCode) const {
  FaxLogFacts f;
  if (auto* send = dynamic_cast<TApdSendFax*>(&fax)) {
    f.files = send->FaxFileList();
    f.phoneNumber = send->PhoneNumber();
  }
  f.faxFile = fax.FaxFile();
  f.remoteId = fax.RemoteID();
  f.hangupCode = fax.HangupCode();
  f.errorCode = fax.ErrorCode();
  return FaxLogText(f, logCode, FormatLocalTime(Clock ? Clock() : SystemTime(), "%x %X"));
}

void TApdFaxLog::UpdateLog(TApdAbstractFax& fax, int logCode) {
  lastWriteFailed_ = false;
  if (faxHistoryName_.empty()) return;
  const std::string text = LogText(fax, logCode);
  if (text.empty()) return;
  // The history is a record, not part of the session: a file that cannot be
  // written loses these lines and the fax goes on.
  std::FILE* f = std::fopen(faxHistoryName_.c_str(), "ab");
  if (!f) {
    lastWriteFailed_ = true;
    return;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !written) lastWriteFailed_ = true;
}

}  // namespace telvane
