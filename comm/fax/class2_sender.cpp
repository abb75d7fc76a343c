// The send machine's Class 2 and Class 2.0 states: modem set-up, the dial
// response, session parameters, the start of each page, and the page end
// with its status, retransmission and the move to the next page.
#include "base/error_codes.h"
#include "comm/fax/t30_timing.h"
#include "comm/fax/fax_sender.h"

namespace telvane {

void FaxSender::Class2Dispatch(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case tf2Init1: case tf2Init2: case tf2Init3: case tf2Init4: case tf2Init5:
      if (ev == FaxEvent::Line) Class2Setup(ev, line);
      return;
    case tf2DialResponse:
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.connectReport)) {
        ArmTimeout(s_.responseTimeout);
        Goto(tf2Connected, false);
      } else {
        DialResponse(line);
      }
      return;
    case tf2Connected:
    case tf2WaitXon:
      Class2Connected(ev, line);
      return;
    case tf2PageEnd: case tf2WaitEopOk: case tf2WaitPageStatus: case tf2RetryPage: case tf2NewParams:
    case tf2NextPage: case tf2WaitPageResult:
      Class2PageEnd(ev, line);
      return;
    default:
      return;
  }
}

void FaxSender::Class2Setup(FaxEvent, const std::string& line) {
  if (!Contains(line, "OK")) {
    Fail(ecFaxInitError);
    return;
  }
  switch (state_) {
    case tf2Init1:
      SendCommand(cmd_.localId + "=\"" + s_.stationId + "\"");
      Goto(cmd_.class20 ? tf2Init2 : tf2Init4, false);
      break;
    case tf2Init2:
      SendCommand("AT+FLO=2");  // RTS/CTS flow control
      Goto(tf2Init3, false);
      break;
    case tf2Init3:
      SendCommand("AT+FNR=1,1,1,0");  // report the negotiation
      Goto(tf2Init4, false);
      break;
    case tf2Init4: {
      const Page& first = pages_.front();
      SendCommand(SenderModemCaps(cmd_, first.fine, first.wide, s_.desiredBps, s_.desiredEcm));
      Goto(tf2Init5, false);
      break;
    }
    case tf2Init5:
      DisarmTimeout();
      Goto(tfDial);
      break;
    default:
      break;
  }
}

void FaxSender::Class2Connected(FaxEvent ev, const std::string& line) {
  auto startPage = [this] {
    ArmOutFree(std::min<int>(kOutChunk, port_.OutSize()));
    ArmTimeout(s_.pageTimeout);
    Goto(tfStartPage, false);
  };
  if (state_ == tf2WaitXon) {
    // XON from the modem, or 18 ticks without it.
    if (ev == FaxEvent::Timeout) startPage();
    return;
  }
  if (ev != FaxEvent::Line) return;
  if (Contains(line, cmd_.negotiated)) {
    s_.params = DecodeParams(line);
    const Page& page = pages_[pageIndex_];
    if ((page.fine && !s_.params.fine) || (page.wide && !s_.params.wide)) {
      Fail(ecFaxIncompatible);
      return;
    }
    Progress(fpSessionParams);
  } else if (Contains(line, cmd_.calledId)) {
    s_.remoteId = DecodeStationId(line);
    Progress(fpGotRemoteID);
  } else if (Contains(line, cmd_.remoteCaps)) {
    Progress(fpSessionParams);
  } else if (Contains(line, cmd_.hangupReport)) {
    // The remote or the modem ended the call before the page could start.
    s_.hangupCode = DecodeHangupCode(line);
    Fail(s_.currentPage == 0 ? ecFaxNoCarrier : ecFaxSessionError);
  } else if (Contains(line, "ERROR")) {
    Fail(ecFaxSessionError);  // AT+FDT refused (the call is gone): no CONNECT can follow
  } else if (Contains(line, "CONNECT")) {
    if (cmd_.class20) {
      startPage();
    } else {
      ArmTimeout(kXonWaitTicks);  // a Class 2 modem sends XON when it is ready for data
      Goto(tf2WaitXon, false);
    }
  } else if (Contains(line, "OK")) {
    SendCommand("AT+FDT", kRemoteReadyTicks);
  }
}

void FaxSender::TakeRawInput(std::string& pending) {
  std::size_t at = pending.find(static_cast<char>(kXON));
  if (at == std::string::npos) return;
  pending.erase(0, at + 1);
  Class2Connected(FaxEvent::Timeout, {});
}

void FaxSender::Class2PageDone() {
  TransmitFlowOff();
  std::string end;
  end += static_cast<char>(kDLE);
  if (!cmd_.class20)
    end += static_cast<char>(kETX);
  else if (!HasNextPage())
    end += '.';   // end of document
  else if (NextPageChangesResolution())
    end += ';';   // end of page, new parameters follow
  else
    end += ',';   // end of page, more pages
  Put(end);
  Progress(fpSendPage);
  Goto(tf2PageEnd);
}

