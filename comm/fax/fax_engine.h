// The fax session engine: the frame that both state machines (sender and
// receiver) share, whatever the modem's fax class.
//
// How to run a session on a port (the send and receive components wrap this):
//
//   TApdComPort port(&mainDispatcher);        // or nullptr: events on the dispatch thread
//   port.SetDevicePath("/dev/pts/7");
//   port.SetOutSize(8192);                    // page data needs room
//   port.SetOpen(true);
//
//   Sending:
//     MyOwner owner;                          // implements IFaxOwner (fax_owner.h)
//     FaxSender fax(port, owner, &mainDispatcher);
//     fax.Session().faxClass = fcClass2;      // or fcClass2_0, or fcDetect
//     fax.Session().SetStationId("+1 555 0100");
//     fax.Start();                            // prepares the modem, then dials
//   The owner's FaxNext() is asked for phone number, fax file (an APF file) and
//   cover file; it answers with empty phone number and file when the list is
//   done. Progress arrives as FaxStatus(kind, code) with the 48xx codes, log
//   codes as FaxLog(), failures as FaxError(code) and the end as FaxFinish(code)
//   (0 when every fax went out). fax.Abort() cancels (-6005).
//
//   Receiving:
//     FaxReceiver fax(port, owner, &mainDispatcher);
//     fax.Session().faxClass = fcClass2_0;
//     fax.Session().answerOnRing = 1;
//     fax.Session().oneFax = true;            // finish after one call
//     fax.Start();                            // prepares the modem, waits for RING
//   The owner's FaxAccept() sees the caller's station ID, FaxName() supplies the
//   file the fax is written to; pages judged good stay in it even when the
//   call fails later.
//
//   Notifications run on the main thread of `mainDispatcher` (its loop must
//   run: LoopDispatcher::Run or the GUI loop); without a dispatcher they run
//   on whatever thread drives the engine. Start() runs the modem preparation
//   on the calling (main) thread; give the engine a yield hook that runs the
//   main loop meanwhile, or a port whose events go to the main thread stalls
//   for seconds on every modem answer:
//     fax.SetYield([&] { mainDispatcher.RunPending(); });   // LoopDispatcher
//   In unit tests the port runs in manual dispatch mode and Pump() drives the
//   whole session on one thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "base/error_codes.h"
#include "base/wall_clock.h"
#include "comm/fax/class2_commands.h"
#include "comm/port/com_port.h"
#include "comm/fax/fax_owner.h"
#include "comm/fax/fax_session.h"

namespace telvane {

// What one call of the state machine is about.
enum class FaxEvent {
  Enter,    // the state was just entered and acts on its own
  Line,     // a complete response line from the modem
  Timeout,  // the time-out timer expired
  OutFree,  // the output buffer has room again
  OutSent,  // everything written has gone out
  Frame,    // Class 1: a T.30 frame was read and acted on (FaxSession::class1)
};

class FaxEngine {
 protected:
  // The DCN that ends T.30 before an error's hang-up (Class1CloseWithDcn).
  enum class DcnClose { NotTried, StopWait, WaitConnect, WaitOk, Sent, Skipped };

 public:
  FaxEngine(TApdComPort& port, IFaxOwner& owner, IMainThreadDispatcher* main = nullptr);
  virtual ~FaxEngine();
  FaxEngine(const FaxEngine&) = delete;
  FaxEngine& operator=(const FaxEngine&) = delete;

  // Settings for the next session; change them only while no session runs.
  FaxSession& Session() { return s_; }
  const FaxSession& Session() const { return s_; }

  // Runs a session: adds the engine's triggers (-5001 when there are none
  // left), prepares the modem, registers the state machine with the port,
  // enters state 1 and starts the status timer. Returns 0, or the error that
  // ended the session before it ran (then already reported through FaxError
  // and FaxFinish).
  int Start();
  // Cancels the session (-6005). Safe from any thread; an abort that arrives
  // while an event is being handled is taken right after it.
  void Abort();
  // Removes the triggers and the trigger receiver (also done by the destructor),
  // and closes the session's files: a received fax keeps its good pages only.
  void Stop();
  // The port is about to close under a session that has not ended (its call
  // was hung up, or its line dropped): nothing more comes from the modem, so
  // the session ends here, as a cancel when one was asked for, otherwise
  // with -2007 reported. Called by the port on the thread that closes it.
  void PortClosing();

