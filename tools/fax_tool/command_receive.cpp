// "receive": answers calls on a modem or the simulated line and writes each
// incoming fax into an APF file, writing the fax history.
#include <getopt.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tools/fax_tool/cli_support.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "tools/fax_tool/exit_codes.h"
#include "tools/fax_tool/fax_line_setup.h"
#include "comm/components/fax_log.h"
#include "tools/fax_tool/progress_printer.h"
#include "comm/components/receive_fax.h"
#include "tools/fax_tool/signal_stop.h"

namespace telvane::cli {
namespace {

void ReceiveUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax receive --device DEVICE [OPTIONS]\n"
      "Waits for calls and writes each fax into an APF file; prints the name of\n"
      "each file received on stdout. Progress goes to stderr.\n"
      "\n"
      "  -d, --device DEVICE     a device from --list-devices, \"simulated line\", or a\n"
      "                          device path (/dev/ttyUSB0, a pseudo-terminal)\n"
      "      --list-devices      print the devices and exit\n"
      "  -c, --class CLASS       1, 2, 2.0 or detect (default detect)\n"
      "      --rings N           answer after N rings (default 1)\n"
      "      --naming MODE       numbered: FAX0001.APF, FAX0002.APF, ... (default);\n"
      "                          date: month and day and a number, 12090001.APF\n"
      "      --dest DIR          folder for the received files (default: current)\n"
      "      --once              end after one call (default)\n"
      "      --count N           end after N calls\n"
      "      --keep              keep answering until SIGINT or SIGTERM\n"
      "      --accept REGEX      take only calls whose station ID matches REGEX as a\n"
      "                          whole (a list: 'ID ONE|ID TWO'); others are refused\n"
      "      --station-id TEXT   this station's ID (at most 20 characters)\n"
      "      --timeout S         give up when no call has come for S seconds\n"
      "      --baud N            port speed (default: the port's)\n"
      "      --init TEXT         extra modem init string\n"
      "      --history FILE      fax history file (default APDFAX.HIS; '' for none)\n"
      "      --desired-bps N     highest speed to offer callers (default 14400)\n"
      "  -q, --quiet             only errors on stderr\n"
      "  -h, --help              this text\n"
      "\n"
      "Simulated line (--device \"simulated line\"):\n"
      "      --sim-send TIFF     a fax terminal calls in and sends this fax TIFF\n"
      "      --sim-calls N       it calls N times (default 1)\n"
      "      --sim-pace X        line time per real time (default 2)\n"
      "      --sim-station-id T  the calling terminal's station ID\n"
      "\n"
      "Exit status: 0 done (refused calls included), 2 bad command line, 3 device\n"
      "or port failed (or the modem never got ready), 5 a call failed (the pages\n"
      "received whole are kept; a call without one leaves no file), 6 cancelled,\n"
      "7 a file could not be written,\n"
      "8 no call came in time.\n",
      out);
}

enum LongOnly {
  kListDevices = 1000, kRings, kNaming, kDest, kOnce, kCount, kKeep, kAccept, kStationId, kTimeout, kBaud, kInit,
  kHistory, kDesiredBps, kSimSend, kSimCalls, kSimPace, kSimStationId,
};

struct ReceiveOptions {
  LineOptions line;
  TFaxClass faxClass = fcDetect;
  int rings = 1;
  int namingMode = 1;
  std::string dest;
  int calls = 1;  // 0: keep answering
  bool hasAccept = false;
  std::regex accept;
  std::string stationId, init;
  int timeoutS = 0;
  int desiredBps = 14400;  // the fastest that the modem and the caller agree on
  std::string history = "APDFAX.HIS";
  bool quiet = false;
};

std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  const size_t start = s.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : s.substr(start);
}

