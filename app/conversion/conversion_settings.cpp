#include "app/conversion/conversion_settings.h"

#include <QSettings>

namespace telvane {
namespace {

const QString kSection = QStringLiteral("FaxConvert/");

// Numbers and flags are written as decimal integers (flags 1 and 0), as INI
// files of this kind hold them; a value that is no number keeps the default.
int ReadInt(const QSettings& ini, const char* key, int fallback) {
  bool ok = false;
  const int value = ini.value(kSection + QLatin1String(key)).toString().trimmed().toInt(&ok);
  return ok ? value : fallback;
}

bool ReadBool(const QSettings& ini, const char* key, bool fallback) { return ReadInt(ini, key, fallback) != 0; }

QString ReadString(const QSettings& ini, const char* key, const QString& fallback) {
  const QVariant value = ini.value(kSection + QLatin1String(key));
  return value.isValid() ? value.toString() : fallback;
}

}  // namespace

FaxCvtOptions FaxConvertSettings::Options() const {
  return static_cast<FaxCvtOptions>((doubleWidth ? coDoubleWidth : 0) | (halfHeight ? coHalfHeight : 0) |
                                    (centerImage ? coCenterImage : 0) | (yield ? coYield : 0) |
                                    (yieldOften ? coYieldOften : 0));
}

void FaxConvertSettings::SetOptions(FaxCvtOptions options) {
  doubleWidth = options & coDoubleWidth;
  halfHeight = options & coHalfHeight;
  centerImage = options & coCenterImage;
  yield = options & coYield;
  yieldOften = options & coYieldOften;
}

FaxConvertSettings LoadConvertSettings(const QString& iniFile, const FaxConvertSettings& defaults) {
  const QSettings ini(iniFile, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) return defaults;
  FaxConvertSettings s;
  s.lastInDir = ReadString(ini, "LastInDir", defaults.lastInDir);
  s.lastOutDir = ReadString(ini, "LastOutDir", defaults.lastOutDir);
  s.enhTextEnabled = ReadBool(ini, "EnhTextEnabled", defaults.enhTextEnabled);
  s.enhFontName = ReadString(ini, "EnhFont.Name", defaults.enhFontName);
  s.enhFontSize = ReadInt(ini, "EnhFont.Size", defaults.enhFontSize);
  s.leftMargin = ReadInt(ini, "LeftMargin", defaults.leftMargin);
  s.topMargin = ReadInt(ini, "TopMargin", defaults.topMargin);
  s.linesPerPage = ReadInt(ini, "LinesPerPage", defaults.linesPerPage);
  s.tabStop = ReadInt(ini, "TabStop", defaults.tabStop);
  s.doubleWidth = ReadBool(ini, "Options.DoubleWidth", defaults.doubleWidth);
  s.halfHeight = ReadBool(ini, "Options.HalfHeight", defaults.halfHeight);
  s.centerImage = ReadBool(ini, "Options.CenterImage", defaults.centerImage);
  s.yield = ReadBool(ini, "Options.Yield", defaults.yield);
  s.yieldOften = ReadBool(ini, "Options.YieldOften", defaults.yieldOften);
  s.resolution = ReadInt(ini, "Resolution", defaults.resolution);
  s.width = ReadInt(ini, "Width", defaults.width);
  return s;
}

bool SaveConvertSettings(const QString& iniFile, const FaxConvertSettings& s) {
  QSettings ini(iniFile, QSettings::IniFormat);
  const auto put = [&ini](const char* key, const QVariant& value) { ini.setValue(kSection + QLatin1String(key), value); };
  put("LastInDir", s.lastInDir);
  put("LastOutDir", s.lastOutDir);
  put("EnhTextEnabled", int(s.enhTextEnabled));
  put("EnhFont.Name", s.enhFontName);
  put("EnhFont.Size", s.enhFontSize);
  put("LeftMargin", s.leftMargin);
  put("TopMargin", s.topMargin);
  put("LinesPerPage", s.linesPerPage);
  put("TabStop", s.tabStop);
  put("Options.DoubleWidth", int(s.doubleWidth));
  put("Options.HalfHeight", int(s.halfHeight));
  put("Options.CenterImage", int(s.centerImage));
  put("Options.Yield", int(s.yield));
  put("Options.YieldOften", int(s.yieldOften));
  put("Resolution", s.resolution);
  put("Width", s.width);
  ini.sync();
  return ini.status() == QSettings::NoError;
}

}  // namespace telvane
