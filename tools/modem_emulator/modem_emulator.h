// A Class 2 / Class 2.0 fax modem on a pseudo-terminal, for tests and for the
// command line. The DTE opens SlavePath() as it would open a serial port; the
// emulator answers on the master side as a DCE of the selected dialect does
// (Class 2 of the SP-2388 draft, Class 2.0 of ITU-T T.32 / EIA-592) and plays
// the far end of the line from a FarEnd description.
//
// One worker thread runs a poll loop over the master and a wake-up pipe; all
// state belongs to it and is read by the accessors under one lock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/modem_emulator/at_command.h"
#include "tools/modem_emulator/far_end.h"
#include "tools/modem_emulator/t30_params.h"

namespace telvane::emu {

struct EmulatorOptions {
  bool class2 = true;   // the modem offers Class 2 ...
  bool class20 = true;  // ... and Class 2.0 (+FCLASS=? lists what it offers)
  FarEnd farEnd;
};

// A page that reached the far end from a sending DTE.
struct SentPage {
  SessionParams dcs;       // the parameters it was sent with
  std::vector<uint8_t> data;  // T.4 data as on the line (first bit in bit 0), DLE undone
  char terminator = 0;     // Class 2.0: ',', ';', '.' or 0 for DLE ETX
  int postPage = -1;       // the post-page message: 0 MPS, 1 EOM, 2 EOP (as +FET)
  bool confirmed = false;  // answered with MCF (or RTP)
  int lines = 0;           // lines a T.4 decoder delivered
  uint32_t badCodes = 0;
};

class ModemEmulator {
 public:
  explicit ModemEmulator(EmulatorOptions options);
  ~ModemEmulator();
  ModemEmulator(const ModemEmulator&) = delete;
  ModemEmulator& operator=(const ModemEmulator&) = delete;

  // Opens the pseudo-terminal and starts the worker. 0 or a negated errno.
  int Start();
  void Stop();
  const std::string& SlavePath() const { return slavePath_; }

  // The far end starts ringing (an incoming call as FarEnd describes it).
  void PlaceCall();

  // What happened, for assertions (copies, taken under the lock).
  std::vector<SentPage> SentPages() const;
  std::vector<SentPage> ConfirmedPages() const;
  std::string DteStationId() const;       // the ID the DTE set (+FLID/+FLI)
  std::vector<std::string> Commands() const;  // every command line received
  int CallsDialled() const;
  int PagesDelivered() const;
  int XoffsSent() const;  // times the modem held a sending DTE back  // pages handed to a receiving DTE and kept (status good)
  bool InCall() const;
  int Rings() const;

  // Waits until `done` holds or the time passes; `done` may call the accessors.
  bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) const;

 private:
  using Clock = std::chrono::steady_clock;
  enum class Mode {
    kCommand,   // AT commands
    kBusy,      // an action command runs; any character aborts ATD/ATA
    kDataIn,    // page data from the DTE (after +FDT)
    kWaitDc2,   // after +FDR's CONNECT, until the DTE's DC2
    kDataOut,   // page data to the DTE
    kOnline,    // a data call: bytes go to the line, "+++" escapes
  };
  enum class Call { kNone, kRinging, kFaxSend, kFaxReceive, kData };

  // worker
  void Run();
  void OnInput(const uint8_t* data, size_t n);
  void CommandChar(uint8_t c);
  void ExecuteLine(const std::string& line);
  bool Execute(const AtCommand& cmd, bool& async);
  bool ExecuteBasic(const AtCommand& cmd, bool& async);
  bool ExecuteFax(const AtCommand& cmd, bool& async);
  bool Parameter(const AtCommand& cmd, std::string& value, const std::string& ranges,
                 const std::function<bool(const std::string&)>& valid);
  void Reset();

