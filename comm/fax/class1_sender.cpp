// The send machine's Class 1 states: T.30 phase B (the remote's DIS, TSI
// and DCS, training with step-down) and phase D (the post-page message and
// its answer, DCN and hang-up). Page data itself runs in the shared states.
#include "base/error_codes.h"
#include "comm/fax/t30_timing.h"
#include "comm/fax/fax_sender.h"

namespace telvane {
namespace {

constexpr int kMaxPostPageTries = 3;
// A page the receiver lost (it answered the post-page message with its DIS)
// is sent again after a new DCS and training, this many times at most.
constexpr int kMaxPageResends = 3;
// A remote that answers our training with its DIS again did not hear our
// DCS; it gets the DCS this many more times.
constexpr int kMaxDcsRepeats = 3;

}  // namespace

bool FaxSender::IsClass1State(int state) {
  return state == tfClass1Ready || (state >= tf1WaitDis && state <= tf1WaitPageConnect) ||
         (state >= tf1PageSent && state <= tf1WaitHangup);
}

bool FaxSender::SendsWide(const Page& page) const {
  // Every fax machine takes A4 (1728 pixels): a wide page goes to one
  // without B4 width reduced to it.
  return page.wide && (s_.faxClass != fcClass1 || s_.class1.remoteWide);
}

void FaxSender::Class1UsePage() {
  Class1Params& p = s_.class1;
  p.fine = pages_[pageIndex_].fine;
  p.wide = SendsWide(pages_[pageIndex_]);
  p.UpdateMinBytes();
}

bool FaxSender::NextPageIsNewDocument() const {
  if (!HasNextPage()) return false;
  const Page& now = pages_[pageIndex_];
  const Page& next = pages_[pageIndex_ + 1];
  bool coverEnds = now.kind != Page::File && next.kind == Page::File;
  return coverEnds || now.fine != next.fine || SendsWide(now) != SendsWide(next);
}

std::uint8_t FaxSender::PostPageFcf() const {
  if (!HasNextPage()) return kFcfEOP;
  return NextPageIsNewDocument() ? kFcfEOM : kFcfMPS;
}

void FaxSender::Class1Timeout() {
  switch (state_) {
    case tf1WaitDis:
      // No DIS yet. Before CONNECT the number did not answer as a fax; after
      // it the call was on the line, and a first DIS that never came through
      // it means a line too poor for frames.
      if (!InCall()) {
        Fail(ecFaxNoAnswer);
        return;
      }
      if (s_.class1.remote.bits == 0) s_.endReason = EndReason::PoorLine;
      Fail(ecFatalTimeout);
      return;
    case tf1WaitPostPageResponse:
      // No answer to the post-page message: stop the modem's receive and
      // send the message again.
      Class1CancelReceive();
      Goto(tf1PostPage);
      return;
    case tf1WaitHangup:
      HangUpSender();
      Goto(tfFaxComplete);
      return;
    default:
      Fail(ecFatalTimeout);
  }
}

void FaxSender::Class1Dispatch(FaxEvent ev, const std::string& line) {
  if (state_ == tf1PostPage) {
    if (ev == FaxEvent::Enter) Class1PhaseD(ev, line);
    return;
  }
  if (ev != FaxEvent::Line) return;
  if (state_ == tfClass1Ready) {
    if (!Contains(line, "OK")) {
      Fail(ecFaxInitError);
      return;
    }
    DisarmTimeout();
    Goto(tfDial);
    return;
  }
  // Every page is confirmed: a modem that cannot send the DCN (the far end
  // hung up first) ends the fax all the same.
  if (state_ >= tf1SendDcn && state_ <= tf1WaitHangup && (Contains(line, "ERROR") || Contains(line, "RRIER"))) {
    HangUpLostLine();
    Goto(tfFaxComplete);
    return;
  }
  // An ERROR answers a post-page message that the remote did not take;
  // anywhere else the modem refused what the protocol needs.
  if (Contains(line, "ERROR") && state_ != tf1WaitPostPageResponse) {
    Fail(ecFaxBadModemResult);
    return;
  }
  if (state_ <= tf1WaitPageConnect)
    Class1PhaseB(line);
  else
    Class1PhaseD(ev, line);
}

void FaxSender::Class1PhaseB(const std::string& line) {
  Class1Params& p = s_.class1;
  const bool ok = Contains(line, "OK");
  const bool connect = Contains(line, "CONNECT");
  switch (state_) {
    case tf1WaitDis:
      if (ok && p.frameReceived) {
        // The DIS ends the remote's sequence; frames before it (NSF, CSI)
        // are followed by the next one.
        if (p.lastFinal && p.speedIndex > 0) {
          Class1Command("AT+FTH=3", kAfterFrameMs);
          Goto(tf1SendTsi, false);
        } else {
          Class1Command("AT+FRH=3", 0);
        }
      } else if (!ok && !connect) {
        DialResponse(line);  // BUSY, VOICE, NO DIALTONE, NO CARRIER
      }
      return;
    case tf1SendTsi:
      if (!connect) return;
      SendIdFrame(kFcfTSI | kFcfX, false);
      Goto(tf1SendDcs, false);
      return;
    case tf1SendDcs:
      if (!connect) return;
      // The page against the DIS last received: a wide page is reduced for
      // a remote without B4 width; a fine page it cannot print is not
      // offered (after a new document no fresh DIS may have been checked).
      Class1UsePage();
      if (p.fine && !p.remoteFine) {
        Fail(ecFaxIncompatible);
        return;
      }
      SendFrame(kFcfDCS | kFcfX, true, DcsFif(p.speedIndex, p.fine, p.wide, p.scanTime, p.twoDim));
      Progress(fpSessionParams);
      Goto(tf1DcsSent, false);
      return;
    case tf1DcsSent:
      if (!ok) return;
      Class1Command("AT+FTM=" + TrainModulation(p.speedIndex), kBeforeModulationMs);
      Goto(tf1SendTcf, false);
      return;
    case tf1SendTcf:
      if (!connect) return;
      TransmitFlowOn();
      Put(BuildTcf(p.bps));
      modemSending_ = true;
      Goto(tf1TcfSent, false);
      return;
    case tf1TcfSent:
      if (!ok) return;
      modemSending_ = false;
      TransmitFlowOff();
      p.cfrReceived = false;
      p.retrainNeeded = false;
      Class1Command("AT+FRH=3", kBeforeListenMs);
      Goto(tf1WaitCfr, false);
      return;
    case tf1WaitCfr:
      if (!ok || !p.frameReceived) return;
      if (!p.lastFinal) {
        Class1Command("AT+FRH=3", 0);
      } else if (p.cfrReceived) {
        dcsRepeats_ = 0;
        Class1Command("AT+FTM=" + PageModulation(p.speedIndex), kAfterFrameMs);
        Goto(tf1WaitPageConnect, false);
      } else {
        // FTT: the frame reader chose the next lower speed (it fails the
        // call below 2400); DCS and TCF again. Any other final frame sends
        // the same DCS again, a limited number of times.
        if (!p.retrainNeeded && ++dcsRepeats_ > kMaxDcsRepeats) {
          Fail(ecFatalTimeout);
          return;
        }
        Class1Command("AT+FTH=3", kAfterFrameMs);
        Goto(tf1SendDcs, false);
      }
      return;
    case tf1WaitPageConnect:
      if (!connect) return;
      // A T.31 modem takes page data from its CONNECT on and sends no XON
      // first: the page starts at once, while the modem still trains.
      modemSending_ = true;
      ArmTimeout(s_.pageTimeout);
      Goto(tfStartPage);
      return;
    default:
      return;
  }
}

void FaxSender::Class1PageDone() {
  TransmitFlowOff();
  ArmTimeout(s_.pageTimeout);
  Goto(tf1PageSent, false);
}

void FaxSender::Class1PhaseD(FaxEvent ev, const std::string& line) {
  const bool ok = Contains(line, "OK");
  const bool connect = Contains(line, "CONNECT");
  switch (state_) {
    case tf1PageSent:
      if (!ok) return;
      modemSending_ = false;
      postPageTries_ = 0;
      Progress(fpSendPageStatus);
      Goto(tf1PostPage);
      return;
    case tf1PostPage:
      if (ev != FaxEvent::Enter) return;
      if (++postPageTries_ > kMaxPostPageTries) {
        Fail(ecFatalTimeout);
        return;
      }
      Class1Command("AT+FTH=3", kBeforePostPageMs);
      Goto(tf1SendPostPage, false);
      return;
    case tf1SendPostPage:
      if (!connect) return;
      SendFrame(PostPageFcf() | kFcfX, true);
      Goto(tf1PostPageSent, false);
      return;
    case tf1PostPageSent:
      if (!ok) return;
      Class1Command("AT+FRH=3", kBeforeListenMs);
      Goto(tf1WaitPostPageResponse, false);
      return;
    case tf1WaitPostPageResponse:
      if (Contains(line, "ERROR")) {
        Goto(tf1PostPage);  // the answer was garbled: ask again
      } else if (ok && s_.class1.frameReceived) {
        Class1PostPageResponse();
      }
      return;
    case tf1SendDcn:
      if (!connect) return;
      SendFrame(kFcfDCN | kFcfX, true);
      Goto(tf1DcnSent, false);
      return;
    case tf1DcnSent:
      if (!ok) return;
      SendCommand("ATH");
      Goto(tf1WaitHangup, false);
      return;
    case tf1WaitHangup:
      if (!ok) return;
      DisarmTimeout();
      Goto(tfFaxComplete);
      return;
    default:
      return;
  }
}

void FaxSender::Class1PostPageResponse() {
  const Class1Params& p = s_.class1;
  const bool more = HasNextPage();
  const bool newDocument = NextPageIsNewDocument();
  switch (p.lastFcf) {
    case kFcfMCF:
      pageResends_ = 0;
      Progress(fpPageOK);
      if (!more) {
        Class1Command("AT+FTH=3", kAfterFrameMs);
        Goto(tf1SendDcn, false);
      } else if (!newDocument) {
        // Same parameters: the next page follows at once. The receiver
        // trained on our TCF and waits for a V.17 short training; a long one
        // is not recognised and the page is lost (RTN).
        ++pageIndex_;
        Class1UsePage();
        Class1Command("AT+FTM=" + PageModulation(p.speedIndex), kBeforeModulationMs);
        Goto(tf1WaitPageConnect, false);
      } else {
        // After EOM the receiver returns to phase B and sends its DIS again
        // (T.30), whether its MCF ended the sequence or not: a DCS sent
        // before it collides with it, and the remote gives up.
        ++pageIndex_;
        Class1UsePage();
        Class1Command("AT+FRH=3", p.lastFinal ? kAfterFrameMs : 0);
        Goto(tf1WaitDis, false);
      }
      return;
    case kFcfRTP:
      pageResends_ = 0;
      Progress(fpPageOK);
      if (more) {
        ++pageIndex_;
        Class1UsePage();
      }
      Class1Command("AT+FTH=3", kAfterFrameMs);
      Goto(more ? tf1SendDcs : tf1SendDcn, false);
      return;
    case kFcfRTN:
      Progress(fpPageError);
      Fail(ecFaxSessionError);
      return;
    case kFcfDIS:
      if (!p.lastFinal) break;
      // T.30: a DIS in answer to a post-page command means the receiver lost
      // the page and went back to phase B. DCS and training again (after our
      // TSI), then the same page; the DIS just decoded chose the speed.
      if (++pageResends_ > kMaxPageResends) {
        Fail(ecFatalTimeout);
        return;
      }
      Progress(fpPageError);
      Class1Command("AT+FTH=3", kAfterFrameMs);
      Goto(tf1SendTsi, false);
      return;
    default:
      break;
  }
  if (!p.lastFinal) {
    Class1Command("AT+FRH=3", 0);  // the answer is the next frame
    return;
  }
  // CRP asks for the command again (T.30); any other final frame that
  // answers nothing is taken the same way. Both count as a try.
  Goto(tf1PostPage);
}

void FaxSender::OnLineLost() {
  // With every page confirmed, only the DCN is lost.
  if (state_ >= tf1SendDcn && state_ <= tf1WaitHangup) {
    HangUpLostLine();
    Goto(tfFaxComplete);
    return;
  }
  Fail(ecFaxSessionError);
}

}  // namespace telvane
