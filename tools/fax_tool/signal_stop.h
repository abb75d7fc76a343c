// SIGINT and SIGTERM during a fax session: the handler only sets a flag; the
// command's loop sees it and cancels the session, so that the modem hangs up
// and the files and the history are left complete. A second signal ends
// the program at once. SIGPIPE is ignored.
#pragma once

namespace telvane::cli {

void InstallStopSignals();
bool StopRequested();

}  // namespace telvane::cli
