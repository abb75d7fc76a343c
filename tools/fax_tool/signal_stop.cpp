#include "tools/fax_tool/signal_stop.h"

#include <csignal>

#include "faxdoc/output_file.h"

namespace telvane::cli {
namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int) { g_stop = 1; }

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks for a clean end; a second one, when the hang-up
  // hangs, ends the program the default way.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A reader of stdout that goes away (receive | head -1) must not kill the
  // program in the middle of a call: the write fails instead.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool StopRequested() { return g_stop != 0; }

namespace {

extern "C" void OnCleanupSignal(int signal) {
  RemovePartialFilesNow();
  // SA_RESETHAND restored the default action: the program ends as the
  // signal says, with the files it was building gone.
  ::raise(signal);
}

}  // namespace

void InstallCleanupSignals() {
  struct sigaction action {};
  action.sa_handler = OnCleanupSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace telvane::cli
