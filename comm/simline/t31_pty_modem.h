// One spandsp T.31 Class 1 fax modem emulation on a pseudo-terminal. The DTE
// opens PtyPath() as it would a serial port; this side is the pty master and
// the modem's host: it feeds the DTE's bytes to the AT interpreter, writes the
// modem's answers back, and leaves call progress (dialling, rings, answer,
// hang-up) to the line, which the emulation itself does not do.
#pragma once

#include <cstdint>
#include <string>

struct t31_state_s;
struct at_state_s;

namespace telvane {

class T31PtyModem {
 public:
  // What the DTE asked of the line. Called on the line's thread from inside
  // the emulation: the line records the request and acts on it afterwards.
  class Host {
   public:
    virtual ~Host() = default;
    virtual void OnDial(T31PtyModem& modem, const std::string& number) = 0;
    virtual void OnAnswer(T31PtyModem& modem) = 0;
    virtual void OnHangUp(T31PtyModem& modem) = 0;
    // A complete command line the DTE typed (without the CR).
    virtual void OnCommand(T31PtyModem& modem, const std::string& line) = 0;
  };

  T31PtyModem(std::string name, Host& host);
  ~T31PtyModem();
  T31PtyModem(const T31PtyModem&) = delete;
  T31PtyModem& operator=(const T31PtyModem&) = delete;

  // spandsp's own log of the emulation (to stderr): 0 none, 5 flow, 8 debug.
  void SetLogLevel(int level);

  // Opens the pseudo-terminal: 0 or a negated errno.
  int Open();
  const std::string& PtyPath() const { return path_; }
  const std::string& Name() const { return name_; }

  // The poll loop of the line: which events to wait for on MasterFd(), and
  // the handling of what poll() reported.
  int MasterFd() const { return master_; }
  short PollEvents() const;
  void OnPoll(short revents);

  // Audio, one block at a time: what the modem sends, what it hears.
  void Tx(int16_t* amp, int n);
  void Rx(const int16_t* amp, int n);

  // Call progress, as the line reports it.
  void Ring();          // the line rings this modem (RING; auto-answer by S0)
  void ResetRings();    // a new incoming call: rings of an earlier one do not count
  void Connected();     // the called side answered this modem's call
  void Answered();      // this modem's answer is through
  void Busy();          // BUSY
  void NoCarrier();     // nobody answered within S7: NO CARRIER
  void LineDropped();   // the far end or the line went: NO CARRIER if the DTE waits

  // S7 (seconds to wait for the far end) as the DTE set it; 0 when unset.
  int CarrierWaitSeconds() const;
  // True while the modem takes AT commands (not in a data or frame phase).
  bool InCommandMode() const;

 private:
  static int AtTx(at_state_s* at, void* user, const uint8_t* buf, size_t len);
  static int Control(t31_state_s* s, void* user, int op, const char* num);
  void Feed(const uint8_t* data, size_t n);
  void FeedCommandText(const uint8_t* data, size_t n);
  void Flush();
  void FlowToDte(bool stop);

  std::string name_;
  Host& host_;
  t31_state_s* t31_ = nullptr;
  int master_ = -1;
  int slaveKeep_ = -1;  // held open: the master sees no hang-up between DTE sessions
  std::string path_;
  std::string out_;       // modem output the DTE has not taken yet
  std::string line_;      // command line being typed
  bool holding_ = false;  // the modem's transmit buffer is full: read nothing more
  bool dteXoff_ = false;  // the DTE held back the modem's output (XOFF)
};

}  // namespace telvane