  bool Running() const { return registered_ && !Finished(); }
  bool Finished() const;
  int State() const { return state_; }
  virtual const char* StateName(int state) const = 0;
  // Called on the main thread while synchronous waits run (preparation,
  // fixed delays); the GUI lets pending events run here.
  void SetYield(std::function<void()> fn) { yield_ = std::move(fn); }
  // The clock of the dates the session writes (header lines, the creation
  // time of a received fax).
  void SetWallClock(WallClock clock) { wallClock_ = std::move(clock); }

  // Told of every state change (tracing and tests); runs inside the event.
  std::function<void(int state)> OnStateChange;

  // The trigger receiver: one call handles one event completely.
  void HandleMessage(const TriggerMessage& m);

  // --- Pieces of the preparation, also used on their own by the tests ---
  // Sends `cmd` and a carriage return and waits for the answer: 0 when it is
  // OK (an information line may come first), ecFaxBadModemResult for ERROR
  // or a last line without OK, ecFatalTimeout when nothing came in time.
  // `lines` gets the lines read (the echo of the command left out).
  int SyncCommand(const std::string& cmd, std::vector<std::string>* lines = nullptr);
  // Finds the best class the modem offers (2.0, 2, 1); fcUnknown when none.
  TFaxClass DetectClass();

 protected:
  // The class-specific preparation run by Start() on the calling thread.
  virtual int Prepare() = 0;
  // One event in the current state.
  virtual void Dispatch(FaxEvent ev, const std::string& line) = 0;
  // States that take the modem's bytes raw (page data, flow characters)
  // consume them from `pending` themselves.
  virtual bool TakesRawInput() const { return false; }
  virtual void TakeRawInput(std::string& /*pending*/) {}
  // Whether the current state waits for a modem response (lines are read).
  virtual bool WaitsForResponse() const = 0;
  // The time-out timer expired in the current state.
  virtual void OnTimeout() = 0;
  virtual int FinishedState() const = 0;
  virtual int ErrorState() const = 0;
  // Closes whatever files the session holds open and turns off the port's
  // software flow control a session stopped in mid-call left on (Stop).
  virtual void ReleaseFiles() {}

  // --- For the machines ---
  // Moves to `state`; with `enter` the state runs once at once.
  void Goto(int state, bool enter = true);
  // Reports `code` (error notification) and moves to the error state.
  void Fail(int code);
  // Sets the progress code and sends a status notification.
  void Progress(int code);
  void StatusNow(FaxStatusKind kind = fsMiddle);
  // Waits ms milliseconds (the fixed pauses of the modem dialogue).
  void Delay(int ms);
  // The same with the owner's yield run every poll (Delay on the thread
  // that started the session).
  void PauseYielding(int ms);
  // Sends a command and a carriage return after the 100 ms pause, and arms
  // the response time-out.
  void SendCommand(const std::string& cmd, int timeoutTicks = -1);
  void Put(const std::string& bytes);
  void ArmTimeout(int ticks);
  void DisarmTimeout();
  void ArmOutFree(int level = 4096);
  void DisarmOutFree();
  void ArmOutSent();
  void RestartStatusTimer();
  // Runs fn; a comm exception it raises fails the session with its code.
  void Guarded(const std::function<void()>& fn);
  void ClearInput() { pending_.clear(); }

