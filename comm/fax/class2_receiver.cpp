// The receive machine's Class 2 and Class 2.0 states: modem set-up, the
// answered call, the page's start and the page and document ends.
#include "base/error_codes.h"
#include "comm/fax/fax_receiver.h"

namespace telvane {

int FaxReceiver::Class2Prepare() {
  const std::string commands[] = {cmd_.classSelect, "AT+FCR=1", cmd_.localId + "=\"" + s_.stationId + "\"",
                                  std::string("AT+FAA=") + (s_.faxAndData ? "1" : "0")};
  for (const std::string& c : commands) {
    if (SyncCommand(c) != ecOK) {
      // The rest is skipped; the init strings go again next time.
      port_.FlushInBuffer();
      initSent_ = false;
      break;
    }
  }
  return ecOK;
}

void FaxReceiver::Class2Dispatch(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case rf2Init1: case rf2Init2: case rf2Init3: case rf2Init4: case rf2Init5:
      if (ev == FaxEvent::Line) Class2Setup(ev, line);
      return;
    case rf2WaitConnect: case rf2GetSessionParams: case rf2WaitPageConnect:
      Class2Session(ev, line);
      return;
    case rf2PageEnd:
      if (ev == FaxEvent::Line) Class2PageEnd(line);
      return;
    case rf2WaitHangup:
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.hangupReport)) {
        s_.hangupCode = DecodeHangupCode(line);
        Progress(fpGotHangup);
      } else if (Contains(line, "+FET")) {
        Progress(fpGetHangup);
      } else if (Contains(line, "OK")) {
        DisarmTimeout();
        Goto(rfComplete);
      }
      return;
    default:
      return;
  }
}

void FaxReceiver::Class2Setup(FaxEvent, const std::string& line) {
  // A call may ring while the modem is being set up; it rings again.
  if (Contains(line, "RING")) return;
  if (!Contains(line, "OK")) {
    Fail(ecFaxInitError);
    return;
  }
  switch (state_) {
    case rf2Init1:
      SwitchToNormalBaud();
      SendCommand(ReceiverModemCaps(cmd_, s_.desiredBps, s_.desiredEcm));
      Goto(cmd_.class20 ? rf2Init2 : rf2Init5, false);
      break;
    case rf2Init2:
      SendCommand("AT+FLO=2");
      Goto(rf2Init3, false);
      break;
    case rf2Init3:
      SendCommand("AT+FNR=1,1,1,0");
      Goto(rf2Init5, false);
      break;
    case rf2Init5:
      DisarmTimeout();
      Progress(fpWaiting);
      Goto(rfWaitForCall, false);
      break;
    default:
      break;
  }
}

bool FaxReceiver::Class2Hangup(const std::string& line) {
  if (!Contains(line, cmd_.hangupReport)) return false;
  s_.hangupCode = DecodeHangupCode(line);
  Progress(fpGotHangup);
  Fail(ecFaxSessionError);  // the call ended before the document did
  return true;
}

void FaxReceiver::Class2Session(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case rf2WaitConnect:
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.connectReport)) {
        Progress(fpIncoming);
        ArmTimeout(s_.responseTimeout);
        endOfDocument_ = false;
        pageRefused_ = false;
        answered_ = false;
        Goto(rf2GetSessionParams, false);
      } else if (Contains(line, "VOICE") || Contains(line, "VCON")) {
        Fail(ecFaxVoiceCall);
      } else if (Contains(line, "CONNECT")) {
        Fail(ecFaxDataCall);
      } else if (Contains(line, "NO C")) {
        s_.ringCount = 0;
        callOpen_ = false;  // the answer found no caller
        Progress(fpNoConnect);
        DisarmTimeout();
        Goto(rfWaitForCall, false);
      }
      return;

    case rf2GetSessionParams:
      if (ev != FaxEvent::Line) return;
      if (Class2Hangup(line)) return;
      if (Contains(line, cmd_.transmitterId)) {
        s_.remoteId = DecodeStationId(line);
        // A caller that trains again repeats its ID: the call is taken once.
        if (!answered_) AcceptCall();
      } else if (Contains(line, cmd_.negotiated)) {
        s_.params = DecodeParams(line);
        Progress(fpSessionParams);
      } else if (Contains(line, "OK")) {
        if (!answered_) AcceptCall();  // a caller that gave no station ID
        if (state_ != rf2GetSessionParams) return;
        SendCommand("AT+FDR", s_.pageTimeout);
        Goto(rf2WaitPageConnect, false);
      }
      return;

    case rf2WaitPageConnect:
      if (ev != FaxEvent::Line) return;
      if (Class2Hangup(line)) return;
      if (Contains(line, cmd_.negotiated)) {
        s_.params = DecodeParams(line);
        Progress(fpSessionParams);
      } else if (Contains(line, "CONNECT")) {
        ReceiveFlowOn();
        Goto(rfStartPage);
      }
      return;

    default:
      return;
  }
}

void FaxReceiver::Class2PageEnd(const std::string& line) {
  if (Contains(line, cmd_.pageStatus)) {
    Progress(fpGetPageResult);
    switch (ReportChar(line)) {
      case '1': case '3': case '5':
        if (int rc = file_.KeepPage()) {
          Fail(rc);
          return;
        }
        ++s_.currentPage;
        break;
      case '2': case '4':
        // The caller sends this page again, even when it was the last one.
        pageRefused_ = true;
        if (int rc = file_.DiscardPage()) Fail(rc);
        break;
      default:
        break;
    }
  } else if (Contains(line, "+FET")) {
    Progress(fpCheckMorePages);
    endOfDocument_ = ReportChar(line) == '2';
  } else if (Contains(line, cmd_.hangupReport)) {
    s_.hangupCode = DecodeHangupCode(line);
    Progress(fpGotHangup);
    if (!endOfDocument_ || pageRefused_) {
      file_.DiscardPage();
      Fail(ecFaxSessionError);
    }
  } else if (Contains(line, "ERROR")) {
    if (int rc = file_.DiscardPage()) {
      Fail(rc);
      return;
    }
    SendCommand("AT+FDR", s_.pageTimeout);
    Goto(rf2WaitPageConnect, false);
  } else if (Contains(line, "OK")) {
    // A page without a status report was never confirmed.
    if (file_.PageOpen()) file_.DiscardPage();
    SendCommand("AT+FDR", s_.pageTimeout);
    if (endOfDocument_ && !pageRefused_) {
      if (int rc = file_.Close()) {
        Fail(rc);
        return;
      }
      LogCall(lfaxReceiveOk);
      Progress(fpGetHangup);
      Goto(rf2WaitHangup, false);
    } else {
      Goto(rf2WaitPageConnect, false);
    }
  }
}

}  // namespace telvane
