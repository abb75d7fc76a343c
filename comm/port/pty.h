// Pseudo-terminals: the line of the simulated modems and of the tests' far
// ends. The program's side opens the slave path like any serial device.
#pragma once

#include <string>

namespace telvane {

// Opens the master side of a new pseudo-terminal (read-write, no controlling
// terminal, close-on-exec); returns its descriptor and sets `slavePath`, or
// returns -errno.
int OpenPtyMaster(std::string& slavePath);

// The master as above, non-blocking, and the slave kept open in raw mode in
// `slaveFd`: without an open slave the master reports a hang-up at every poll
// between two users of the slave, and raw mode alters nothing until the user
// sets its own modes. Returns the master, or -errno with nothing left open.
int OpenPtyKeepingSlave(std::string& slavePath, int& slaveFd);

}  // namespace telvane