void FaxSender::Class2AfterPage() {
  // A hang-up reported while pages remain ends the fax here.
  if (HasNextPage() && s_.hangupCode != 0) {
    Fail(ecFaxSessionError);
    return;
  }
  Goto(NextPageChangesResolution() ? tf2NewParams : tf2NextPage);
}

void FaxSender::Class2PageStatus(const std::string& line) {
  switch (ReportChar(line)) {
    case '1': case '3':
      pageGood_ = true;
      Progress(fpPageOK);
      break;
    case '2':
      pageGood_ = false;
      Progress(fpPageError);
      Goto(tf2RetryPage, false);
      break;
    case '4': case '5':
      Fail(ecCancelRequested);  // procedure interrupt asked by the remote
      break;
    default:
      Fail(ecFaxPageError);
  }
}

void FaxSender::SendPageAgain() {
  if (++pageRetries_ > 2) {
    Put("AT+FKS\r");  // ends the session
    Fail(ecFaxSessionError);
    return;
  }
  ++s_.retries;
  SendCommand("AT+FDT", kRemoteReadyTicks);  // the same page again
  Goto(tf2Connected, false);
}

void FaxSender::Class2PageEnd(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case tf2PageEnd:
      if (ev != FaxEvent::Enter) return;
      ArmTimeout(s_.pageTimeout);
      pageRefused_ = false;
      Progress(fpSendPageStatus);
      Goto(cmd_.class20 ? tf2WaitPageResult : tf2WaitEopOk, false);
      return;

    case tf2WaitEopOk:
      if (ev != FaxEvent::Line) return;
      if (!Contains(line, "OK")) {
        Fail(ecFaxSessionError);
        return;
      }
      // 0: more pages, same parameters; 1: more pages, new parameters; 2: end.
      SendCommand(!HasNextPage() ? "AT+FET=2" : NextPageChangesResolution() ? "AT+FET=1" : "AT+FET=0",
                  s_.pageTimeout);
      pageGood_ = false;
      Goto(tf2WaitPageStatus, false);
      return;

    case tf2WaitPageStatus:
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.pageStatus)) {
        Class2PageStatus(line);
      } else if (Contains(line, cmd_.hangupReport)) {
        s_.hangupCode = DecodeHangupCode(line);
      } else if (Contains(line, "OK") && pageGood_) {
        Class2AfterPage();
      } else {
        Fail(ecFaxPageError);
      }
      return;

    case tf2RetryPage:
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.hangupReport)) {
        s_.hangupCode = DecodeHangupCode(line);
        return;
      }
      if (Contains(line, "ERROR") || Contains(line, "RRIER")) {
        Fail(ecFaxSessionError);
        return;
      }
      // The answer to AT+FPS? ("+FPS:2,..." or the bare value) comes before its OK.
      if (!Contains(line, "OK")) return;
      SendPageAgain();
      return;

    case tf2NewParams:
      if (ev != FaxEvent::Enter) return;
      if (!HasNextPage()) {
        Goto(tfFaxComplete);
        return;
      }
      ++pageIndex_;
      pageRetries_ = 0;
      SendCommand(cmd_.capabilities + "=" + (pages_[pageIndex_].fine ? "1" : "0"));
      Goto(tf2Connected, false);
      return;

    case tf2NextPage:
      if (ev != FaxEvent::Enter) return;
      if (!HasNextPage()) {
        Goto(tfFaxComplete);
        return;
      }
      ++pageIndex_;
      pageRetries_ = 0;
      Delay(5 * kMsPerTick);
      SendCommand("AT+FDT", kRemoteReadyTicks);
      Goto(tf2Connected, false);
      return;

    case tf2WaitPageResult:  // Class 2.0: the result code of the page itself
      if (ev != FaxEvent::Line) return;
      if (Contains(line, cmd_.pageStatus)) {
        // A modem that reports the page status before its result code: a
        // refused page is sent again whichever result code follows.
        char status = ReportChar(line);
        if (status == '2') {
          pageRefused_ = true;
          Progress(fpPageError);
        } else if (status == '4' || status == '5') {
          Class2PageStatus(line);
        }
        return;
      }
      if (Contains(line, cmd_.hangupReport)) {
        s_.hangupCode = DecodeHangupCode(line);
      } else if (pageRefused_ && (Contains(line, "ERROR") || Contains(line, "OK"))) {
        SendPageAgain();
      } else if (Contains(line, "ERROR")) {
        SendCommand("AT+FPS?");
        Progress(fpPageError);
        Goto(tf2RetryPage, false);
      } else if (Contains(line, "OK")) {
        Progress(fpPageOK);
        Class2AfterPage();
      } else {
        Fail(ecFaxPageError);
      }
      return;

    default:
      return;
  }
}

}  // namespace telvane
