// The event handling frame shared by the send and receive machines: one
// event at a time under the engine's lock, response lines assembled from the
// modem's bytes, timers, notifications and the start and abort of a session.
#include "comm/fax/fax_engine.h"

#include <cstdio>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/t30_timing.h"

namespace telvane {
namespace {

// The response line keeps this many characters at most.
constexpr std::size_t kMaxResponseLine = 128;

}  // namespace

FaxEngine::FaxEngine(TApdComPort& port, IFaxOwner& owner, IMainThreadDispatcher* main)
    : port_(port), messenger_(owner, main) {}

FaxEngine::~FaxEngine() { Stop(); }

bool FaxEngine::Finished() const { return state_ == FinishedState(); }

int FaxEngine::Start() {
  std::lock_guard guard(lock_);
  startThread_ = std::this_thread::get_id();
  Stop();
  s_.ResetSession();
  pending_.clear();
  frameExpected_ = frameMode_ = frameHeld_ = listening_ = false;
  callStarted_ = inCall_ = lineLost_ = transmitCommand_ = transmitting_ = noCarrier_ = t30Open_ = modemBusy_ = false;
  dcnClose_ = DcnClose::NotTried;
  abortPending_ = false;
  abortedByUser_ = false;
  firstStatusSent_ = false;
  failedState_ = 0;
  enterPending_ = false;
  state_ = 0;
  try {
    port_.SetAvailTrigger(true);
    timeoutTrigger_ = port_.AddTimerTrigger();
    statusTrigger_ = port_.AddTimerTrigger();
    outFreeTrigger_ = port_.AddStatusTrigger(stOutBuffFree);
    outSentTrigger_ = port_.AddStatusTrigger(stOutSent);
    watchTrigger_ = port_.AddTimerTrigger();
    triggersAdded_ = true;
  } catch (const EAPDException& e) {
    RemoveTriggersQuietly();
    int code = e.ErrorCode() == ecNotOpen ? ecNotOpen : ecNoMoreTriggers;
    s_.errorCode = code;
    messenger_.Error(code);
    messenger_.Finish(code);
    return code;
  }
  int rc;
  try {
    rc = Prepare();
  } catch (const EAPDException& e) {
    rc = e.ErrorCode();
  }
  // An abort asked for while the modem was being prepared (the yield hook
  // lets the user's request in) ends the session before it dials or answers.
  if (abortPending_.exchange(false)) {
    abortedByUser_ = true;
    s_.progress = fpCancel;
    s_.endReason = EndReason::UserCancel;
    rc = ecCancelRequested;
  }
  if (rc != 0) {
    s_.errorCode = rc;
    messenger_.Error(rc);
    StatusNow(fsLast);
    RemoveTriggersQuietly();
    state_ = FinishedState();
    messenger_.Finish(rc);
    return rc;
  }
  receiverId_ = port_.RegisterTriggerHandler([this](const TriggerMessage& m) { HandleMessage(m); });
  portWatch_ = port_.RegisterUserCallback([this](TApdComPort&, bool opened) {
    if (!opened) PortClosing();
  });
  registered_ = true;
  ++depth_;
  Goto(1);
  Settle();
  --depth_;
  if (!Finished()) {
    RestartStatusTimer();
    port_.SetTimerTrigger(watchTrigger_, kWatchTicks, true);
  }
  TakeAbort();
  return 0;
}

void FaxEngine::RemoveTriggersQuietly() {
  // A closed port took its triggers with it; asking it to remove one would
  // open it again (a port opens on first use).
  const bool open = port_.Open();
  for (int* h : {&timeoutTrigger_, &statusTrigger_, &outFreeTrigger_, &outSentTrigger_, &watchTrigger_}) {
    if (*h > 0 && open) {
      try {
        port_.RemoveTrigger(*h);
      } catch (const EAPDException&) {
        // The port was closed meanwhile: its triggers went with it.
      }
    }
    *h = 0;
  }
  triggersAdded_ = false;
}

void FaxEngine::Stop() {
  if (portWatch_) {
    port_.DeregisterUserCallback(portWatch_);
    portWatch_ = 0;
  }
  if (registered_) {
    try {
      port_.DeregisterTriggerHandler(receiverId_);
    } catch (const EAPDException&) {
    }
    registered_ = false;
  }
  // Waits for an event being handled on the dispatch thread to end; one that
  // waits for the main thread (this one) to take a notification gives up.
  messenger_.Cancel().Cancel();
  std::lock_guard guard(lock_);
  messenger_.Cancel().Reset();
  if (triggersAdded_) RemoveTriggersQuietly();
  ReleaseFiles();
}

void FaxEngine::PortClosing() {
  // As in Stop: a wait of the dispatch thread for this thread gives up first.
  messenger_.Cancel().Cancel();
  std::lock_guard guard(lock_);
  messenger_.Cancel().Reset();
  if (!registered_ || Finished()) return;
  if (abortPending_.exchange(false)) abortedByUser_ = true;
  // An error being handled (a cancel's among them) keeps its code; a cancel
  // not yet taken ends the session as one; anything else failed.
  if (state_ != ErrorState()) {
    if (abortedByUser_) {
      s_.errorCode = ecCancelRequested;
      s_.endReason = EndReason::UserCancel;
      s_.progress = fpCancel;
    } else {
      s_.errorCode = ecNotOpen;
      if (s_.endReason == EndReason::None) s_.endReason = EndReason::Failed;
      messenger_.Error(ecNotOpen);
    }
  }
  StatusNow(fsLast);
  FinishSession(s_.errorCode);
}

void FaxEngine::Abort() {
  abortPending_ = true;
  std::unique_lock guard(lock_, std::try_to_lock);
  if (!guard.owns_lock() || depth_ > 0 || inGetEntry_) return;  // taken after the current event
  TakeAbort();
}

void FaxEngine::TakeAbort() {
  // Before the machine runs (preparation) the request stays pending for Start.
  if (!registered_ || Finished()) return;
  if (!abortPending_.exchange(false)) return;
  abortedByUser_ = true;
  // An error being handled (its DCN still going out) ends the session as a
  // cancel would; its code stays the error's.
  if (state_ == ErrorState()) return;
  ++depth_;
  s_.errorCode = ecCancelRequested;
  s_.endReason = EndReason::UserCancel;
  Progress(fpCancel);
  Goto(ErrorState());
  Settle();
  --depth_;
}

void FaxEngine::HandleMessage(const TriggerMessage& m) {
  std::unique_lock guard(lock_);
  // A call that comes in while an event is being handled on this thread (the
  // owner may let events run while it answers a notification) returns at
  // once; GetEntry in particular must not run twice.
  if (depth_ > 0 || inGetEntry_) return;
  ++depth_;
  Serve(m);
  TakeAbort();
  --depth_;
}

void FaxEngine::Serve(const TriggerMessage& m) {
  if (Finished() || !registered_) return;
  switch (m.msg) {
    case kMsgFaxAbort:
      abortPending_ = true;  // taken as the event ends
      return;
    case kMsgTriggerAvail:
    case kMsgTriggerData:
      TakeInput();
      break;
    case kMsgTriggerTimer:
      if (m.param == statusTrigger_) {
        StatusNow();
        RestartStatusTimer();
        return;
      }
      if (m.param == watchTrigger_) {
        port_.SetTimerTrigger(watchTrigger_, kWatchTicks, true);
        Guarded([this] { Class1Watch(); });
        break;
      }
      if (m.param != timeoutTrigger_) return;
      if (dcnClose_ == DcnClose::StopWait)
        Guarded([this] { DcnCloseCommand(); });  // the modem did not answer; it is in command mode or refuses
      else if (DcnClosing())
        DcnCloseEnd(DcnClose::Skipped);
      else
        Guarded([this] { OnTimeout(); });
      break;
    case kMsgTriggerStatus:
      if (m.param == outFreeTrigger_)
        RunEvent(FaxEvent::OutFree, {});
      else if (m.param == outSentTrigger_)
        RunEvent(FaxEvent::OutSent, {});
      else
        return;
      break;
    default:
      return;
  }
  Settle();
}

void FaxEngine::Guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const EAPDException& e) {
    Fail(e.ErrorCode());
  } catch (const std::bad_alloc&) {
    Fail(ecOutOfMemory);
  }
}

