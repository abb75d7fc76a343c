// Talking to the modem outside the state machines: the synchronous command
// exchange of the preparation, class detection, init strings, baud
// switching and hanging up.
#include <algorithm>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_engine.h"

namespace telvane {
namespace {

// Polling step of the synchronous exchange.
constexpr int kPollMs = 10;

}  // namespace

bool FaxEngine::SyncReadLine(std::string& line, const EventTimer& until) {
  line.clear();
  ITickClock& clock = port_.Clock();
  for (;;) {
    port_.Pump();  // a port run by hand moves only when told to
    char c;
    bool got = false;
    while (port_.GetChar(c)) {
      got = true;
      if (c == '\r') {
        line = Trim(line);
        if (!line.empty()) return true;
        line.clear();
      } else if (static_cast<unsigned char>(c) >= 32) {
        line += c;
        if (line.size() > 128) line.erase(0, 1);
      }
    }
    if (!got) {
      // An abort ends the wait at once; Start reports it.
      if (TimerExpired(clock, until) || abortPending_) return false;
      if (yield_) yield_();
      clock.SleepMs(kPollMs);
    }
  }
}

void FaxEngine::PauseYielding(int ms) {
  if (TApdBaseDispatcher* d = port_.Dispatcher()) d->WaitOutputDrained(0);
  ITickClock& clock = port_.Clock();
  for (int left = ms; left > 0; left -= kPollMs) {
    if (yield_) yield_();
    clock.SleepMs(std::min(left, kPollMs));
  }
}

int FaxEngine::SyncCommand(const std::string& cmd, std::vector<std::string>* lines) {
  if (lines) lines->clear();
  Delay(100);
  Put(cmd + "\r");
  EventTimer until = NewTimer(port_.Clock(), s_.responseTimeout);
  std::string line;
  do {
    if (!SyncReadLine(line, until)) return ecFatalTimeout;
  } while (line == cmd);  // the modem's echo
  if (lines) lines->push_back(line);
  if (Contains(line, "ERROR")) return ecFaxBadModemResult;
  if (Contains(line, "OK")) return ecOK;
  // An information response: its final result follows.
  do {
    if (!SyncReadLine(line, until)) return ecFatalTimeout;
  } while (line == cmd);
  if (lines) lines->push_back(line);
  // A second line without OK is not an answer to rely on (garbage, or a
  // modem that does not know the command).
  return Contains(line, "OK") && !Contains(line, "ERROR") ? ecOK : ecFaxBadModemResult;
}

TFaxClass FaxEngine::DetectClass() {
  std::vector<std::string> lines;
  int rc = SyncCommand(s_.defaultInit, &lines);
  if (rc == ecFaxBadModemResult && !lines.empty() && !Contains(lines.back(), "ERROR"))
    rc = SyncCommand(s_.defaultInit, &lines);  // once more, never a third time
  if (rc != ecOK) return fcUnknown;
  if (SyncCommand("AT+FCLASS=?", &lines) != ecOK) return fcUnknown;
  std::string classes;
  for (const std::string& l : lines)
    if (!Contains(l, "OK")) classes += l + ",";
  bool c1 = Contains(classes, "1");
  bool c20 = Contains(classes, "2.0");
  bool c2 = c20 ? Contains(classes, "2,") : Contains(classes, "2");
  if (c20) return fcClass2_0;
  if (c2) return fcClass2;
  if (c1) return fcClass1;
  return fcUnknown;
}

int FaxEngine::ResolveClass() {
  if (s_.faxClass == fcUnknown || s_.faxClass == fcDetect) {
    TFaxClass found = DetectClass();
    if (found == fcUnknown) return ecFaxBadModemResult;
    s_.faxClass = found;
  }
  return ecOK;
}

int FaxEngine::SendInitStrings() {
  if (initSent_) return ecOK;
  if (!s_.modemInit.empty() && SyncCommand(s_.modemInit) != ecOK) return ecFaxBadModemResult;
  if (SyncCommand(s_.defaultInit) != ecOK) return ecFaxBadModemResult;
  initSent_ = true;
  return ecOK;
}

void FaxEngine::PortToPrepareSpeed() {
  // Lines the modem sent after an earlier session ended (its hang-up report,
  // a late OK) would be read as the answer to the first command.
  port_.FlushInBuffer();
  port_.SetBaud(s_.initBaud != 0 ? s_.initBaud : 19200);
  port_.SetDTR(true);
  port_.SetRTS(true);
}

// The modem is prepared at the init speed and the call runs at the normal
// speed; without an init speed everything runs at 19200. The pause of 9
// ticks lets the modem finish its last answer at the old speed.
void FaxEngine::SwitchToNormalBaud() {
  if (s_.initBaud == 0) {
    port_.SetBaud(19200);
    return;
  }
  Delay(9 * kMsPerTick);
  port_.SetBaud(s_.normalBaud != 0 ? s_.normalBaud : 19200);
}

void FaxEngine::SwitchToInitBaud() {
  if (s_.initBaud == 0) {
    port_.SetBaud(19200);
    return;
  }
  Delay(9 * kMsPerTick);
  port_.SetBaud(s_.initBaud);
}

void FaxEngine::DropDtr() {
  port_.FlushOutBuffer();
  port_.FlushInBuffer();
  port_.SetDTR(false);
  port_.SetRTS(false);
  Delay(500);
  port_.SetDTR(true);
  port_.SetRTS(true);
  Delay(500);
}

namespace {

bool CarrierPresent(TApdComPort& port) {
  try {
    return port.DCD();
  } catch (const EAPDException&) {
    return false;
  }
}

}  // namespace

// The escape sequence needs a second of silence on both sides (S12 guard time).
void FaxEngine::HangUpSender() {
  try {
    // A last command (AT+FKS) goes out; page data the modem no longer takes
    // is thrown away so that the hang-up commands can follow.
    if (TApdBaseDispatcher* d = port_.Dispatcher()) d->WaitOutputDrained(1000);
    port_.FlushOutBuffer();
    if (CarrierPresent(port_)) {
      Delay(1000);
      Put("+++");
      Delay(1000);
      Put("ATH0\r");
      Delay(1000);
      port_.FlushOutBuffer();
      if (CarrierPresent(port_)) DropDtr();
    } else {
      Put("ATH0\r");
      Delay(1000);
      port_.FlushOutBuffer();
    }
  } catch (const EAPDException&) {
    // A port that fails now has nothing left to hang up.
  }
  pending_.clear();
}

void FaxEngine::HangUpReceiver() {
  try {
    // A last command (AT+FKS) goes out before the buffers are flushed.
    if (TApdBaseDispatcher* d = port_.Dispatcher()) d->WaitOutputDrained(1000);
    DropDtr();
    Delay(1000);
    Put("+++");
    Delay(1000);
    Put("ATH\r");
    Delay(1000);
    port_.FlushOutBuffer();
  } catch (const EAPDException&) {
  }
  pending_.clear();
}

}  // namespace telvane
