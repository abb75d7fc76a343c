// The simulated fax line: one or two spandsp T.31 Class 1 modems on
// pseudo-terminals, connected through a two-way audio path (8000 samples a
// second in 20 ms blocks, paced in real time or N times faster) to a spandsp
// fax terminal or to each other, with the call progress a telephone line
// gives (rings, answer, busy, no answer, hang-up) and faults for tests.
//
//   SimLineConfig config;
//   config.farEnd = SimLineConfig::TerminalReceives;
//   config.receiveTiff = "/tmp/in.tif";
//   SimLine line;
//   if (line.Start(config) == 0) {
//     open line.PtyPath(0) as a serial port, dial any number, send a fax
//     line.WaitDone(120); SimLineResult r = line.Result();
//   }
//
// Call progress, in line time: the called side first rings 1 s after ATD,
// then every 6 s (a modem reports RING and counts rings per call for its
// auto-answer S0; a terminal picks up 2 s into its answerAfterRings-th
// ring; a called modem whose DTE answers before the first ring connects at
// once); the caller's modem gets CONNECT through the emulation once the
// answering side is heard, NO CARRIER when S7 runs out first, BUSY 2 s after
// dialling a busy line. ATH on either modem ends the call (the other modem
// learns of it 0.2 s later); a terminal that has finished hangs up 1 s after
// its last frame, so that the frame reaches the DTE first.
//
// Everything runs on one thread of the line's own. PtyPath(), WaitDone(),
// Result() and Stop() may be called from any thread, also while another
// thread stops the line; Start() and Error() belong to the thread that owns
// the line.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "comm/simline/fax_terminal_end.h"

