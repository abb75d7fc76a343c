// telvane-fax-line: a simulated telephone line with spandsp T.31 Class 1 fax
// modems on pseudo-terminals. Prints the device path of each modem, one per
// line (side A first), runs until the configured calls have ended or a signal
// comes, and prints one result line per call.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "comm/simline/sim_line.h"

namespace {

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

const char kUsage[] =
    "Usage: telvane-fax-line [OPTION]...\n"
    "Simulates a telephone line with spandsp T.31 Class 1 fax modems on\n"
    "pseudo-terminals and prints each modem's device path on its own line\n"
    "(side A first), then one result line per call when the calls have ended.\n"
    "\n"
    "  --far-end MODE          terminal-receives (default): a fax terminal answers\n"
    "                          calls from modem A and receives; terminal-sends: a\n"
    "                          terminal calls modem A and sends; second-modem: modems\n"
    "                          A and B call each other; terminal-to-terminal: no\n"
    "                          modem, a sending terminal calls a receiving one\n"
    "  --send-tiff FILE        the pages a terminal sends (TIFF/F)\n"
    "  --receive-tiff FILE     where a terminal receives (call N > 1: FILE-N)\n"
    "  --station-id TEXT       the terminal's station ID\n"
    "  --sender-id TEXT        the sending terminal's ID (terminal-to-terminal)\n"
    "  --modems LIST           modems the terminal may use: v17,v29,v27 (default all)\n"
    "  --pace X                line time per wall-clock time (default 1; 0 = unpaced,\n"
    "                          terminal-to-terminal only)\n"
    "  --delay-ms N            one-way delay of the line (default 40)\n"
    "  --noise DBM0            white noise at this level (for example -45)\n"
    "  --drop-after S          the line goes dead S seconds (line time) after the answer\n"
    "  --gap S:LEN             the line goes silent for LEN seconds, S seconds after the\n"
    "                          answer, and comes back\n"
    "  --fault-in-page N       --drop-after and --gap count from the start of the Nth\n"
    "                          page of the call instead of the answer\n"
    "  --a4-only               the terminal takes A4 width only (no B4)\n"
    "  --refuse-training BPS   cut every training check at BPS bit/s so that it fails\n"
    "  --max-call S            end a call after S seconds (line time)\n"
    "  --never-answer          the called side never answers (NO CARRIER after S7)\n"
    "  --busy                  every call gets BUSY\n"
    "  --answer-after-rings N  the terminal answers after N rings (default 1)\n"
    "  --call-delay S          a calling terminal dials S seconds after the start and\n"
    "                          after each call (default 1)\n"
    "  --calls N               calls to serve before exiting (default 1)\n"
    "  --keep                  serve calls until a signal comes (no time-out unless\n"
    "                          --timeout is given)\n"
    "  --timeout S             give up after S wall-clock seconds (default 600 when a\n"
    "                          number of calls is set)\n"
    "  --linger S              keep the modems S seconds after the last call (default 1)\n"
    "  --verbose               line events on standard error\n"
    "  --spandsp-log LEVEL     spandsp's own log on standard error (5 flow, 8 debug)\n"
    "  --help                  show this text\n"
    "  --version               print the version\n"
    "\n"
    "Exit status: 0 when the calls have ended (whatever their outcome), 1 on a\n"
    "time-out or a signal before that, 2 for bad options.\n";

[[noreturn]] void Usage(const std::string& text) {
  std::fprintf(stderr, "telvane-fax-line: %s (see --help)\n", text.c_str());
  std::exit(2);
}

double Number(const std::string& option, const char* text) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (!end || *end || end == text || !std::isfinite(v)) Usage("bad value for " + option + ": " + text);
  return v;
}

// A time in seconds: a number, not negative.
double Seconds(const std::string& option, const char* text) {
  const double v = Number(option, text);
  if (v < 0) Usage("bad value for " + option + ": " + text + " (seconds, not negative)");
  return v;
}

int Integer(const std::string& option, const char* text) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!end || *end || end == text || v < 0 || v > 1000000) Usage("bad value for " + option + ": " + text);
  return static_cast<int>(v);
}

unsigned Modems(const std::string& list) {
  unsigned modems = 0;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (name == "v17") modems |= 4;        // T30_SUPPORT_V17
    else if (name == "v29") modems |= 2;   // T30_SUPPORT_V29
    else if (name == "v27") modems |= 1;   // T30_SUPPORT_V27TER
    else Usage("unknown modem '" + name + "' (v17, v29 or v27)");
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return modems;
}

std::string Quoted(const std::string& text) {
  std::string q = "\"";
  for (char c : text) q += c == '"' ? '\'' : c;
  return q + "\"";
}

