// The receive machine's class-neutral states: set-up, waiting for rings,
// answering, page data, and the end of each call.
#include "comm/fax/fax_receiver.h"

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/bit_order.h"

namespace telvane {

// The state numbers are fixed: traces and logs show them.
static_assert(rf1SendCsi == 10 && rf1WaitPageConnect == 21 && rfStartPage == 25 && rf1PageEnd == 27 &&
              rf1WaitHangup == 32 && rf2PageEnd == 33 && rfDone == 37);

namespace {

// Receive flow control levels while page data flows: XOFF to the modem when
// this much waits in the input buffer, XON again below the second level.
constexpr std::uint16_t kFlowFull = 6144;
constexpr std::uint16_t kFlowResume = 2048;

}  // namespace

FaxReceiver::~FaxReceiver() { Stop(); }

const char* FaxReceiver::StateName(int state) const {
  switch (state) {
#define TELVANE_STATE_NAME(name, value) \
    case name: return #name;
    TELVANE_RECEIVE_STATES(TELVANE_STATE_NAME)
#undef TELVANE_STATE_NAME
    default: return "Unknown";
  }
}

int FaxReceiver::Prepare() {
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

bool FaxReceiver::WaitsForResponse() const {
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

void FaxReceiver::OnTimeout() {
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

void FaxReceiver::Dispatch(FaxEvent ev, const std::string& line) {
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

void FaxReceiver::ReceiveInit() {
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

void FaxReceiver::WaitForCall(const std::string& line) {
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

void FaxReceiver::Complete() {
  Class1EndCall();
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

bool FaxReceiver::IsSetUpState(int state) {
  switch (state) {
    case rfInit: case rfClass1Ready:
    case rf2Init1: case rf2Init2: case rf2Init3: case rf2Init4: case rf2Init5:
      return true;
    default:
      return false;
  }
}

void FaxReceiver::ReceiveError() {
  Guarded([this] { ReceiveFlowOff(); });
  // A call in T.30 ends with our DCN; this state runs again once it is out.
  if (Class1CloseWithDcn(false)) return;
  DisarmTimeout();
  // Pages judged good stay in the file; a file without one goes.
  file_.Close();
  if (file_.PageCount() == 0) s_.faxFile.clear();
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
      if (QuickHangUp()) {
        HangUpLostLine();
      } else {
        // A Class 1 modem still receiving would take the hang-up commands as
        // an abort only.
        if (s_.faxClass == fcClass1 && !ModemIdle()) Class1StopModem(false);
        HangUpReceiver();
      }
    } catch (const EAPDException&) {
      // A port that fails cannot hang up; the session still ends or goes on.
    }
  }
  Class1EndCall();
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

void FaxReceiver::AcceptCall() {
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
  if (int rc = file_.Create(name, s_.remoteId, wallClock_())) {
    Fail(rc);
    return;
  }
  LogCall(lfaxReceiveStart);
}

void FaxReceiver::LogCall(int code) {
  callOpen_ = code == lfaxReceiveStart;
  messenger_.Log(code);
}

void FaxReceiver::ReleaseFiles() {
  file_.Close();  // pages judged good stay in the file
  try {
    ReceiveFlowOff();
  } catch (const EAPDException&) {
    // A closed port has no flow control left to turn off.
  }
}

void FaxReceiver::ReceiveFlowOn() {
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

void FaxReceiver::ReceiveFlowOff() {
  if (!flowOn_) return;
  flowOn_ = false;
  port_.SetSWFlowOptions(swfNone);
  if (s_.faxClass == fcClass1) {
    port_.SetBufferFull(savedFull_);
    port_.SetBufferResume(savedResume_);
  }
}

void FaxReceiver::StartPage() {
  const bool class1 = s_.faxClass == fcClass1;
  // Class 1 pages may come two-dimensionally coded, as the caller's DCS said;
  // the file keeps them one-dimensional.
  const bool twoDim = class1 && s_.class1.twoDim;
  if (int rc = class1 ? file_.BeginPage(s_.class1.fine, s_.class1.wide, twoDim)
                      : file_.BeginPage(s_.params.fine, s_.params.wide)) {
    Fail(rc);
    return;
  }
  dleSeen_ = false;
  pageRefused_ = false;
  rtc_.Reset(twoDim);
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

int FaxReceiver::FlushPageData() {
  int rc = file_.Write(data_.data(), data_.size());
  data_.clear();
  s_.pageBytes = file_.PageBytes();
  return rc;
}

void FaxReceiver::TakeRawInput(std::string& pending) {
  if (state_ == rf1CheckTcf)
    Class1TakeTcf(pending);
  else
    TakePageData(pending);
}

void FaxReceiver::TakePageData(std::string& pending) {
  if (pending.empty()) return;
  // Class 2 modems deliver the first bit of each byte in bit 7; APF files
  // hold T.4 order, as Class 1 and Class 2.0 modems deliver it.
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
    if (s_.faxClass == fcClass1) {
      // The page ends at RTC: the rest is what the demodulator made of the
      // line until the carrier went.
      if (!rtc_.Take(b, b)) continue;
    }
    data_.push_back(reverse ? ReverseBits(b) : b);
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