void FaxEngine::RunEvent(FaxEvent ev, const std::string& line) {
  // The DCN of an error's hang-up runs in the error state, below the machine.
  if (ev == FaxEvent::Line && DcnClosing()) {
    Guarded([&] { DcnCloseLine(line); });
    return;
  }
  Guarded([&] { Dispatch(ev, line); });
}

void FaxEngine::Settle() {
  // Each round runs the entries of states that act on their own, then one
  // piece of waiting input; it ends when nothing moves any more.
  for (;;) {
    while (enterPending_ && !Finished()) {
      enterPending_ = false;
      RunEvent(FaxEvent::Enter, {});
    }
    if (Finished()) return;
    if (Class1NoCarrierWaiting()) continue;
    if (TakesRawInput()) {
      std::size_t before = pending_.size();
      int state = state_;
      Guarded([this] { TakeRawInput(pending_); });
      if (!enterPending_ && state == state_ && pending_.size() == before) return;
      continue;
    }
    if (!WaitsForResponse() && !DcnClosing()) return;
    if (frameMode_) {
      int got = ReadFrame();
      if (got == 0) return;
      if (got == 1) {
        // The modem's OK confirms the frame; a line too noisy for the modem
        // to see the carrier drop after a final frame never brings it.
        frameHeld_ = true;
        listening_ = false;
        t30Open_ = true;
        confirmBy_ = NewTimer(port_.Clock(), kFrameConfirmTicks);
        continue;
      }
    }
    std::string line;
    if (!NextLine(line)) return;
    if (Class1WatchLine(line)) continue;
    if (frameHeld_) {
      // The modem's OK confirms the frame's check sequence; after ERROR the
      // frame is dropped.
      frameHeld_ = false;
      if (Contains(line, "OK")) {
        int state = state_;
        Guarded([this] { ActOnFrame(lastFrame_); });
        if (state != state_ || enterPending_ || Finished()) continue;
        RunEvent(FaxEvent::Frame, {});
        if (state != state_ || enterPending_ || Finished()) continue;
      }
    }
    if (frameExpected_ && Contains(line, "CONNECT")) {
      frameExpected_ = false;
      frameMode_ = true;
      frameOverlong_ = false;
    }
    RunEvent(FaxEvent::Line, line);
  }
}