void PrintTerminal(const char* prefix, const telvane::TerminalResult& t) {
  std::printf(" %spages=%d %sbit-rate=%d %scode=%d %stext=%s %sremote=%s", prefix, t.pages, prefix, t.bitRate, prefix,
              t.completionCode, prefix, Quoted(t.completionText).c_str(), prefix, Quoted(t.remoteIdent).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  telvane::SimLineConfig config;
  std::optional<double> timeout;
  double linger = 1.0;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Usage(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("telvane-fax-line %s\n", TELVANE_VERSION);
      return 0;
    } else if (arg == "--far-end") {
      const std::string m = value();
      if (m == "terminal-receives") config.farEnd = telvane::SimLineConfig::TerminalReceives;
      else if (m == "terminal-sends") config.farEnd = telvane::SimLineConfig::TerminalSends;
      else if (m == "second-modem") config.farEnd = telvane::SimLineConfig::SecondModem;
      else if (m == "terminal-to-terminal") config.farEnd = telvane::SimLineConfig::TerminalToTerminal;
      else Usage("unknown far end '" + m + "'");
    } else if (arg == "--send-tiff") {
      config.sendTiff = value();
    } else if (arg == "--receive-tiff") {
      config.receiveTiff = value();
    } else if (arg == "--station-id") {
      config.stationId = value();
    } else if (arg == "--sender-id") {
      config.senderStationId = value();
    } else if (arg == "--modems") {
      config.peerModems = Modems(value());
    } else if (arg == "--pace") {
      config.pace = Number(arg, value());
    } else if (arg == "--delay-ms") {
      config.delayMs = Integer(arg, value());
    } else if (arg == "--noise") {
      config.noiseDbm0 = Number(arg, value());
    } else if (arg == "--drop-after") {
      config.dropAfterSeconds = Seconds(arg, value());
    } else if (arg == "--gap") {
      const std::string v = value();
      const size_t colon = v.find(':');
      if (colon == std::string::npos) Usage("--gap needs S:LEN, not " + v);
      config.gapAfterSeconds = Seconds(arg, v.substr(0, colon).c_str());
      config.gapSeconds = Seconds(arg, v.substr(colon + 1).c_str());
    } else if (arg == "--fault-in-page") {
      config.faultInPage = Integer(arg, value());
    } else if (arg == "--a4-only") {
      config.peerA4Only = true;
    } else if (arg == "--refuse-training") {
      config.refuseTrainingBps = Integer(arg, value());
    } else if (arg == "--max-call") {
      config.maxCallSeconds = Seconds(arg, value());
    } else if (arg == "--never-answer") {
      config.neverAnswer = true;
    } else if (arg == "--busy") {
      config.busy = true;
    } else if (arg == "--answer-after-rings") {
      config.answerAfterRings = Integer(arg, value());
    } else if (arg == "--call-delay") {
      config.callDelaySeconds = Seconds(arg, value());
    } else if (arg == "--calls") {
      config.calls = Integer(arg, value());
    } else if (arg == "--keep") {
      config.calls = 0;
    } else if (arg == "--timeout") {
      timeout = Seconds(arg, value());
    } else if (arg == "--linger") {
      linger = Seconds(arg, value());
    } else if (arg == "--verbose") {
      verbose = true;
    } else if (arg == "--spandsp-log") {
      config.logLevel = Integer(arg, value());
    } else {
      Usage("unknown option " + arg);
    }
  }
  const auto start = std::chrono::steady_clock::now();
  if (verbose) {
    config.log = [start](const std::string& text) {
      const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::fprintf(stderr, "[%8.3f] %s\n", t, text.c_str());
    };
  }

  telvane::SimLine line;
  if (int rc = line.Start(config); rc < 0) {
    std::fprintf(stderr, "telvane-fax-line: %s\n", line.Error().c_str());
    return rc == -EINVAL ? 2 : 1;
  }
  for (int side = 0; side < 2; ++side)
    if (!line.PtyPath(side).empty()) std::printf("%s\n", line.PtyPath(side).c_str());
  std::fflush(stdout);
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);

  // A line kept for any number of calls (the GUI's, or one left open by
  // hand) has no time-out of its own: it runs until a signal comes.
  if (!timeout && config.calls > 0) timeout = 600;
  bool done = false;
  while (!g_stop && !done) {
    done = line.WaitDone(0.05);
    if (timeout && std::chrono::steady_clock::now() - start > std::chrono::duration<double>(*timeout)) {
      std::fprintf(stderr, "telvane-fax-line: time-out after %g s\n", *timeout);
      break;
    }
  }
  // The DTE may still reset the modem after its call: the pseudo-terminals
  // stay a while before they go.
  if (done) std::this_thread::sleep_for(std::chrono::duration<double>(linger));
  line.Stop();

  const telvane::SimLineResult result = line.Result();
  int n = 0;
  for (const telvane::CallRecord& c : result.calls) {
    std::printf("result call=%d caller=%c answered=%d busy=%d no-answer=%d dropped=%d timed-out=%d rings=%d refused=%d",
                ++n, c.caller == 0 ? 'A' : 'B', c.answered, c.busy, c.noAnswer, c.dropped, c.timedOut, c.rings,
                c.trainingsRefused);
    std::printf(" silenced=%d pages-started=%d", c.silenced, c.pagesStarted);
    std::printf(" line-s=%.1f real-s=%.1f", c.lineSeconds, c.realSeconds);
    if (config.farEnd != telvane::SimLineConfig::SecondModem) PrintTerminal("", c.terminal);
    if (config.farEnd == telvane::SimLineConfig::TerminalToTerminal) PrintTerminal("sender-", c.sender);
    std::printf("\n");
  }
  std::fflush(stdout);
  return result.done ? 0 : 1;
}
