// The Class 2 and Class 2.0 command tables, parameter strings and reports.
#include "comm/fax/class2_commands.h"
#include "comm/fax/t30_timing.h"

#include <cctype>

namespace telvane {

Class2Commands Class2Commands::For(bool class20) {
  Class2Commands c;
  c.class20 = class20;
  auto at = [](const char* s) { return std::string("AT+F") + s; };
  auto rsp = [](const char* s) { return std::string("+F") + s; };
  if (class20) {
    c.classSelect = at("CLASS=2.0");
    c.identity1 = at("MI?");
    c.identity2 = at("MM?");
    c.identity3 = at("MR?");
    c.capabilities = at("IS");
    c.localId = at("LI");
    c.modemCaps = at("CC");
    c.connectReport = rsp("CO");
    c.remoteCaps = rsp("IS");
    c.negotiated = rsp("CS");
    c.transmitterId = rsp("TI");
    c.calledId = rsp("CI");
    c.pageStatus = rsp("PS");
    c.hangupReport = "FHS";
  } else {
    c.classSelect = at("CLASS=2");
    c.identity1 = at("MDL?");
    c.identity2 = at("MFR?");
    c.identity3 = at("REV?");
    c.capabilities = at("DIS");
    c.localId = at("LID");
    c.modemCaps = at("DCC");
    c.connectReport = rsp("CON");
    c.remoteCaps = rsp("DIS");
    c.negotiated = rsp("DCS");
    c.transmitterId = rsp("TSI");
    c.calledId = rsp("CSI");
    c.pageStatus = rsp("PTS");
    c.hangupReport = "FHNG";
  }
  return c;
}

char SpeedChar(int bps) {
  switch (bps) {
    case 2400: return '0';
    case 4800: return '1';
    case 7200: return '2';
    case 12000: return '4';
    case 14400: return '5';
    default: return '3';
  }
}

int SpeedOfChar(char br) {
  switch (br) {
    case '0': return 2400;
    case '1': return 4800;
    case '2': return 7200;
    case '4': return 12000;
    case '5': return 14400;
    default: return 9600;
  }
}

std::string SenderModemCaps(const Class2Commands& c, bool fine, bool wide, int desiredBps, char ecm) {
  std::string s = c.modemCaps + "=";
  s += fine ? '1' : '0';
  s += ',';
  s += SpeedChar(desiredBps);
  s += ',';
  s += wide ? '1' : '0';
  s += ",2,0,";
  s += ecm;
  s += ",0,0";
  return s;
}

std::string ReceiverModemCaps(const Class2Commands& c, int desiredBps, char ecm) {
  std::string s = c.modemCaps + "=1,";
  s += SpeedChar(desiredBps);
  s += ",0,2,0,";
  s += ecm;
  s += ",0,0";
  return s;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

bool Contains(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

std::string ReportValue(std::string_view line) {
  std::string t = Trim(line);
  std::size_t at = t.find(':');
  if (at == std::string::npos) at = t.find('=');
  if (at != std::string::npos) t.erase(0, at + 1);
  return Trim(t);
}

Class2Params DecodeParams(std::string_view line) {
  std::string v = ReportValue(line);
  // Positions 1, 3, 5, 11 and 15 (counted from 1) of "VR,BR,WD,LN,DF,EC,BF,ST".
  auto at = [&v](std::size_t pos) { return pos <= v.size() ? v[pos - 1] : '\0'; };
  Class2Params p;
  p.fine = at(1) == '1';
  p.bps = SpeedOfChar(at(3));
  p.wide = at(5) == '1';
  p.ecm = at(11) == '1' || at(11) == '2';
  char st = at(15);
  p.scanTime = (st >= '0' && st <= '7') ? st - '0' : 0;
  p.minBytes = MinBytesPerLine(p.scanTime, p.fine, p.bps);
  return p;
}

std::string DecodeStationId(std::string_view line) {
  std::string v = ReportValue(line);
  if (!v.empty() && v[0] == '"') v[0] = ' ';
  while (!v.empty() && !std::isalnum(static_cast<unsigned char>(v.back()))) v.pop_back();
  return Trim(v);
}

int DecodeHangupCode(std::string_view line) {
  std::size_t at = line.find(':');
  if (at == std::string_view::npos) return 0;
  std::string digits;
  for (char c : line.substr(at + 1)) {
    if (c == ' ') continue;
    if (digits.size() == 3) break;
    digits += c;
  }
  // Class 2.0 modems write the cause as two hexadecimal digits where a
  // Class 2 modem writes decimal ones: "+FHS:A0" is the cause "+FHNG:100"
  // names. Each digit keeps its decimal place, so both dialects give one
  // numbering and a receive-side cause never reads as 0 (normal end).
  int code = 0;
  for (char c : digits) {
    int value;
    if (std::isdigit(static_cast<unsigned char>(c)))
      value = c - '0';
    else if (c >= 'A' && c <= 'F')
      value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      value = c - 'a' + 10;
    else
      break;
    code = code * 10 + value;
  }
  return code;
}

char ReportChar(std::string_view line) {
  std::size_t at = line.find(':');
  while (at != std::string_view::npos && at + 1 < line.size()) {
    char c = line[++at];
    if (c != ' ') return c;
  }
  return '\0';
}

}  // namespace telvane