// What the calls of one receive session came to.
struct CallTally {
  int handled = 0;         // calls that ended: received, refused or failed
  int received = 0;
  bool inCall = false;
  std::string file;        // the file of the call in progress
  int lastError = 0;       // the last error reported during the call
  std::vector<FaxOutcome> outcomes;
  std::chrono::steady_clock::time_point idleSince = std::chrono::steady_clock::now();
};

}  // namespace

int RunReceive(int argc, char** argv) {
  static const option kOptions[] = {
      {"device", required_argument, nullptr, 'd'},
      {"list-devices", no_argument, nullptr, kListDevices},
      {"class", required_argument, nullptr, 'c'},
      {"rings", required_argument, nullptr, kRings},
      {"naming", required_argument, nullptr, kNaming},
      {"dest", required_argument, nullptr, kDest},
      {"once", no_argument, nullptr, kOnce},
      {"count", required_argument, nullptr, kCount},
      {"keep", no_argument, nullptr, kKeep},
      {"accept", required_argument, nullptr, kAccept},
      {"station-id", required_argument, nullptr, kStationId},
      {"timeout", required_argument, nullptr, kTimeout},
      {"baud", required_argument, nullptr, kBaud},
      {"init", required_argument, nullptr, kInit},
      {"history", required_argument, nullptr, kHistory},
      {"desired-bps", required_argument, nullptr, kDesiredBps},
      {"sim-send", required_argument, nullptr, kSimSend},
      {"sim-calls", required_argument, nullptr, kSimCalls},
      {"sim-pace", required_argument, nullptr, kSimPace},
      {"sim-station-id", required_argument, nullptr, kSimStationId},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};

  ReceiveOptions o;
  o.line.sim.farEnd = SimLineConfig::TerminalSends;
  o.line.sim.pace = 2;
  o.line.sim.stationId = "SIMULATED SENDER";
  unsigned n = 0;
  auto number = [&](const char* name, int& out, unsigned min) {
    if (ParseUnsigned(optarg, n) && n >= min && n <= 100000) return out = static_cast<int>(n), true;
    Say("%s needs a whole number from %u, not '%s'\n", name, min, optarg);
    return false;
  };
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "d:c:qh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'd': o.line.device = optarg; break;
      case kListDevices: PrintDevices(stdout); return kExitOk;
      case 'c':
        if (!ParseFaxClass(optarg, o.faxClass)) {
          return UsageError("unknown class '%s' (1, 2, 2.0 or detect)\n", optarg);
        }
        break;
      case kRings: if (!number("--rings", o.rings, 1)) return UsageHint(); break;
      case kNaming:
        if (!std::strcmp(optarg, "numbered")) o.namingMode = 1;
        else if (!std::strcmp(optarg, "date")) o.namingMode = 2;
        else {
          return UsageError("unknown naming '%s' (numbered or date)\n", optarg);
        }
        break;
      case kDest: o.dest = optarg; break;
      case kOnce: o.calls = 1; break;
      case kCount: if (!number("--count", o.calls, 1)) return UsageHint(); break;
      case kKeep: o.calls = 0; break;
      case kAccept:
        try {
          o.accept = std::regex(optarg);
          o.hasAccept = true;
        } catch (const std::regex_error&) {
          return UsageError("--accept: '%s' is no regular expression\n", optarg);
        }
        break;
      case kStationId: o.stationId = optarg; break;
      case kTimeout: if (!number("--timeout", o.timeoutS, 1)) return UsageHint(); break;
      case kBaud: if (!number("--baud", o.line.baud, 1)) return UsageHint(); break;
      case kInit: o.init = optarg; break;
      case kHistory: o.history = optarg; break;
      case kDesiredBps: if (!number("--desired-bps", o.desiredBps, 2400)) return UsageHint(); break;
      case kSimSend: o.line.sim.sendTiff = optarg; break;
      case kSimCalls: if (!number("--sim-calls", o.line.sim.calls, 1)) return UsageHint(); break;
      case kSimPace:
        if (!ParsePace(optarg, o.line.sim.pace)) {
          return UsageError("--sim-pace needs a number from 0.1 to 16, not '%s'\n", optarg);
        }
        break;
      case kSimStationId: o.line.sim.stationId = optarg; break;
      case 'q': o.quiet = true; break;
      case 'h': ReceiveUsage(stdout); return kExitOk;
      default: return UsageHint();
    }
  }
  if (optind != argc || o.line.device.empty()) {
    return UsageError("give --device and no file arguments\n");
  }
  if (!o.dest.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.dest, ec);
    if (!std::filesystem::is_directory(o.dest)) {
      Say("cannot make the folder '%s'\n", o.dest.c_str());
      return kExitBadFile;
    }
  }

  LoopDispatcher loop;
  InstallStopSignals();
  FaxLine line(loop);
  std::string error;
  if (!line.Select(o.line, error)) {
    Say("%s\n", error.c_str());
    return kExitDevice;
  }
  if (line.IsSimulated() && o.line.sim.sendTiff.empty()) {
    return UsageError("the simulated line needs --sim-send TIFF (the fax that calls in)\n");
  }
  if (line.IsSimulated() && !std::filesystem::is_regular_file(o.line.sim.sendTiff)) {
    Say("cannot read the fax to send in, '%s'\n", o.line.sim.sendTiff.c_str());
    return kExitBadFile;
  }
  if (int rc = line.Open()) {
    ReportError("open " + o.line.device, rc);
    return ExitCodeForError(rc, true);
  }

  TApdFaxLog log;
  log.SetFaxHistoryName(o.history);
  TApdReceiveFax fax(&loop);
  fax.SetFaxClass(o.faxClass);
  fax.SetStationID(o.stationId);
  fax.SetModemInit(o.init);
  fax.SetDesiredBPS(o.desiredBps);
  fax.SetAnswerOnRing(o.rings);
  fax.SetDestinationDir(o.dest);
  fax.SetFaxNameMode(o.namingMode);
  // One call wanted: the session also ends when that call fails, instead of
  // waiting for the next one.
  fax.SetOneFax(o.calls == 1);
  fax.SetExitOnError(o.calls == 1);
  fax.SetComPort(&line.Port());
  fax.SetYield([&loop] { loop.RunPending(); });
  if (!o.history.empty()) {
    log.SetFax(&fax);
    fax.SetFaxLog(&log);
  }

  ProgressPrinter printer(stderr, o.quiet);
  printer.SetReceiving(true);
  CallTally tally;
  bool cancelSent = false, timedOut = false, interrupted = false;
  bool finished = false, ready = false;
  int finishCode = 0;
  fax.OnFaxStatus = [&](TApdAbstractFax& f, bool, bool) {
    const int progress = f.FaxProgress();
    if (progress == fpWaiting || progress == fpIncoming || progress == fpAnswer) ready = true;
    // The command's own cancel after the wanted calls is no abort to report.
    if (progress == fpCancel && cancelSent && !interrupted) return;
    printer.Status(f);
  };
  fax.OnFaxError = [&](TApdAbstractFax&, int code) { tally.lastError = code; };
  fax.OnFaxFinish = [&](TApdAbstractFax&, int code) {
    finishCode = code;
    finished = true;
  };
  if (o.hasAccept) {
    fax.OnFaxAccept = [&](TApdAbstractFax& f, bool& accept) {
      const std::string id = Trimmed(f.RemoteID());
      accept = std::regex_match(id, o.accept);
      if (!accept && !o.quiet) Say("refused a call from \"%s\"\n", id.c_str());
    };
  }
  fax.OnFaxLog = [&](TApdAbstractFax& f, int code) {
    switch (code) {
      case lfaxReceiveStart:
        tally.inCall = true;
        tally.file = f.FaxFile();
        tally.lastError = 0;
        break;
      case lfaxReceiveOk:
      case lfaxReceiveSkip:
      case lfaxReceiveFail: {
        FaxOutcome outcome;
        if (code == lfaxReceiveFail) {
          outcome.errorCode = tally.lastError ? tally.lastError : ecFaxSessionError;
          outcome.reason = f.SessionEndReason();
        }
        tally.outcomes.push_back(outcome);
        if (code == lfaxReceiveOk) ++tally.received;
        // A call that failed before any page was confirmed leaves no file
        // (the receiver removes it): no name.
        std::error_code ec;
        const bool kept = !tally.file.empty() && std::filesystem::exists(tally.file, ec);
        if (code != lfaxReceiveSkip && kept) {
          std::printf("%s\n", tally.file.c_str());
          std::fflush(stdout);
        }
        if (code == lfaxReceiveFail)
          std::fprintf(stderr, "telvane-fax: %s: %s\n", kept ? tally.file.c_str() : "receive",
                       OutcomeText(outcome).c_str());
        ++tally.handled;
        tally.inCall = false;
        tally.lastError = 0;
        tally.file.clear();
        tally.idleSince = std::chrono::steady_clock::now();
        break;
      }
      default: break;
    }
  };

  try {
    fax.StartReceive();
  } catch (const EAPDException& e) {
    ReportError("receive", e.ErrorCode());
    return ExitCodeForError(e.ErrorCode());
  }

  auto idleTooLong = [&] {
    return o.timeoutS > 0 && !tally.inCall &&
           std::chrono::steady_clock::now() - tally.idleSince > std::chrono::seconds(o.timeoutS);
  };
  // The engine ends a one-fax session only after a fax came in whole; after
  // a failed call it would wait for the next one. The wanted number of calls
  // is counted here, whatever their outcome.
  auto wantStop = [&] {
    return StopRequested() || idleTooLong() || (o.calls > 0 && tally.handled >= o.calls && !tally.inCall);
  };
  while (!finished) {
    if (!cancelSent && wantStop()) {
      cancelSent = true;
      interrupted = StopRequested();
      timedOut = !interrupted && idleTooLong();
      // A cancel between calls logs nothing; a call cut short by a signal
      // is logged as failed.
      fax.CancelFax();
    }
    loop.RunUntil([&] { return finished || (!cancelSent && wantStop()); }, 1000);
  }
  line.Close();
  if (!o.history.empty() && log.LastWriteFailed())
    Say("cannot write the history file '%s'\n", o.history.c_str());
  if (!o.quiet)
    Say("%d fax%s received, %d call%s\n", tally.received,
                 tally.received == 1 ? "" : "es", tally.handled, tally.handled == 1 ? "" : "s");

  if (const int status = ExitCodeForOutcomes(tally.outcomes)) return status;
  const int wanted = o.calls == 0 ? 1 : o.calls;  // --keep: at least one call before a time-out
  if (timedOut && !ready && tally.handled == 0) {
    // The modem never got to waiting for a call: no modem answers there.
    Say("the modem on '%s' did not get ready within %d s\n",
                 o.line.device.c_str(), o.timeoutS);
    return kExitDevice;
  }
  if (timedOut && tally.handled < wanted) {
    Say("no call came within %d s\n", o.timeoutS);
    return kExitNoCall;
  }
  if (interrupted) return o.calls == 0 ? kExitOk : kExitCancelled;
  if (cancelSent) return kExitOk;  // the wanted number of calls has ended
  if (finishCode && finishCode != ecCancelRequested) {
    // The session ended by itself between calls: the modem or its port
    // failed (a call that failed has its outcome above).
    ReportError("receive", finishCode);
    return ExitCodeForError(finishCode) == kExitNoConnection ? kExitNoConnection
                                                              : ExitCodeForError(finishCode, true);
  }
  return tally.handled > 0 ? kExitOk : ExitCodeForError(finishCode);
}

}  // namespace telvane::cli
