// The text form of the settings file, for people to read and edit:
//
//   ; Telvane settings. Written by the program; values are "name"=dword:decimal or "name"="text".
//   [software\Kestrel\Fax]
//   "Bauds"=dword:7
//   "StationID"="传真 5551234"
//
// UTF-8 throughout. A key stands in brackets on a line of its own (its text
// is taken as it is, backslashes included); the values of that key follow,
// one per line. Integers are signed 32-bit decimals, texts are quoted. Inside
// quotes (names and texts) a backslash escapes: \" \\ \n \r \t, and \xHH for
// other control characters. Blank lines and lines starting with ';' or '#'
// are ignored, so are blanks around '=' and at the ends of lines, line ends
// of CR LF and a leading byte order mark.
#pragma once

#include <string>

#include "app/settings/settings_tree.h"

namespace telvane::settings {

std::string FormatSettings(const Tree& tree);

// False when `text` is not a settings file; `error` then tells the line and
// what is wrong with it. A key or value given twice: the later value counts.
bool ParseSettings(const std::string& text, Tree& tree, std::string& error);

}  // namespace telvane::settings
