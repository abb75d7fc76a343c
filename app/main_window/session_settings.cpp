#include "app/main_window/session_settings.h"

#include "app/main_window/main_settings.h"
#include "app/platform/app_paths.h"

namespace telvane {

using namespace mainsettings;

int DesiredBpsOfIndex(int index) {
  if (index < 0 || index >= static_cast<int>(kBaudRates.size())) return 9600;
  return kBaudRates[static_cast<std::size_t>(index)];
}

TFaxClass FaxClassOfIndex(int index) { return static_cast<TFaxClass>(index + 1); }

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

LogFileNames LogFileNamesOf(const std::string& box, const std::string& programDir) {
  LogFileNames names;
  if (box.find('.') == std::string::npos) {
    const std::string folder = box.empty() ? programDir : WithTrailingSlash(box);
    names.log = folder + "Telvane.log";
  } else {
    names.log = box;
  }
  names.trace = FolderOf(names.log) + "Telvane.trc";
  names.log = CutText(names.log);
  names.trace = CutText(names.trace);
  return names;
}

void ApplySessionSettings(const SessionSettings& s, const std::string& programDir, SessionComponents c) {
  c.send.SetStationID(CutText(s.stationId));
  c.receive.SetStationID(CutText(s.stationId));
  c.send.SetModemInit(s.initString);
  c.send.SetToneDial(s.toneDial);
  c.send.SetBlindDial(!s.toneDial);
  c.receive.SetModemInit(s.initString);
  c.receive.SetAnswerOnRing(s.ringIndex);
  c.send.SetFaxClass(FaxClassOfIndex(s.classIndex));
  c.receive.SetFaxClass(FaxClassOfIndex(s.classIndex));
  c.receive.SetFaxNameMode(s.nameStyleIndex + 1);
  c.send.SetDesiredBPS(DesiredBpsOfIndex(s.baudIndex));
  c.receive.SetDesiredBPS(DesiredBpsOfIndex(s.baudIndex));
  const std::uint32_t size = s.logSizeLarge ? kLogSizeLarge : kLogSizeSmall;
  c.port.SetLogSize(size);
  c.port.SetTraceSize(size);
  if (!s.logName.empty()) {
    const LogFileNames names = LogFileNamesOf(s.logName, programDir);
    if (s.logName.find('.') == std::string::npos) MakeFolder(FolderOf(names.log));
    c.port.SetLogName(names.log);
    c.port.SetTraceName(names.trace);
  }
  c.receive.SetDestinationDir(WithTrailingSlash(s.receiveDir));
  c.send.SetEnhTextEnabled(s.enhText);
  if (s.rtsCts) c.port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  if (s.xonXoff) c.port.SetSWFlowOptions(swfBoth);
  c.send.SetEnhHeaderFont(s.font);
  c.send.SetEnhFont(s.font);
}

}  // namespace telvane