  // --- Class 1 link (class1_link.cpp), shared by both machines ---
  // A machine that wants a frame sends "AT+FRH=3" through Class1Command (or
  // dials with ExpectFrame()). When the modem answers "CONNECT" (the machine
  // sees that line as usual), the bytes up to DLE ETX are read as a frame:
  // a second CONNECT before it is skipped, bytes before the 0xFF address are
  // dropped, DLE DLE is one DLE; bytes running on past 1024 without DLE ETX
  // are noise, dropped as they come, and what they end in counts as no
  // frame. When the modem's "OK" confirms the frame,
  // ActOnFrame updates s_.class1 (and s_.remoteId, progress, failures), the
  // machine gets FaxEvent::Frame and then that "OK" as a FaxEvent::Line; so a
  // state acts on "OK" with s_.class1.frameReceived, lastFinal and lastFcf
  // telling which frame came. A frame followed by "ERROR" (bad check
  // sequence) is dropped; the machine sees only the "ERROR" line.
  // A line other than CONNECT before the frame (NO CARRIER, ERROR, OK)
  // ends the wait for it and is delivered as a line.
  //
  // Class 1 preparation: "AT+FCLASS=1" must answer OK (ecFaxInitError
  // otherwise), then `speedQuery` ("AT+FTM=?" sending, "AT+FRM=?"
  // receiving) fills s_.class1.local; an unanswered query leaves 2400/4800.
  int PrepareClass1(const std::string& speedQuery);
  // Sends `cmd` and a carriage return after `delayMs` (no further pause) and
  // arms the response time-out (or `timeoutTicks`); "AT+FRH=3" expects a frame.
  void Class1Command(const std::string& cmd, int delayMs, int timeoutTicks = -1);
  // The next "CONNECT" line starts a frame.
  void ExpectFrame();
  // Writes a frame after "CONNECT" to "AT+FTH=3".
  void SendFrame(std::uint8_t fcf, bool final, const std::vector<std::uint8_t>& fif = {});
  // TSI or CSI with the station ID.
  void SendIdFrame(std::uint8_t fcf, bool final);
  // What every Class 1 frame read means: DIS (decode, choose the speed,
  // -8060 for a page the remote cannot take, progress 4840), DCS (decode,
  // 4840), CFR, FTT (retrain at the next lower common speed, -8062 below
  // 2400), RTN (retrain needed), DCN (-6005 unless DcnExpected()), CSI/TSI
  // (remote ID, 4841).
  void ActOnFrame(const Class1Frame& frame);
  // Brings a Class 1 modem back to command mode from a transmission or a
  // reception (page data, TCF, frames) before it is hung up. With
  // `discardOutput` the bytes not yet written (page data, TCF) are dropped.
  void Class1StopModem(bool discardOutput);
  // The receiver waiting for the end of the call takes DCN as normal.
  virtual bool DcnExpected() const { return false; }

  // --- Class 1 call watch (class1_call.cpp) ---
  // A Class 1 call starts at the dial or the answer (`calling`: we dialled,
  // so our frames carry the T.30 X bit) and is on the line from its CONNECT.
  // While it is, the engine watches for the line going:
  //  - NO CARRIER while the modem transmits (frames, TCF, page data; page
  //    data is not read as lines, so the bytes waiting are looked at): the
  //    line went;
  //  - NO CARRIER while a frame is awaited: a carrier without a frame, or
  //    the line went; the modem is told to listen again, and a modem that
  //    has gone on hook refuses that: ERROR after NO CARRIER with no CONNECT
  //    between means the line went;
  //  - the port reports a hang-up (checked every second by the watch timer);
  //  - a frame read whose OK does not come within kFrameConfirmTicks: on a
  //    noisy line a T.31 modem never sees the carrier drop that confirms a
  //    final frame, so the line is too poor to carry T.30.
  // Each ends the call at once through OnLineLost (or, for the frame, a
  // failure with EndReason::PoorLine).
  void Class1BeginCall(bool calling);
  void Class1EndCall();
  bool InCall() const { return inCall_; }
  bool LineLost() const { return lineLost_; }
  // The modem is in command mode with no call left to end (the line went,
  // or the far end sent DCN and hangs up): ATH0 alone puts it on hook.
  bool QuickHangUp() const { return lineLost_ || s_.endReason == EndReason::RemoteHangUp; }
  // A line that went: the reason is noted, output dropped, and the machine
  // told. The default fails the fax or call with -8069.
  void LoseLine(EndReason reason);
  virtual void OnLineLost() { Fail(ecFaxSessionError); }
  // Puts a modem that lost its line on hook at once (no escape sequence, no
  // DTR drop: it is on hook already, or its port is gone).
  void HangUpLostLine();
  // Aborts the modem's reception (AT+FRH, AT+FRM) with a character; its OK
  // follows.
  void Class1CancelReceive();
  // Before the error state hangs up a Class 1 call that reached T.30 on a
  // line still there, DCN ends T.30 (phase E) so that the far end does not
  // wait for its time-outs. True while the DCN is on its way: the error state
  // is entered again once it is out, refused or timed out. ModemIdle() then
  // tells whether the modem is back in command mode already. With
  // `discardOutput` what is not yet written (page data, TCF) is dropped.
  bool Class1CloseWithDcn(bool discardOutput);
  bool ModemIdle() const { return dcnClose_ == DcnClose::Sent; }

