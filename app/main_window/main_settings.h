// The main window's stored settings: where they live, their value names, and
// the fixed tables behind the choices on the configuration page.
#pragma once

#include <array>

namespace telvane::mainsettings {

inline constexpr const char* kSettingsKey = "software\\Kestrel\\Fax";
inline constexpr const char* kDeviceKey = "software\\Kestrel\\telphone";
inline constexpr const char* kModemValue = "Modem";

// Value names, in the order start-up loads them.
inline constexpr const char* kModemInit = "ModemInit";
inline constexpr const char* kHWFControl = "HWFControl";
inline constexpr const char* kFaxClass = "FaxClass";
inline constexpr const char* kToneDial = "ToneDial";
inline constexpr const char* kDialWait = "DialWait";
inline constexpr const char* kDialAttempt = "DialAttempt";
inline constexpr const char* kRing = "Ring";
inline constexpr const char* kFaxFileType = "FaxFileType";
inline constexpr const char* kFaxFileNameType = "FaxFileNameType";
inline constexpr const char* kStationID = "StationID";
inline constexpr const char* kBauds = "Bauds";
inline constexpr const char* kLogName = "LogName";
inline constexpr const char* kDestionPath = "DestionPath";
inline constexpr const char* kEnhTextEnabled = "EnhTextEnabled";
inline constexpr const char* kHeaderLine = "HeaderLine";
inline constexpr const char* kHeaderTitle = "HeaderTitle";
inline constexpr const char* kSenderName = "SenderName";
inline constexpr const char* kFaxNumber = "FaxNumber";
inline constexpr const char* kRecipientName = "RecipientName";
inline constexpr const char* kFaxFile = "FaxFile";
inline constexpr const char* kCoverFile = "coverFile";
inline constexpr const char* kDialPrefix = "DialPrefix";
inline constexpr const char* kNoCover = "NoCover";
inline constexpr const char* kLogSize = "LogSize";
inline constexpr const char* kAutoAnswer = "AutoAnswer";
inline constexpr const char* kPrinter = "Printer";
// Numbers the simulated line makes busy or leaves unanswered (a text of
// numbers separated by ';' or blanks; set by hand, for trying failed calls).
inline constexpr const char* kSimulatedLineBusy = "SimulatedLineBusy";
inline constexpr const char* kSimulatedLineNoAnswer = "SimulatedLineNoAnswer";
// What the simulated line's caller sends while the window waits for calls
// (an APF or TIFF file; the built-in sample fax when unset), and the seconds
// from arming until its call.
inline constexpr const char* kSimulatedLineIncoming = "SimulatedLineIncoming";
inline constexpr const char* kSimulatedLineCallDelay = "SimulatedLineCallDelay";
inline constexpr int kDefaultSimulatedCallDelay = 3;

inline constexpr const char* kDefaultHeaderTitle = "Fax sent by $I using  Telvane    $D $T";
inline constexpr int kDefaultDialWait = 60;
inline constexpr int kDefaultDialAttempts = 3;
inline constexpr int kDefaultBaudIndex = 5;
inline constexpr int kDefaultClassIndex = 1;

struct InitPreset {
  const char* item;    // the list item, trailing blanks included
  const char* command;  // the init string it puts into the box
};
inline constexpr std::array<InitPreset, 8> kInitPresets{{
    {"无", ""},
    {"Rts/Cts流控制", "ATE1Q0V1X4S0=0S2=43"},
    {"标准的Rts/Cts流控制  ", "AT&F&C1&D2S7=100"},
    {"k3标准的Rts/Cts流控制 ", "AT&F&C1&D2&K3S7=60"},
    {"k4标准的Xon/Xoff流控制 ", "AT&F&C1&D2&K4S7=60"},
    {"\\Q3标准的Rts/Cts流控制 ", "AT&F&C1&D2\\Q3S7=60"},
    {"\\Q1标准的Xon/Xoff流控制 ", "AT&F&C1&D2\\Q1S7=60"},
    {"Aceex标准Rts/Cts流控制  ", "AT&F&C1&D2S7=60"},
}};

inline constexpr std::array<int, 10> kBaudRates{300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<const char*, 4> kClassItems{"自动", "class1", "class2", "class2.0"};
inline constexpr std::array<const char*, 2> kDialItems{"音频拨号", "脉冲拨号"};
inline constexpr std::array<const char*, 5> kFaxFileTypeItems{"BMP", "DCX", "PCX", "TIFF", "APF"};
inline constexpr std::array<const char*, 2> kNameStyleItems{"FAXnnnn.APF", "mmddnnnn.APF"};
inline constexpr std::array<const char*, 2> kLogSizeItems{"1M", "6k"};
inline constexpr std::array<const char*, 2> kCoverItems{"无覆盖页", "包括覆盖页"};

// Port log and trace sizes of the two log-size choices.
inline constexpr int kLogSizeLarge = 1000000;
inline constexpr int kLogSizeSmall = 65521;

}  // namespace telvane::mainsettings
