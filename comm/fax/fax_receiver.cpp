// The receive machine's class-neutral states: set-up, waiting for rings,
// answering, page data, and the end of each call.
#include "fax_receiver.h"

#include "error_codes.h"
#include "exceptions.h"
#include "page_transmitter.h"

namespace telvane {

// The state numbers are fixed: traces and logs show them.
static_assert(rf1SendCsi == 10 && rf1WaitPageConnect == 21 && rfStartPage == 25 && rf1PageEnd == 27 &&
              rf1WaitHangup == 32 && rf2PageEnd == 33 && rfDone == 37);

namespace {

// Class 2 modems deliver page data with the first bit of each byte in bit 7;
// APF files hold it in bit 0 (T.4 order), so every byte is mirrored. Class 1
// and Class 2.0 modems already deliver T.4 order.
struct BitReverseTable {
  std::uint8_t t[256];
  constexpr BitReverseTable() : t{} {
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b)
        if (i & (1 << b)) r |= 0x80 >> b;
      t[i] = static_cast<std::uint8_t>(r);
    }
  }
};
constexpr BitReverseTable kReverse;

// Receive flow control levels while page data flows: XOFF to the modem when
// this much waits in the input buffer, XON again below the second level.
constexpr std::uint16_t kFlowFull = 6144;
constexpr std::uint16_t kFlowResume = 2048;

}  // namespace

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
    case rf1SendCsi: return "Class1SendCSI";
    case rf1SendDis: return "Class1SendDIS";
    case rf1WaitDcs: return "Class1WaitDCS";
    case rf1RepeatDis: return "Class1RepeatDIS";
    case rf1RepeatWait: return "Class1RepeatWait";
    case rf1WaitTcfConnect: return "Class1WaitTCF";
    case rf1CheckTcf: return "Class1CheckTCF";
    case rf1SendFtt: return "Class1SendFTT";
    case rf1WaitTcfEnd: return "Class1WaitTCFEnd";
    case rf1SendCfr: return "Class1SendCFR";
    case rf1WaitPageConnect: return "Class1WaitPageConnect";
    case rfStartPage: return "StartPage";
    case rfPageData: return "PageReceive";
    case rf1PageEnd: return "Class1PageEnd";
    case rf1WaitPostPage: return "Class1WaitPostPage";
    case rf1CompletePage: return "Class1CompletePage";
    case rf1SendMcf: return "Class1SendMCF";
    case rf1WaitDcn: return "Class1WaitDCN";
    case rf1WaitHangup: return "Class1WaitHangup";
    case rf2PageEnd: return "Class2PageEnd";
    case rf2WaitHangup: return "Class2WaitHangup";
    case rfComplete: return "ReceiveComplete";
    case rfError: return "ReceiveError";
    case rfDone: return "Done";
    default: return "Unknown";
  }
}

int TFaxReceiver::Prepare() {
  callOpen_ = false;
  PortToPrepareSpeed();
  if (int rc = ResolveClass()) return rc;
  LoadCommands();
  if (SendInitStrings() != ecOK) {
    // The machine starts all the same; its class command reports a modem
    // that still does not answer.
    port_.FlushInBuffer();
    return ecOK;
  }
  return s_.faxClass == fcClass1 ? Class1Prepare() : Class2Prepare();
}

bool TFaxReceiver::WaitsForResponse() const {
  if (IsClass1State(state_))
    return state_ != rf1RepeatDis && state_ != rf1CheckTcf && state_ != rf1CompletePage;
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
      if (IsClass1State(state_)) {
        Class1Timeout();
        return;
      }
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
      callOpen_ = true;  // an answered call that fails is a failed receive
      Progress(fpAnswer);
      if (s_.faxClass == fcClass1) {
        Class1CallAnswered();
        Goto(rf1SendCsi, false);
      } else {
        Goto(rf2WaitConnect, false);
      }
      return;
    case rfStartPage:
      if (ev == FaxEvent::Enter) StartPage();
      return;
    case rfComplete:
      if (ev == FaxEvent::Enter) Complete();
      return;
    case rfError:
      if (ev == FaxEvent::Enter) ReceiveError();
      return;
    default:
      if (state_ == rfClass1Ready || IsClass1State(state_))
        Class1Dispatch(ev, line);
      else
        Class2Dispatch(ev, line);
  }
}

