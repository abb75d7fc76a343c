// Defaults and conversions of the session record.
#include "comm/fax/fax_session.h"

#include <algorithm>
#include <cctype>

namespace telvane {

std::string DefaultInitString(bool blindDial, bool detectBusy) {
  char x = detectBusy ? (blindDial ? '3' : '4') : (blindDial ? '1' : '2');
  std::string s = "ATE0Q0V1X4S0=0S2=43";
  s[9] = x;
  return s;
}

const char* EndReasonText(EndReason reason) {
  switch (reason) {
    case EndReason::None: return "";
    case EndReason::UserCancel: return "cancelled";
    case EndReason::RemoteHangUp: return "the far end hung up (it sent DCN)";
    case EndReason::CarrierLost: return "the line was lost (no carrier)";
    case EndReason::PortHangUp: return "the line was lost (the port hung up)";
    case EndReason::PoorLine: return "the line was too poor: the modem confirmed no frame";
    case EndReason::Failed: return "the call failed";
  }
  return "";
}

void FaxSession::SetStationId(const std::string& id) {
  stationId = id.substr(0, 20);
  std::transform(stationId.begin(), stationId.end(), stationId.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
}

void FaxSession::ResetSession() {
  remoteId.clear();
  progress = 0;
  errorCode = 0;
  endReason = EndReason::None;
  hangupCode = 0;
  attempt = 0;
  ringCount = 0;
  params = Class2Params{};
  class1 = Class1Params{};
  currentPage = 0;
  pagesInFile = 0;
  coverPages = 0;
  pageBytes = 0;
  pageLength = 0;
  retries = 0;
}

}  // namespace telvane
