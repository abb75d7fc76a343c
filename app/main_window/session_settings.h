// What the main window copies into the port and fax components before every
// session, taken from its controls, and the rules behind the copy.
#pragma once

#include <string>

#include "comm/components/receive_fax.h"
#include "comm/components/send_fax.h"
#include "comm/port/com_port.h"
#include "faxdoc/text_renderer.h"

namespace telvane {

struct SessionSettings {
  std::string stationId;
  std::string initString;   // the init-string box
  bool toneDial = true;
  int ringIndex = 0;
  int classIndex = 1;       // "自动", "class1", "class2", "class2.0"
  int nameStyleIndex = 0;   // "FAXnnnn.APF", "mmddnnnn.APF"
  int baudIndex = 5;
  bool logSizeLarge = false;  // "1M" rather than "6k"
  std::string logName;        // the log-name box
  std::string receiveDir;     // the receive-folder box
  bool enhText = true;        // "使用Windows字体"
  bool rtsCts = true;         // the RTS/CTS button is checked
  bool xonXoff = false;       // the XON/XOFF button is checked
  FaxFontSpec font;           // the font last confirmed in either font dialog
};

struct SessionComponents {
  TApdComPort& port;
  TApdSendFax& send;
  TApdReceiveFax& receive;
};

// The desired line rate of a baud choice; 9600 for an index out of the list.
int DesiredBpsOfIndex(int index);
// The fax class of a class choice: the index plus one.
TFaxClass FaxClassOfIndex(int index);

struct LogFileNames {
  std::string log;
  std::string trace;
};
// The port's log and trace files named by the log-name box. A text without
// "." names a folder (empty: `programDir`), which gets "Telvane.log"; any
// other text is the log file itself. The trace file is "Telvane.trc" in the
// log file's folder. Both are cut to 255 characters.
LogFileNames LogFileNamesOf(const std::string& box, const std::string& programDir);

// Copies `s` into the components in a fixed order (station IDs, init strings,
// dialling, rings, class, naming, rates, log sizes and names, receive folder,
// enhanced text, flow control, fonts). The folder of a folder-style log name
// is created when missing.
void ApplySessionSettings(const SessionSettings& s, const std::string& programDir, SessionComponents c);

}  // namespace telvane