  // calls and fax phases
  void Dial(const std::string& number);
  void Answer();
  void HangUp();
  void Ring();
  void StartSendPage();        // +FDT
  void PageDataIn(uint8_t c);
  void EndOfPageIn(char terminator);
  void PageLeft(char terminator);
  void PostPage(int ppm);      // +FET or a Class 2.0 terminator
  void StartReceivePage();     // +FDR
  void PumpDataOut();
  void EndOfPageOut();
  void RemoteHangUp(int code);
  bool FaxClass() const { return fclass_ == "2" || fclass_ == "2.0"; }
  Dialect CurrentDialect() const { return fclass_ == "2.0" ? Dialect::kClass20 : Dialect::kClass2; }
  bool Is20() const { return fclass_ == "2.0"; }
  std::string FaxName(const char* class2, const char* class20) const { return Is20() ? class20 : class2; }

  // output
  void Send(const std::string& bytes);
  void Info(const std::string& text);
  void Result(const char* verbose, int numeric);
  void Final(bool ok) { ok ? Result("OK", 0) : Result("ERROR", 4); }
  void After(int ms, std::function<void()> fn);  // runs on the worker unless the call state changed
  void Wake();

  EmulatorOptions options_;
  FarEnd& far_;
  std::string slavePath_;
  int master_ = -1;
  int slaveKeep_ = -1;   // held open so the master never sees a hang-up between DTE sessions
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::thread worker_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stop_ = false;
  bool callRequested_ = false;

  // modem state (worker only, under mutex_)
  Mode mode_ = Mode::kCommand;
  Call call_ = Call::kNone;
  std::string line_;           // command line being typed
  bool sawA_ = false;
  bool inLine_ = false;        // "AT" seen, collecting up to S3
  bool abortable_ = false;     // ATD/ATA in progress: a character abandons it
  std::string lastLine_;
  std::string out_;
  bool echo_ = true, quiet_ = false, verbose_ = true;
  int xLevel_ = 4;
  int sreg_[256] = {};
  std::string fclass_ = "0";
  SessionParams caps_;         // +FDCC / +FCC
  SessionParams session_;      // +FDIS / +FIS
  SessionParams dcs_;          // +FDCS / +FCS
  std::string localId_;        // +FLID / +FLI, quoted as given
  std::map<std::string, std::string> params_;  // other parameters by Class 2.0 name
  int fcr_ = 0, faa_ = 0, bor_ = 0, flo_ = 0;
  int fnr_[4] = {0, 0, 0, 0};  // Class 2.0 +FNR: rpr, tpr, idr, nsr
  int pageStatus_ = 1;         // +FPTS / +FPS
  int lastHangUp_ = 0;         // +FHS?
  bool silent_ = false, garbage_ = false;
  uint32_t garbageSeed_ = 12345;
  uint64_t epoch_ = 0;         // changes with every call event; stale timers do nothing
  std::multimap<Clock::time_point, std::pair<uint64_t, std::function<void()>>> timers_;
  int ringCount_ = 0, totalRings_ = 0;
  // guard time for "+++"
  Clock::time_point lastInput_{};
  int plusCount_ = 0;

  // sending DTE
  bool dcsSent_ = false;       // DCS exchanged for the current document
  bool dleSeen_ = false;
  std::vector<uint8_t> pageIn_;
  int sendPageNo_ = 1;         // the page the far end expects next
  std::map<int, int> refusals_;
  bool waitingFet_ = false;
  Clock::time_point pageStart_{};  // CONNECT of the page on the line
  // Page data from the DTE not yet on the line (with FarEnd::lineRate).
  size_t lineQueued_ = 0;
  bool heldBack_ = false;
  int xoffsSent_ = 0;
  void DrainLine();

  // receiving DTE
  size_t recvPage_ = 0;        // index into far_.pages of the page being sent
  std::vector<uint8_t> outPage_;  // bytes for the DTE, framing done
  size_t outPos_ = 0;
  size_t pageBytesOut_ = 0;
  bool xoff_ = false;
  bool garbledNow_ = false;
  bool carrierLost_ = false;
  bool firstFdr_ = true;
  bool documentDone_ = false;
  int lastVr_ = -1;
  std::map<int, int> garbles_;

  // records
  std::vector<SentPage> sent_;
  std::vector<std::string> commands_;
  int dialled_ = 0;
  int delivered_ = 0;
};

}  // namespace telvane::emu