void TFaxReceiver::ReceiveInit() {
  StatusNow();
  port_.SetDTR(true);
  if (s_.faxClass == fcClass1) {
    SendCommand("AT+FCLASS=1");
    Goto(rfClass1Ready, false);
    return;
  }
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

bool TFaxReceiver::IsSetUpState(int state) {
  switch (state) {
    case rfInit: case rfClass1Ready:
    case rf2Init1: case rf2Init2: case rf2Init3: case rf2Init4: case rf2Init5:
      return true;
    default:
      return false;
  }
}

void TFaxReceiver::ReceiveError() {
  DisarmTimeout();
  file_.Close();  // pages judged good stay in the file
  // The modem's set-up failing is no failed receive; and a modem that cannot
  // be set up ends the session, as it does at the start, instead of being
  // set up again and again (a port whose device has gone fails every write).
  const bool setUp = IsSetUpState(failedState_);
  // Only a call that is open fails: not the modem's set-up, not a cancel
  // between calls (after one ended, or while waiting for rings), and not a
  // refused call, which has its entry (skipped) already. A call answered
  // but failing before its start was logged (training, no file name) fails.
  if (callOpen_) LogCall(lfaxReceiveFail);
  // A cancel while the modem is set up or waits for rings: an on-hook modem
  // has nothing to hang up (and one that does not answer would only make the
  // cancel wait).
  const bool idleCancel = abortedByUser_ && (setUp || failedState_ == rfWaitForCall);
  if (idleCancel) {
    ClearInput();
  } else {
    try {
      ReceiveFlowOff();
      // A Class 1 modem still receiving would take the hang-up commands as an
      // abort only.
      if (s_.faxClass == fcClass1) Class1StopModem(false);
      HangUpReceiver();
    } catch (const EAPDException&) {
      // A port that fails cannot hang up; the session still ends or goes on.
    }
  }
  // A cancel that came while this error was handled ends the session too.
  if (AbortPending()) abortedByUser_ = true;
  const bool finish = (s_.options & foExitOnError) || abortedByUser_ || setUp;
  if (finish || !s_.constantStatus) StatusNow(fsLast);
  if (finish) {
    FinishSession(s_.errorCode);
    return;
  }
  s_.ringCount = 0;
  s_.remoteId.clear();
  firstStatusSent_ = false;
  Guarded([this] { SwitchToInitBaud(); });
  Goto(rfInit);
}

void TFaxReceiver::AcceptCall() {
  answered_ = true;
  bool accept = true;
  messenger_.Accept(s_.remoteId, accept);
  if (!accept) {
    // AT+FKS has a Class 2 modem end the session; a Class 1 call is hung
    // up by the error state.
    if (s_.faxClass != fcClass1) Put("AT+FKS\r");
    s_.errorCode = ecFileRejected;
    messenger_.Error(ecFileRejected);
    LogCall(lfaxReceiveSkip);
    Goto(rfError);
    return;
  }
  Progress(fpGotRemoteID);
  std::string name;
  messenger_.Name(name);
  if (name.empty()) {
    Fail(ecNoFilename);
    return;
  }
  s_.faxFile = name;
  if (int rc = file_.Create(name, s_.remoteId)) {
    Fail(rc);
    return;
  }
  LogCall(lfaxReceiveStart);
}

void TFaxReceiver::LogCall(int code) {
  callOpen_ = code == lfaxReceiveStart;
  messenger_.Log(code);
}

void TFaxReceiver::ReleaseFiles() {
  file_.Close();  // pages judged good stay in the file
  try {
    ReceiveFlowOff();
  } catch (const EAPDException&) {
    // A closed port has no flow control left to turn off.
  }
}

void TFaxReceiver::ReceiveFlowOn() {
  if (!(s_.options & foSoftwareFlow) || flowOn_) return;
  if (s_.faxClass == fcClass1) {
    savedFull_ = port_.BufferFull();
    savedResume_ = port_.BufferResume();
    port_.SetBufferFull(kFlowFull);  // the port lowers levels its input buffer cannot hold
    port_.SetBufferResume(kFlowResume);
  }
  // Only our XOFF to the modem: received data may hold XON and XOFF bytes,
  // which must not be taken as flow control.
  port_.SetSWFlowOptions(swfReceive);
  flowOn_ = true;
}

void TFaxReceiver::ReceiveFlowOff() {
  if (!flowOn_) return;
  flowOn_ = false;
  port_.SetSWFlowOptions(swfNone);
  if (s_.faxClass == fcClass1) {
    port_.SetBufferFull(savedFull_);
    port_.SetBufferResume(savedResume_);
  }
}

void TFaxReceiver::StartPage() {
  const bool class1 = s_.faxClass == fcClass1;
  if (int rc = class1 ? file_.BeginPage(s_.class1.fine, s_.class1.wide) : file_.BeginPage(s_.params.fine, s_.params.wide)) {
    Fail(rc);
    return;
  }
  dleSeen_ = false;
  pageRefused_ = false;
  data_.clear();
  s_.pageBytes = 0;  // the page's status counts its own bytes
  if (class1) {
    // A Class 1 modem sends the data right after its CONNECT line.
    skipLf_ = true;
  } else {
    skipLf_ = false;
    ClearInput();  // what came before DC2 is the tail of the CONNECT line
    Put(std::string(1, static_cast<char>(kDC2)));  // releases the page data
  }
  Progress(fpGetPage);
  ArmTimeout(s_.pageTimeout);
  Goto(rfPageData, false);
}

int TFaxReceiver::FlushPageData() {
  int rc = file_.Write(data_.data(), data_.size());
  data_.clear();
  s_.pageBytes = file_.PageBytes();
  return rc;
}

void TFaxReceiver::TakeRawInput(std::string& pending) {
  if (state_ == rf1CheckTcf)
    Class1TakeTcf(pending);
  else
    TakePageData(pending);
}

void TFaxReceiver::TakePageData(std::string& pending) {
  if (pending.empty()) return;
  const bool reverse = s_.faxClass == fcClass2;
  std::size_t i = 0;
  if (skipLf_) {
    skipLf_ = false;
    if (pending[0] == '\n') i = 1;
  }
  bool end = false;
  for (; i < pending.size() && !end; ++i) {
    auto b = static_cast<std::uint8_t>(pending[i]);
    if (dleSeen_) {
      dleSeen_ = false;
      if (b == kETX) {
        end = true;
        continue;
      }
      // DLE DLE is one DLE; a DLE before anything else is dropped.
    } else if (b == kDLE) {
      dleSeen_ = true;
      continue;
    }
    data_.push_back(reverse ? kReverse.t[b] : b);
    if (data_.size() >= 4096)
      if (int rc = FlushPageData()) {
        pending.erase(0, i + 1);
        Fail(rc);
        return;
      }
  }
  pending.erase(0, i);
  if (int rc = FlushPageData()) {
    Fail(rc);
    return;
  }
  ArmTimeout(s_.pageTimeout);  // the page time-out counts silence
  if (!end) return;
  ReceiveFlowOff();
  if (s_.faxClass == fcClass1) {
    ArmTimeout(s_.responseTimeout);
    Goto(rf1PageEnd, false);
  } else {
    Goto(rf2PageEnd, false);
  }
}

}  // namespace telvane
