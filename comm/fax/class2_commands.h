// The Class 2 and Class 2.0 command sets: one table of command and response
// texts loaded when the class is known, the parameter strings built from the
// settings, and the decoding of what the modem reports.
#pragma once

#include <string>
#include <string_view>

namespace telvane {

// Commands and response prefixes of one dialect. Commands are "AT+F" and
// the suffix, responses "+F" and the suffix.
struct Class2Commands {
  bool class20 = false;
  std::string classSelect;      // AT+FCLASS=2.0 / AT+FCLASS=2
  std::string identity1;        // AT+FMI? / AT+FMDL?
  std::string identity2;        // AT+FMM? / AT+FMFR?
  std::string identity3;        // AT+FMR? / AT+FREV?
  std::string capabilities;     // AT+FIS / AT+FDIS
  std::string localId;          // AT+FLI / AT+FLID
  std::string modemCaps;        // AT+FCC / AT+FDCC
  std::string connectReport;    // +FCO / +FCON
  std::string remoteCaps;       // +FIS / +FDIS
  std::string negotiated;       // +FCS / +FDCS
  std::string transmitterId;    // +FTI / +FTSI
  std::string calledId;         // +FCI / +FCSI
  std::string pageStatus;       // +FPS / +FPTS
  std::string hangupReport;     // FHS / FHNG, found anywhere in a line

  static Class2Commands For(bool class20);
};

// Session parameters as the modem reports them (VR, BR, WD, EC, ST), with
// what follows from them.
struct Class2Params {
  int bps = 0;           // 0 until the modem has reported the session's parameters
  bool fine = false;
  bool wide = false;
  bool ecm = false;
  int scanTime = 0;      // scan-line time code 0..7
  int minBytes = 0;      // minimum bytes per scan line
};

// Speed character of the parameter strings for a desired speed.
char SpeedChar(int desiredBps);
// Bits per second of a BR character.
int SpeedOfChar(char br);

// "AT+FDCC=<vr>,<br>,<wd>,2,0,<ec>,0,0" for a sender.
std::string SenderModemCaps(const Class2Commands& c, bool fine, bool wide, int desiredBps, char ecm);
// "AT+FDCC=1,<br>,0,2,0,<ec>,0,0" for a receiver.
std::string ReceiverModemCaps(const Class2Commands& c, int desiredBps, char ecm);

// The value part of a report: trimmed, up to and including the first colon
// (or, without one, the first equals sign) removed, trimmed again.
std::string ReportValue(std::string_view line);
// Decodes "+FDCS:0,3,0,2,0,0,0,0" style reports.
Class2Params DecodeParams(std::string_view line);
// The station ID of a "+FCSI:" or "+FTSI:" report, cleaned of quotes and
// trailing punctuation.
std::string DecodeStationId(std::string_view line);
// The hang-up code of a hang-up report (0 when none is given).
int DecodeHangupCode(std::string_view line);
// The character after the colon of a report ('\0' when there is none).
char ReportChar(std::string_view line);

std::string Trim(std::string_view s);
bool Contains(std::string_view line, std::string_view what);

}  // namespace telvane