namespace telvane {

struct SimLineConfig {
  enum FarEnd {
    TerminalReceives,   // modem A on a pty; a terminal answers A's calls and receives into receiveTiff
    TerminalSends,      // modem A on a pty; a terminal calls A and sends sendTiff
    SecondModem,        // modems A and B on two ptys; either dials, the other rings
    TerminalToTerminal  // no pty: a terminal sending sendTiff calls one receiving into receiveTiff
  };
  FarEnd farEnd = TerminalReceives;
  std::string sendTiff;     // the pages a terminal sends (TIFF/F, T.4 coded)
  std::string receiveTiff;  // where a terminal receives; call N > 1 goes to "<stem>-N<ext>"
  std::string stationId = "SIMULATED LINE";  // the terminal's TSI/CSI (the receiving one's)
  std::string senderStationId = "SIMULATED SENDER";  // TerminalToTerminal: the sending terminal's
  // Modems the terminal(s) may use, spandsp T30_SUPPORT_V27TER (4800, 2400),
  // T30_SUPPORT_V29 (9600, 7200) and T30_SUPPORT_V17 (14400-7200) or'ed;
  // 0 means all three.
  unsigned peerModems = 0;
  // Page codings the terminal(s) may use: false allows the two-dimensional
  // codings spandsp offers; true keeps to one-dimensional T.4 (MH), as the
  // program's own fax files are coded, for like-for-like comparisons.
  bool peerMhOnly = false;
  // The terminal(s) take A4 width only (1728 pixels): their DIS offers no
  // B4, and a DCS that asks for it is answered with DCN.
  bool peerA4Only = false;
  // Line time per real time: 1 is real time, 4 four times faster. 0 runs as
  // fast as the processor allows and is only taken for TerminalToTerminal
  // (a DTE cannot keep up with an unpaced line).
  double pace = 1.0;
  // When a DTE gets the turn in a call (its modem waits in command state for
  // the next command), the line runs in real time for this long (wall-clock
  // seconds), then at the pace again. T.30 leaves a station 75 ms between a
  // DCS and its TCF; a DTE whose "wait 40 ms, AT+FRM" takes a tick or two
  // would, at four times real time, start its receiver far into the TCF's
  // training and miss it. Its short reactions stay as on a real line; long
  // waits, tones, frames and pages run at the pace. 0 turns this off.
  double dteTurnRealSeconds = 0.15;
  int delayMs = 40;                   // one-way delay of the line
  std::optional<double> noiseDbm0;    // white noise on both directions while connected
  // All times below are line time (seconds of audio), not wall-clock time.
  // > 0: the line fails this long after the answer: the call ends at once,
  // a modem says NO CARRIER to a DTE that waits for it or sends data, a
  // terminal stops with "The call dropped prematurely".
  double dropAfterSeconds = 0;
  // > 0: the line goes silent both ways for gapSeconds, gapAfterSeconds
  // after the answer, and comes back: the call stays up, the modems and
  // terminals hear nothing meanwhile (a fading line, a bad exchange).
  double gapAfterSeconds = 0;
  double gapSeconds = 0;
  // > 0: the drop and the gap count from the start of the Nth page of the
  // call (1 is the first) instead of from the answer. A page starts when a
  // DTE's modem is told to transmit one (AT+FTM after frames it received:
  // CFR or MCF) or when a sending terminal gets CFR, or MCF after its MPS.
  // A drop or gap so placed falls inside that page's data.
  int faultInPage = 0;
  // > 0: a training check (TCF) at this speed is garbled: its first part,
  // long enough for the receiver to train (1.75 s for V.17, 0.55 s for V.29,
  // 1-1.25 s for V.27 ter), goes through, the rest is drowned in noise as
  // loud as the signal, so the receiver finds far too short a run of zero
  // bits and answers FTT once the sender stops. Applies to a TCF a DTE sends
  // (the AT+FTM that follows its own frames, i.e. its DCS) and to one the
  // terminal sends after its DCS; checks at other speeds pass, so the
  // sender steps down and carries on.
  int refuseTrainingBps = 0;
  // > 0: the line ends a call that lasts longer than this. spandsp's
  // terminals never give up on a line too noisy for their frames (their
  // timers stop while they hear a carrier), so noisy tests need a limit.
  double maxCallSeconds = 0;
  bool neverAnswer = false;  // the called side never picks up: the caller gets NO CARRIER after S7
  bool busy = false;         // every call gets BUSY
  // Numbers a modem dials that are busy, or that nobody answers (compared
  // as dialled, without the dial prefix characters T, P, W and ',').
  std::vector<std::string> busyNumbers;
  std::vector<std::string> unansweredNumbers;
  int answerAfterRings = 1;  // the terminal picks up after this many rings
  double callDelaySeconds = 1.0;  // a calling terminal dials this long after the start and after each call
  int calls = 1;             // calls served before the line is done; 0 = until Stop()
  int logLevel = 0;          // spandsp's own log of modems and terminals (to stderr): 0 none, 5 flow, 8 debug
  // Line events ("A: RING", "A: AT+FTM=145 training refused", ...), on the line's thread.
  std::function<void(const std::string&)> log;
};

// One call, as the line saw it.
struct CallRecord {
  int caller = 0;              // 0: side A (modem A, or the sending terminal); 1: side B
  bool answered = false;
  bool busy = false;
  bool noAnswer = false;       // S7 ran out
  bool dropped = false;        // the drop fault ended it
  bool silenced = false;       // the gap fault silenced it for a while
  int pagesStarted = 0;        // page transmissions the line saw start
  bool timedOut = false;       // maxCallSeconds ended it
  int rings = 0;
  int trainingsRefused = 0;    // training checks the line cut
  double lineSeconds = 0;      // from the answer to the end of the call, in line time
  double realSeconds = 0;      // the same in wall-clock time
  TerminalResult terminal;     // the terminal (TerminalToTerminal: the receiving one)
  TerminalResult sender;       // TerminalToTerminal: the sending terminal
};

struct SimLineResult {
  std::vector<CallRecord> calls;  // ended calls, in order
  bool done = false;              // the configured number of calls has ended
};

class SimLine {
 public:
  SimLine();
  ~SimLine();
  SimLine(const SimLine&) = delete;
  SimLine& operator=(const SimLine&) = delete;

  // Checks the configuration, opens the pseudo-terminal(s) and starts the
  // line's thread: 0, -EINVAL for a configuration that cannot work (Error()
  // says why), -ENOENT for a TIFF to send that cannot be read, or a negated
  // errno from opening a pty.
  int Start(const SimLineConfig& config);
  const std::string& Error() const { return error_; }
  // The device a DTE opens for side 0 (A) or 1 (B); empty where there is none.
  std::string PtyPath(int side) const;
  // Waits until the configured calls have ended: true, or false on time-out
  // or when the line is stopped first.
  bool WaitDone(double seconds);
  SimLineResult Result() const;
  // Stops the thread and closes the pseudo-terminals; a call in progress is
  // dropped. Result() stays readable until the next Start().
  void Stop();

 private:
  class Engine;
  std::shared_ptr<Engine> CurrentEngine() const;

  // An accessor holds its own reference to the engine, so that a Stop() on
  // another thread cannot free it under a WaitDone() or Result().
  mutable std::mutex mutex_;        // guards engine_ and final_
  std::shared_ptr<Engine> engine_;
  SimLineResult final_;             // what the line came to, once stopped
  std::mutex startStop_;            // one Start() or Stop() at a time; guards thread_
  std::thread thread_;
  std::string error_;
};

}  // namespace telvane
