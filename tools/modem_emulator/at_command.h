// Splits the body of an AT command line (what follows "AT") into commands,
// following the V.250 syntax: basic commands (a letter and an optional
// number), "&" commands, S-registers ("S7=60", "S0?"), the dial command
// (which takes the rest of the line), and extended commands ("+FCLASS=2",
// "+FDIS?", "+FDCC=?"), separated by ";".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace telvane::emu {

struct AtCommand {
  enum class Kind { kBasic, kAmpersand, kSRegister, kDial, kExtended };
  enum class Op { kAction, kSet, kRead, kTest };

  Kind kind = Kind::kBasic;
  Op op = Op::kAction;
  char letter = 0;    // basic and "&" commands, upper case
  std::string name;   // extended commands, upper case with the "+"
  int number = -1;    // basic/"&" argument or S-register number; -1 when none
  std::string value;  // set value (quoted strings kept as written) or dial string
};

// False on a syntax error (unknown character, S-register without a number,
// unterminated string); `out` then holds the commands before the error.
bool ParseAtBody(std::string_view body, std::vector<AtCommand>& out);

}  // namespace telvane::emu
