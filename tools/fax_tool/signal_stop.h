// SIGINT and SIGTERM during a fax session: the handler only sets a flag; the
// command's loop sees it and cancels the session, so that the modem hangs up
// and the files and the history are left complete. A second signal ends
// the program at once. SIGPIPE is ignored.
#pragma once

namespace telvane::cli {

void InstallStopSignals();
bool StopRequested();

// SIGINT, SIGTERM and SIGHUP during a conversion or an unpack: the files
// being built (partial outputs, a prepared temporary image) are removed and
// the program ends as the signal says.
void InstallCleanupSignals();

}  // namespace telvane::cli
