// The receive machine's Class 1 states: T.30 phase B of an answered call
// (CSI and DIS, the caller's DCS, the training check answered with CFR or
// FTT), phase D (MPS, EOM or EOP answered with MCF) and the end of the call
// (DCN, ATH). Page data runs in the shared states.
#include "base/error_codes.h"
#include "comm/fax/t30_timing.h"
#include "comm/fax/fax_receiver.h"

namespace telvane {
namespace {

// DIS goes out again at most this often while no DCS comes.
constexpr int kMaxDisRepeats = 3;
// A TCF lasts 1.5 s; a check that sees no DLE ETX well after that gives up.
constexpr int kTcfCheckTicks = SecsToTicks(5);

SpeedSet AllSpeeds() {
  SpeedSet s;
  for (int i = kClass1MinSpeed; i <= kClass1MaxSpeed; ++i) s.Add(i);
  return s;
}

}  // namespace

bool FaxReceiver::IsClass1State(int state) {
  return (state >= rf1SendCsi && state <= rf1WaitPageConnect) || (state >= rf1PageEnd && state <= rf1WaitHangup);
}

int FaxReceiver::Class1Prepare() {
  if (PrepareClass1("AT+FRM=?") != ecOK) {
    // The rest is skipped; the init strings go again next time.
    port_.FlushInBuffer();
    initSent_ = false;
  }
  return ecOK;
}

void FaxReceiver::Class1CallAnswered() {
  s_.class1.NewCall();
  Class1BeginCall(false);
  s_.currentPage = 0;
  answered_ = false;
  disRepeats_ = 0;
  frameSent_ = false;
  trainFailed_ = false;
  postPage_ = 0;
}

void FaxReceiver::Class1Timeout() {
  switch (state_) {
    case rf1SendCsi:
      // Right after ATA nothing is repeated: no fax answered.
      if (disRepeats_ > 0) {
        Goto(rf1RepeatDis);
        return;
      }
      break;
    case rf1WaitDcs:
      Goto(rf1RepeatDis);
      return;
    case rf1RepeatWait:
      Class1Command("AT+FTH=3", 0);
      Goto(rf1SendCsi, false);
      return;
    case rf1SendFtt:
      if (trainFailed_) {
        Fail(ecFaxTrainError);
        return;
      }
      break;
    case rf1WaitDcn:
    case rf1WaitHangup:
      // The document is stored; a caller that left without DCN (or a modem
      // that did not confirm ATH) ends the call all the same, and the line
      // is put on hook so that the next call can come in.
      DisarmTimeout();
      Class1StopModem(false);  // the modem still waits for a frame
      HangUpReceiver();
      Goto(rfComplete);
      return;
    default:
      break;
  }
  Fail(ecFatalTimeout);
}

void FaxReceiver::Class1Dispatch(FaxEvent ev, const std::string& line) {
  if (state_ == rf1RepeatDis) {
    if (ev != FaxEvent::Enter) return;
    if (++disRepeats_ > kMaxDisRepeats) {
      Fail(ecFatalTimeout);
      return;
    }
    // Any character ends a T.31 modem's wait for a frame.
    Class1Command("AT", 0);
    Goto(rf1RepeatWait, false);
    return;
  }
  if (state_ == rf1CompletePage) {
    if (ev == FaxEvent::Enter) Class1PhaseD(line);
    return;
  }
  if (ev != FaxEvent::Line) return;
  if (state_ == rfClass1Ready) {
    if (Contains(line, "RING")) return;  // it rings again
    if (!Contains(line, "OK")) {
      Fail(ecFaxInitError);
      return;
    }
    DisarmTimeout();
    SwitchToNormalBaud();
    Progress(fpWaiting);
    Goto(rfWaitForCall, false);
    return;
  }
  if (state_ == rf1RepeatWait) {
    // Whatever ends the wait (OK, or a stray line before it) lets DIS go again.
    Class1Command("AT+FTH=3", 0);
    Goto(rf1SendCsi, false);
    return;
  }
  // +FCERROR: the modem heard V.21 frames instead of the TCF or page it was
  // told to expect. The caller did not get our last answer and repeats its
  // command (DCS, or the post-page message after a lost MCF); read it.
  if (Contains(line, "+FCERROR") && (state_ == rf1WaitTcfConnect || state_ == rf1WaitPageConnect)) {
    ReceiveFlowOff();
    Class1Command("AT+FRH=3", 0);
    Goto(s_.class1.lastFcf == kFcfDCS ? rf1WaitDcs : rf1WaitPostPage, false);
    return;
  }
  // The modem refused a command, or a frame came with a bad check sequence.
  // Once the document is stored the call ends without that verdict.
  if (Contains(line, "ERROR") && state_ < rf1WaitDcn) {
    Fail(ecFaxBadModemResult);
    return;
  }
  if (state_ <= rf1WaitPageConnect)
    Class1PhaseB(line);
  else
    Class1PhaseD(line);
}

void FaxReceiver::Class1PhaseB(const std::string& line) {
  Class1Params& p = s_.class1;
  const bool ok = Contains(line, "OK");
  const bool connect = Contains(line, "CONNECT");
  switch (state_) {
    case rf1SendCsi:
      if (connect) {
        SendIdFrame(kFcfCSI, false);
        frameSent_ = false;
        Goto(rf1SendDis, false);
      } else if (!answered_ && disRepeats_ == 0) {
        // The answer itself failed.
        if (Contains(line, "VOICE") || Contains(line, "VCON")) {
          Fail(ecFaxVoiceCall);
        } else if (Contains(line, "NO C")) {
          s_.ringCount = 0;
          callOpen_ = false;  // the answer found no caller
          DisarmTimeout();
          Progress(fpNoConnect);
          Goto(rfWaitForCall, false);
        }
      }
      return;
    case rf1SendDis:
      // The modem's CONNECT after the CSI asks for the next frame; a second
      // CONNECT (a T.31 modem repeats it when a frame is late) is not.
      if (connect && !frameSent_) {
        SendFrame(kFcfDIS, true, DisFif(ChooseSpeed(p.local, AllSpeeds(), s_.desiredBps)));
        frameSent_ = true;
      } else if (ok && frameSent_) {
        Class1Command("AT+FRH=3", 0);
        Goto(rf1WaitDcs, false);
      }
      return;
    case rf1WaitDcs:
      if (!ok || !p.frameReceived) return;  // CONNECT: the frame follows
      if (!p.lastFinal) {
        Class1Command("AT+FRH=3", 0);
        return;
      }
      // Another final frame is left unanswered: the time-out sends DIS again.
      if (p.lastFcf != kFcfDCS) return;
      ReceiveFlowOn();
      Class1Command("AT+FRM=" + Class1Modulation(p.speedIndex, p.v17, false), kBeforeModulationMs);
      Goto(rf1WaitTcfConnect, false);
      return;
    case rf1WaitTcfConnect:
      if (!connect) return;
      tcf_.Reset();
      skipLf_ = true;
      ArmTimeout(kTcfCheckTicks);
      Goto(rf1CheckTcf, false);
      return;
    case rf1SendFtt:
      if (connect && !frameSent_) {
        SendFrame(kFcfFTT, true);
        frameSent_ = true;
        // No slower speed to ask for: the call fails once FTT is out.
        trainFailed_ = p.speedIndex == kClass1MinSpeed;
      } else if (ok && frameSent_) {
        if (trainFailed_) {
          Fail(ecFaxTrainError);
          return;
        }
        Class1Command("AT+FRH=3", 0);
        Goto(rf1WaitDcs, false);  // the caller sends DCS again, slower
      }
      return;
    case rf1WaitTcfEnd:
      if (!Contains(line, "RRIER") && !ok) return;
      ReceiveFlowOff();
      Class1Command("AT+FTH=3", kAfterFrameMs);
      frameSent_ = false;
      Goto(rf1SendCfr, false);
      return;
    case rf1SendCfr:
      if (connect && !frameSent_) {
        ReceiveFlowOn();
        SendFrame(kFcfCFR, true);
        frameSent_ = true;
      } else if (ok && frameSent_) {
        Class1Command("AT+FRM=" + Class1Modulation(p.speedIndex, p.v17, true), kBeforeModulationMs);
        // The owner is asked once a call; the file holds every document.
        if (!answered_) AcceptCall();
        if (state_ == rf1SendCfr) Goto(rf1WaitPageConnect, false);
      }
      return;
    case rf1WaitPageConnect:
      if (!connect) return;
      Progress(fpSessionParams);
      Goto(rfStartPage);
      return;
    default:
      return;
  }
}

void FaxReceiver::Class1TakeTcf(std::string& pending) {
  std::size_t used = 0;
  if (skipLf_ && !pending.empty()) {
    skipLf_ = false;
    if (pending[0] == '\n') used = 1;  // the end of the CONNECT line
  }
  used += tcf_.Take(pending.data() + used, pending.size() - used);
  pending.erase(0, used);
  if (!tcf_.Done()) return;
  if (tcf_.Good()) {
    ArmTimeout(s_.responseTimeout);
    Goto(rf1WaitTcfEnd, false);
    return;
  }
  ReceiveFlowOff();
  Class1Command("AT+FTH=3", kAfterFrameMs);
  frameSent_ = false;
  trainFailed_ = false;
  Goto(rf1SendFtt, false);
}

void FaxReceiver::Class1PhaseD(const std::string& line) {
  Class1Params& p = s_.class1;
  const bool ok = Contains(line, "OK");
  const bool connect = Contains(line, "CONNECT");
  switch (state_) {
    case rf1PageEnd:
      // The carrier dropped after DLE ETX; the post-page message follows.
      if (!Contains(line, "RRIER") && !ok) return;
      Class1Command("AT+FRH=3", 0);
      Goto(rf1WaitPostPage, false);
      return;
    case rf1WaitPostPage:
      if (!ok || !p.frameReceived) return;
      if (!p.lastFinal) {
        Class1Command("AT+FRH=3", 0);
        return;
      }
      if (p.lastFcf != kFcfMPS && p.lastFcf != kFcfEOM && p.lastFcf != kFcfEOP) return;
      postPage_ = p.lastFcf;
      Progress(fpGetPageResult);
      Goto(rf1CompletePage);
      return;
    case rf1CompletePage:
      // The page is judged by its post-page message alone; a repeated one
      // (our MCF was lost) finds no page open.
      if (file_.PageOpen()) {
        if (int rc = file_.KeepPage()) {
          Fail(rc);
          return;
        }
        ++s_.currentPage;
      }
      Class1Command("AT+FTH=3", kAfterFrameMs);
      Progress(fpCheckMorePages);
      frameSent_ = false;
      Goto(rf1SendMcf, false);
      return;
    case rf1SendMcf:
      Class1SendMcf(ok, connect);
      return;
    case rf1WaitDcn:
      if (connect) return;
      if (ok && p.frameReceived && !p.lastFinal) {
        Class1Command("AT+FRH=3", 0);
        return;
      }
      if (ok && p.frameReceived && p.lastFcf == kFcfEOP) {
        // The caller did not hear our MCF and sends EOP again.
        Class1Command("AT+FTH=3", kAfterFrameMs);
        frameSent_ = false;
        Goto(rf1SendMcf, false);
        return;
      }
      // DCN, or a caller gone without it: the call is over.
      SendCommand("ATH");
      Goto(rf1WaitHangup, false);
      return;
    case rf1WaitHangup:
      if (!ok) return;
      DisarmTimeout();
      Progress(fpGotHangup);
      Goto(rfComplete);
      return;
    default:
      return;
  }
}

void FaxReceiver::Class1SendMcf(bool ok, bool connect) {
  const Class1Params& p = s_.class1;
  if (connect) {
    // MCF is final even before a new document: a T.30 caller acts only on
    // the final frame of a sequence, so an MCF followed by CSI and DIS in
    // one transmission would go unanswered. A second CONNECT (the modem
    // repeats it when a frame is late) is not a request for another frame.
    if (!frameSent_) {
      SendFrame(kFcfMCF, true);
      frameSent_ = true;
    }
    return;
  }
  if (!ok || !frameSent_) return;
  if (postPage_ == kFcfMPS) {
    // The caller trained on its TCF and sends every later page with the
    // V.17 short training, as it did the first one after CFR; a modem told
    // to expect the long one does not recognise it and the page is lost.
    ReceiveFlowOn();
    Class1Command("AT+FRM=" + Class1Modulation(p.speedIndex, p.v17, true), kBeforeModulationMs);
    Goto(rf1WaitPageConnect, false);
  } else if (postPage_ == kFcfEOM) {
    // CSI and DIS again once the caller is back in phase B.
    disRepeats_ = 0;
    Class1Command("AT+FTH=3", kAfterFrameMs);
    Goto(rf1SendCsi, false);
  } else {
    Class1Command("AT+FRH=3", kBeforeListenMs);
    if (file_.IsOpen()) {  // not again for a repeated EOP
      if (int rc = file_.Close()) {
        Fail(rc);
        return;
      }
      LogCall(lfaxReceiveOk);
      Progress(fpGetHangup);
    }
    Goto(rf1WaitDcn, false);
  }
}

void FaxReceiver::OnLineLost() {
  // Once the document is stored the caller's leaving ends the call as usual.
  if (state_ == rf1WaitDcn || state_ == rf1WaitHangup) {
    HangUpLostLine();
    Goto(rfComplete);
    return;
  }
  Fail(ecFaxSessionError);
}

}  // namespace telvane
