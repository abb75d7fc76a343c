// The settings of the document conversion window, kept in the INI file
// "ROza3.ini", section "FaxConvert": read when the window opens, written
// back when it closes. Plain values, so that they are tested without widgets.
#pragma once

#include <QString>

#include "faxdoc/fax_types.h"

namespace telvane {

struct FaxConvertSettings {
  QString lastInDir;       // "LastInDir"
  QString lastOutDir;      // "LastOutDir"
  bool enhTextEnabled = true;
  QString enhFontName;     // "EnhFont.Name"
  int enhFontSize = 0;     // "EnhFont.Size", points
  int leftMargin = 50;     // pixels
  int topMargin = 0;       // lines
  int linesPerPage = 60;
  int tabStop = 4;
  bool doubleWidth = true;
  bool halfHeight = false;
  bool centerImage = true;
  bool yield = true;
  bool yieldOften = false;
  int resolution = 0;      // 0 frNormal, 1 frHigh
  int width = 0;           // 0 fwNormal, 1 fwWide

  FaxCvtOptions Options() const;
  void SetOptions(FaxCvtOptions options);
  friend bool operator==(const FaxConvertSettings&, const FaxConvertSettings&) = default;
};

// The INI file's name in the settings folder.
inline constexpr const char* kConvertIniName = "ROza3.ini";

// The values of `iniFile`; keys it lacks (or holds no number for) keep the
// values of `defaults`, so a missing or unreadable file gives the defaults.
// `defaults` carries what depends on the program: the folders and the font.
FaxConvertSettings LoadConvertSettings(const QString& iniFile, const FaxConvertSettings& defaults);
// Writes every key; false when the file could not be written.
bool SaveConvertSettings(const QString& iniFile, const FaxConvertSettings& settings);

}  // namespace telvane
