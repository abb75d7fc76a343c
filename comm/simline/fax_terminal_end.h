// A spandsp fax terminal (its own T.30 engine and modems) as one end of the
// simulated line: it sends the pages of a TIFF file or receives into one.
#pragma once

#include <cstdint>
#include <string>

struct fax_state_s;
struct t30_state_s;

namespace telvane {

// What a terminal's session came to.
struct TerminalResult {
  bool finished = false;       // phase E was reached
  int completionCode = -1;     // spandsp's T30_ERR_* code (0 = success)
  std::string completionText;  // its text
  int bitRate = 0;             // the speed negotiated last (bit/s)
  int pages = 0;               // pages sent or received and confirmed
  std::string remoteIdent;     // the far end's TSI or CSI
  int fttSent = 0;             // training checks it refused (receiving)
  int fttReceived = 0;         // training checks refused to it (sending)
  int encoding = 0;            // spandsp's T4_COMPRESSION_* of the pages
  int badRows = 0;             // rows it could not decode (receiving)
};

struct TerminalSettings {
  bool sends = false;       // send sendTiff, or receive into receiveTiff
  std::string tiffPath;
  std::string stationId;    // this terminal's TSI/CSI
  unsigned modems = 0;      // spandsp T30_SUPPORT_V27TER | V29 | V17; 0 = all three
  bool mhOnly = false;      // one-dimensional T.4 coding only
  bool a4Only = false;      // 1728-pixel pages only (no B4 or A3 width)
  int logLevel = 0;         // spandsp log level to stderr (0 = none)
  std::string logTag;
};

class FaxTerminalEnd {
 public:
  // callingParty: this end placed the call (sends CNG, waits for DIS).
  FaxTerminalEnd(const TerminalSettings& settings, bool callingParty);
  ~FaxTerminalEnd();
  FaxTerminalEnd(const FaxTerminalEnd&) = delete;
  FaxTerminalEnd& operator=(const FaxTerminalEnd&) = delete;

  void Tx(int16_t* amp, int n);
  void Rx(const int16_t* amp, int n);

  // Ends the session at once (the line dropped): phase E follows.
  void Terminate();
  bool Finished() const { return result_.finished; }
  const TerminalResult& Result() const { return result_; }

  // A DCS this terminal sent: its bit rate and modem family, once per DCS,
  // so that the line can refuse the training check that follows.
  bool TakeDcsSent(int& bitRate, bool& v17, bool& v29);
  // A page this (sending) terminal is about to transmit, once per page: it
  // got CFR, or MCF after its MPS.
  bool TakePageStart();

 private:
  static void PhaseE(t30_state_s* s, void* user, int code);
  static void Frame(t30_state_s* s, void* user, int incoming, const uint8_t* msg, int len);

  TerminalSettings settings_;
  fax_state_s* fax_ = nullptr;
  t30_state_s* t30_ = nullptr;
  TerminalResult result_;
  bool dcsSent_ = false;
  int dcsRate_ = 0;
  bool dcsV17_ = false, dcsV29_ = false;
  bool pageStart_ = false;
  bool sentMps_ = false;  // the last post-page command it sent was MPS
};

}  // namespace telvane