void FaxEngine::TakeInput() {
  char buf[4096];
  for (;;) {
    std::size_t n = port_.GetBlock(buf, sizeof buf);
    if (n == 0) break;
    pending_.append(buf, n);
  }
}

bool FaxEngine::NextLine(std::string& line) {
  for (;;) {
    std::size_t end = pending_.find_first_of("\r\n");
    if (end == std::string::npos) {
      // Bytes without a line end: keep only what a response line can hold.
      if (pending_.size() > 4 * kMaxResponseLine) pending_.erase(0, pending_.size() - kMaxResponseLine);
      return false;
    }
    std::string raw = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    line.clear();
    for (char c : raw)
      if (static_cast<unsigned char>(c) >= 32) line += c;
    if (line.size() > kMaxResponseLine) line.erase(0, line.size() - kMaxResponseLine);
    line = Trim(line);
    if (!line.empty()) return true;
  }
}

void FaxEngine::Goto(int state, bool enter) {
  if (state == ErrorState() && state_ != ErrorState()) failedState_ = state_;
  state_ = state;
  enterPending_ = enter;
  port_.Log().Add("Fax", StateName(state), static_cast<std::uint32_t>(state));
  if (OnStateChange) OnStateChange(state);
}

void FaxEngine::Fail(int code) {
  if (Finished() || state_ == ErrorState()) {
    // A failure while the error is being handled keeps the first error.
    if (s_.errorCode == 0) s_.errorCode = code;
    return;
  }
  s_.errorCode = code;
  if (s_.endReason == EndReason::None) s_.endReason = EndReason::Failed;
  messenger_.Error(code);
  Goto(ErrorState());
}

void FaxEngine::Progress(int code) {
  s_.progress = code;
  StatusNow();
}

void FaxEngine::StatusNow(FaxStatusKind kind) {
  if (kind == fsFirst) firstStatusSent_ = true;
  messenger_.Status(kind, s_.progress);
}

void FaxEngine::RestartStatusTimer() {
  if (statusTrigger_ > 0) port_.SetTimerTrigger(statusTrigger_, SecsToTicks(std::max(1, s_.statusInterval)), true);
}

void FaxEngine::Delay(int ms) {
  // The preparation and the first state run on the thread that starts the
  // session, the main thread: there the owner's yield runs during the pause,
  // so that the window does not freeze (the 100 ms before each of the
  // preparation's commands would add up to half a second).
  if (yield_ && std::this_thread::get_id() == startThread_) {
    PauseYielding(ms);
    return;
  }
  // Whatever was written goes out first (a port run by hand writes it now).
  if (TApdBaseDispatcher* d = port_.Dispatcher()) d->WaitOutputDrained(0);
  DelayMs(port_.Clock(), ms);
}

void FaxEngine::Put(const std::string& bytes) { port_.PutString(bytes); }

void FaxEngine::SendCommand(const std::string& cmd, int timeoutTicks) {
  frameExpected_ = frameMode_ = frameHeld_ = listening_ = false;
  transmitCommand_ = transmitting_ = modemBusy_ = false;
  Delay(100);
  Put(cmd + "\r");
  ArmTimeout(timeoutTicks < 0 ? s_.responseTimeout : timeoutTicks);
}

void FaxEngine::ArmTimeout(int ticks) { port_.SetTimerTrigger(timeoutTrigger_, ticks, true); }
void FaxEngine::DisarmTimeout() { port_.SetTimerTrigger(timeoutTrigger_, 0, false); }
void FaxEngine::ArmOutFree(int level) { port_.SetStatusTrigger(outFreeTrigger_, static_cast<std::uint32_t>(level), true); }
void FaxEngine::DisarmOutFree() { port_.SetStatusTrigger(outFreeTrigger_, 0, false); }
void FaxEngine::ArmOutSent() { port_.SetStatusTrigger(outSentTrigger_, 0, true); }

void FaxEngine::FinishSession(int code) {
  DisarmTimeout();
  port_.SetTimerTrigger(statusTrigger_, 0, false);
  port_.SetTimerTrigger(watchTrigger_, 0, false);
  Goto(FinishedState(), false);
  messenger_.Finish(code);
}

}  // namespace telvane
