// Where the desktop program keeps its files on this machine.
//
// ProgramDataDir() is the program's own folder: the phone book, the default
// cover text "NoName.txt", the out-box, the fax sub-folder of the designer
// and the default log folder live there. SettingsDir() holds the settings
// store and the conversion window's INI file. Both end with '/'; both can be
// pointed elsewhere through the environment (tests, a second profile).
#pragma once

#include <string>

namespace telvane {

// $TELVANE_DATA_DIR, else $XDG_DATA_HOME/telvane/, else ~/.local/share/telvane/.
std::string ProgramDataDir();
// $TELVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/telvane/, else ~/.config/telvane/.
std::string SettingsDir();
// Creates `dir` and its missing parents; false when it cannot be made.
bool MakeFolder(const std::string& dir);
// `dir` with a trailing '/' added when it has none (an empty text stays empty).
std::string WithTrailingSlash(const std::string& dir);

}  // namespace telvane
