// The receive machine's class-neutral states: set-up, waiting for rings,
// answering, and the end of each call.
#include "fax_receiver.h"

#include "error_codes.h"

namespace telvane {

TFaxReceiver::~TFaxReceiver() { Stop(); }

const char* TFaxReceiver::StateName(int state) const {
  switch (state) {
    case rfInit: return "ReceiveInit";
    case rfClass1Ready: return "Class1ReceiveReady";
    case rf2Init1: return "Class2ClassSelected";
    case rf2Init2: return "Class2CapabilitiesSet";
    case rf2Init3: return "Class2FlowSet";
    case rf2Init4: return "Class2Unused";
    case rf2Init5: return "Class2ReportingSet";
    case rfWaitForCall: return "WaitForCall";
    case rfAnswer: return "Answer";
    case rf2WaitConnect: return "Class2WaitConnect";
    case rf2GetSessionParams: return "Class2SessionParams";
    case rf2WaitPageConnect: return "Class2WaitPageConnect";
    case rf2StartPage: return "Class2StartPage";
    case rf2PageData: return "Class2PageReceive";
    case rf2PageEnd: return "Class2PageEnd";
    case rf2WaitHangup: return "Class2WaitHangup";
    case rfComplete: return "ReceiveComplete";
    case rfError: return "ReceiveError";
    case rfDone: return "Done";
    default: return "Unknown";
  }
}

int TFaxReceiver::Prepare() {
  PortToPrepareSpeed();
  if (int rc = ResolveClass()) return rc;
  // The Class 1 protocol is not part of this engine yet.
  if (s_.faxClass == fcClass1) return ecNotSupportedByLayer;
  LoadCommands();
  if (SendInitStrings() != ecOK) {
    // The machine starts all the same; its class command reports a modem
    // that still does not answer.
    port_.FlushInBuffer();
    return ecOK;
  }
  return Class2Prepare();
}

bool TFaxReceiver::WaitsForResponse() const {
  switch (state_) {
    case rfClass1Ready:
    case rf2Init1: case rf2Init2: case rf2Init3: case rf2Init4: case rf2Init5:
    case rfWaitForCall: case rf2WaitConnect: case rf2GetSessionParams: case rf2WaitPageConnect:
    case rf2PageEnd: case rf2WaitHangup:
      return true;
    default:
      return false;
  }
}

void TFaxReceiver::OnTimeout() {
  switch (state_) {
    case rfWaitForCall: case rfComplete: case rfError: case rfDone:
      return;
    default:
      Fail(ecFatalTimeout);
  }
}

void TFaxReceiver::Dispatch(FaxEvent ev, const std::string& line) {
  switch (state_) {
    case rfInit:
      if (ev == FaxEvent::Enter) ReceiveInit();
      return;
    case rfWaitForCall:
      if (ev == FaxEvent::Line) WaitForCall(line);
      return;
    case rfAnswer:
      if (ev != FaxEvent::Enter) return;
      SendCommand("ATA", s_.dialWait);
      Progress(fpAnswer);
      Goto(rf2WaitConnect, false);
      return;
    case rfComplete:
      if (ev == FaxEvent::Enter) Complete();
      return;
    case rfError:
      if (ev == FaxEvent::Enter) ReceiveError();
      return;
    default:
      Class2Dispatch(ev, line);
  }
}

void TFaxReceiver::ReceiveInit() {
  StatusNow();
  port_.SetDTR(true);
  SendCommand(cmd_.classSelect);
  Goto(rf2Init1, false);
}

void TFaxReceiver::WaitForCall(const std::string& line) {
  if (Contains(line, "RING")) {
    if (++s_.ringCount >= s_.answerOnRing) {
      if (!firstStatusSent_) StatusNow(fsFirst);
      Goto(rfAnswer);
    }
  } else if (Contains(line, "NO C")) {
    s_.ringCount = 0;  // that call is over; the next one counts afresh
    Progress(fpNoConnect);
  } else if (Contains(line, "VOICE") || Contains(line, "VCON")) {
    Fail(ecFaxVoiceCall);
  } else if (Contains(line, "CONNECT")) {
    Fail(ecFaxDataCall);  // the modem took a data call by itself
  }
}

void TFaxReceiver::Complete() {
  SwitchToInitBaud();
  if (s_.oneFax) {
    StatusNow(fsLast);
    FinishSession(s_.errorCode);
    return;
  }
  if (!s_.constantStatus) StatusNow(fsLast);
  s_.ringCount = 0;
  s_.remoteId.clear();
  firstStatusSent_ = false;
  Goto(rfInit);
}

void TFaxReceiver::ReceiveError() {
  DisarmTimeout();
  file_.Close();  // pages judged good stay in the file
  if (flowOn_) {
    port_.SetSWFlowOptions(swfNone);
    flowOn_ = false;
  }
  messenger_.Log(lfaxReceiveFail);
  HangUpReceiver();
  if (!s_.constantStatus) StatusNow(fsLast);
  if ((s_.options & foExitOnError) || abortedByUser_) {
    FinishSession(s_.errorCode);
    return;
  }
  s_.ringCount = 0;
  s_.remoteId.clear();
  firstStatusSent_ = false;
  SwitchToInitBaud();
  Goto(rfInit);
}

}  // namespace telvane