  // Baud switching around a session.
  void SwitchToNormalBaud();
  void SwitchToInitBaud();
  // Lowers DTR and RTS for a moment (flushing both buffers first).
  void DropDtr();
  void HangUpSender();
  void HangUpReceiver();
  // Sends the user and the default init strings once per engine (or again
  // after a failed preparation): 0 or ecFaxBadModemResult.
  int SendInitStrings();
  // Resolves the class: detection for fcUnknown and fcDetect.
  int ResolveClass();
  // Loads the command table of the resolved class.
  void LoadCommands() { cmd_ = Class2Commands::For(s_.faxClass == fcClass2_0); }
  // Drops stale input, sets the port to 19200 (line settings otherwise
  // unchanged), DTR and RTS on.
  void PortToPrepareSpeed();
  void FinishSession(int code);

  TApdComPort& port_;
  FaxMessenger messenger_;
  FaxSession s_;
  Class2Commands cmd_;
  // Read without the lock by State() and Finished() on other threads.
  WallClock wallClock_ = SystemTime;
  std::atomic<int> state_{0};
  bool initSent_ = false;
  bool abortedByUser_ = false;
  bool firstStatusSent_ = false;
  // The state the session was in when it last moved to the error state.
  int failedState_ = 0;
  // A cancel is waiting to be taken (it is taken after the current event).
  bool AbortPending() const { return abortPending_; }
  DcnClose dcnClose_ = DcnClose::NotTried;
  int dcnCommandTries_ = 0;

 private:
  void RunEvent(FaxEvent ev, const std::string& line);
  void Settle();
  void TakeInput();
  void TakeAbort();
  void RemoveTriggersQuietly();
  void Serve(const TriggerMessage& m);
  bool NextLine(std::string& line);
  // Class 1 line events of a call (class1_call.cpp): true when the line was
  // used up (the line went, or the modem listens again).
  bool Class1WatchLine(const std::string& line);
  // Page data or TCF going out: NO CARRIER among the bytes waiting.
  bool Class1NoCarrierWaiting();
  void Class1Watch();
  void DcnCloseCommand();
  void DcnCloseLine(const std::string& line);
  void DcnCloseEnd(DcnClose how);
  bool DcnClosing() const {
    return dcnClose_ == DcnClose::StopWait || dcnClose_ == DcnClose::WaitConnect || dcnClose_ == DcnClose::WaitOk;
  }
  // Class 1: 1 when a frame was read, 0 when more bytes are needed, -1 when
  // a response line came instead.
  int ReadFrame();
  // Reads one line during the synchronous exchange; false at the time-out.
  bool SyncReadLine(std::string& line, const EventTimer& until);

  std::recursive_mutex lock_;
  int depth_ = 0;
  bool enterPending_ = false;
  std::atomic<bool> abortPending_{false};
  std::string pending_;   // bytes read from the modem and not yet used
  bool frameExpected_ = false;  // Class 1: CONNECT will start a frame
  bool frameMode_ = false;      // Class 1: reading a frame
  bool frameHeld_ = false;      // Class 1: a frame read, waiting for its OK
  bool frameOverlong_ = false;  // Class 1: dropping a frame too long to be one
  bool listening_ = false;      // Class 1: "AT+FRH=3" waits for a frame
  EventTimer confirmBy_{};      // Class 1: a frame read must be confirmed by then
  // Class 1 call state (class1_call.cpp).
  bool callStarted_ = false;    // dialled or answered; CONNECT puts it on the line
  bool inCall_ = false;
  bool calling_ = false;
  bool lineLost_ = false;
  bool modemBusy_ = false;      // a modulation command (or the answer) has had no final result yet
  bool cancelSent_ = false;     // ... and its reception was aborted: the result is on its way
  bool transmitCommand_ = false;  // the last command was +FTH or +FTM (or ATA)
  bool transmitting_ = false;   // ... and its CONNECT came: the modem transmits until its OK
  bool noCarrier_ = false;      // NO CARRIER came, and no CONNECT since
  bool t30Open_ = false;        // a frame went or came, and no DCN yet
  Class1Frame lastFrame_;
  std::function<void()> yield_;
  int receiverId_ = 0;
  int portWatch_ = 0;  // the port's close notification, while a session runs
  std::thread::id startThread_;  // the thread that ran Start (the main thread)
  std::atomic<bool> registered_{false};
  int timeoutTrigger_ = 0, statusTrigger_ = 0, outFreeTrigger_ = 0, outSentTrigger_ = 0, watchTrigger_ = 0;
  bool triggersAdded_ = false;

 protected:
  // GetEntry's guard against a call that arrives while the owner is asked
  // for the next fax (the owner may let events run meanwhile).
  bool inGetEntry_ = false;
};

}  // namespace telvane
