// A Class 1 call on the line: the watch for a line that goes (NO CARRIER,
// a port hang-up, frames the modem never confirms) and the DCN that ends
// T.30 before an error's hang-up. Shared by the send and receive machines.
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_engine.h"
#include "comm/fax/page_transmitter.h"
#include "comm/fax/t30_timing.h"

namespace telvane {
namespace {

// The DCN of an error's hang-up: AT+FTH=3, CONNECT, the frame and its OK
// take about a second at 300 bit/s; a modem that does not get there in this
// time is not waited for.
constexpr int kDcnCloseTicks = SecsToTicks(5);
// A modem told to end a transmission sends what it holds first: a few
// kilobytes of page data, up to about 5 s at 14400 bit/s.
constexpr int kModemStopTicks = SecsToTicks(10);
// An aborted reception answers at once, or not at all.
constexpr int kReceiveAbortTicks = SecsToTicks(1);

}  // namespace

void FaxEngine::Class1BeginCall(bool calling) {
  callStarted_ = true;
  calling_ = calling;
  inCall_ = lineLost_ = noCarrier_ = t30Open_ = false;
  // An answering modem transmits (CSI, DIS) from its CONNECT on.
  transmitCommand_ = modemBusy_ = !calling;
  transmitting_ = false;
  dcnClose_ = DcnClose::NotTried;
}

void FaxEngine::Class1EndCall() {
  callStarted_ = inCall_ = transmitCommand_ = transmitting_ = noCarrier_ = t30Open_ = false;
  dcnClose_ = DcnClose::NotTried;
}

bool FaxEngine::Class1WatchLine(const std::string& line) {
  if (s_.faxClass != fcClass1) return false;
  // A final result ends whatever the modem was transmitting or receiving.
  if (Contains(line, "OK") || Contains(line, "ERROR") || Contains(line, "RRIER")) modemBusy_ = cancelSent_ = false;
  if (!callStarted_ || lineLost_) return false;
  if (Contains(line, "CONNECT")) {
    inCall_ = true;
    noCarrier_ = false;
    transmitting_ = transmitCommand_;
    return false;
  }
  // Once the document is stored the end of the call is no failure: the
  // machine takes these lines as it always did.
  if (!inCall_ || DcnExpected() || state_ == ErrorState()) return false;
  if (Contains(line, "RRIER")) {
    if (transmitting_) {
      // A transmitting T.31 modem reports NO CARRIER only when the call went
      // (before its CONNECT, the end of the reception before it may come).
      LoseLine(EndReason::CarrierLost);
      return true;
    }
    noCarrier_ = true;
    if (listening_) {
      // A carrier that came and went without a frame, or the end of the
      // call: the frame is still awaited (under the state's own time-out),
      // and a modem on hook refuses the command.
      Put("AT+FRH=3\r");
      ExpectFrame();
      return true;
    }
    return false;  // after page data or TCF it is the carrier's normal end
  }
  if (Contains(line, "ERROR") && noCarrier_) {
    // A command refused right after NO CARRIER, with no CONNECT between: the
    // modem went on hook with the line (a bad frame comes after a CONNECT).
    LoseLine(EndReason::CarrierLost);
    return true;
  }
  if (Contains(line, "OK")) transmitting_ = transmitCommand_ = false;
  return false;
}

bool FaxEngine::Class1NoCarrierWaiting() {
  // Page data and TCF go out without their responses being read.
  if (s_.faxClass != fcClass1 || !inCall_ || !transmitting_ || lineLost_ || WaitsForResponse()) return false;
  if (pending_.find("NO CARRIER") == std::string::npos) return false;
  LoseLine(EndReason::CarrierLost);
  return true;
}

void FaxEngine::Class1Watch() {
  if (s_.faxClass != fcClass1 || !callStarted_ || lineLost_ || Finished()) return;
  if (port_.LineHungUp()) {
    LoseLine(EndReason::PortHangUp);
    return;
  }
  if (!frameHeld_ || !TimerExpired(port_.Clock(), confirmBy_)) return;
  frameHeld_ = false;
  if (DcnExpected()) {
    // The caller's last frame (DCN) on a noisy line: the call is over.
    OnTimeout();
    return;
  }
  s_.endReason = EndReason::PoorLine;
  Fail(ecFatalTimeout);
}

void FaxEngine::LoseLine(EndReason reason) {
  const bool wasSending = transmitting_;
  lineLost_ = true;
  transmitCommand_ = transmitting_ = listening_ = false;
  frameExpected_ = frameMode_ = frameHeld_ = false;
  s_.endReason = reason;
  try {
    port_.FlushOutBuffer();  // page data has nowhere to go
    // A modem still transmitting takes every byte as data, the hang-up
    // command too: DLE ETX ends the transmission first.
    if (wasSending) Put(std::string{static_cast<char>(kDLE), static_cast<char>(kETX)});
  } catch (const EAPDException&) {
  }
  OnLineLost();
}

void FaxEngine::HangUpLostLine() {
  // A modem that lost its line is on hook already; the hang-up command of
  // the machine (ATH0 sending, ATH receiving) makes sure of it. A port that
  // hung up takes nothing.
  try {
    if (!port_.LineHungUp()) {
      Put(calling_ ? "ATH0\r" : "ATH\r");
      Delay(200);
    }
    port_.FlushOutBuffer();
  } catch (const EAPDException&) {
  }
  pending_.clear();
}

void FaxEngine::Class1CancelReceive() {
  Put(std::string(1, kCancelReceive));
  cancelSent_ = true;
}

bool FaxEngine::Class1CloseWithDcn(bool discardOutput) {
  if (DcnClosing()) return true;
  if (dcnClose_ != DcnClose::NotTried) return false;
  if (s_.faxClass != fcClass1 || !inCall_ || lineLost_ || !t30Open_) {
    dcnClose_ = DcnClose::Skipped;
    return false;
  }
  frameExpected_ = frameMode_ = frameHeld_ = listening_ = false;
  if (!modemBusy_) {
    DcnCloseCommand();
    return true;
  }
  // The modem still transmits (page data, TCF, a frame): DLE ETX ends it,
  // twice in case the output dropped ended halfway through a DLE pair; the
  // transmission ends once the modem has sent what it holds, seconds of page
  // data at most, and its OK says when. Or it waits for a frame or a page:
  // any character aborts that (CAN is part of no command) at once, with an
  // OK unless the modem no longer hears a carrier (a T.31 quirk), so a short
  // wait without an answer goes on all the same.
  const bool draining = transmitting_;
  try {
    if (transmitting_) {
      if (discardOutput) port_.FlushOutBuffer();
      Put(std::string{static_cast<char>(kDLE), static_cast<char>(kETX), static_cast<char>(kDLE),
                      static_cast<char>(kETX)});
    } else if (!cancelSent_) {
      Put(std::string(1, kCancelReceive));
    }
  } catch (const EAPDException&) {
  }
  dcnClose_ = DcnClose::StopWait;
  dcnCommandTries_ = 0;
  ArmTimeout(draining ? kModemStopTicks : kReceiveAbortTicks);
  return true;
}

void FaxEngine::DcnCloseCommand() {
  ClearInput();
  dcnClose_ = DcnClose::WaitConnect;
  ++dcnCommandTries_;
  // As before a post-page command: the far end's receiver drops our
  // high-speed carrier and listens for frames first.
  Class1Command("AT+FTH=3", kBeforePostPageMs, kDcnCloseTicks);
}

void FaxEngine::DcnCloseLine(const std::string& line) {
  const bool final = Contains(line, "OK") || Contains(line, "ERROR") || Contains(line, "RRIER");
  if (dcnClose_ == DcnClose::StopWait) {
    if (final) DcnCloseCommand();
    return;
  }
  if (dcnClose_ == DcnClose::WaitConnect && Contains(line, "CONNECT")) {
    SendFrame(calling_ ? (kFcfDCN | kFcfX) : kFcfDCN, true);
    dcnClose_ = DcnClose::WaitOk;
    return;
  }
  if (dcnClose_ == DcnClose::WaitConnect && Contains(line, "OK") && dcnCommandTries_ < 2) {
    // A late answer to the abort, or the command taken as one (T.31 quirk
    // after a frame was buffered): once more.
    DcnCloseCommand();
    return;
  }
  if (Contains(line, "OK") && dcnClose_ == DcnClose::WaitOk) {
    DcnCloseEnd(DcnClose::Sent);
    return;
  }
  // ERROR or NO CARRIER: the modem cannot send it; the hang-up goes on.
  if (final) DcnCloseEnd(DcnClose::Skipped);
}

void FaxEngine::DcnCloseEnd(DcnClose how) {
  dcnClose_ = how;
  transmitCommand_ = transmitting_ = false;
  DisarmTimeout();
  Goto(ErrorState());  // the error state goes on with the hang-up
}

}  // namespace telvane
