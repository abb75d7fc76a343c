// telvane-modem-emu: a Class 2 / Class 2.0 fax modem on a pseudo-terminal.
// Prints the device path for the DTE on the first line of standard output,
// then plays the scripted far end until it is stopped or its call is over.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tools/modem_emulator/modem_emulator.h"
#include "tools/modem_emulator/page_images.h"

namespace {

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

const char kUsage[] =
    "Usage: telvane-modem-emu [OPTION]...\n"
    "Emulates a Class 2 / Class 2.0 fax modem on a pseudo-terminal and prints its\n"
    "device path on the first line of standard output.\n"
    "\n"
    "  --class 2|2.0|both     command sets the modem offers (default both)\n"
    "  --far-end TEXT         far-end settings, 'key=value' separated by ';'\n"
    "  --far-end-file FILE    far-end settings from a file, one per line\n"
    "  --call-after-ms N      the far end calls in N ms after start\n"
    "  --call-after TEXT      the far end calls 300 ms after a command line\n"
    "                         containing TEXT (for example +FCR=1)\n"
    "  --exit-after-call      stop once a call has ended\n"
    "  --timeout-s N          stop after N seconds in any case (default 600)\n"
    "  --save-pages DIR       write the pages the far end received as DIR/page-N.pbm\n"
    "  --save-call-pages DIR  write the pages the far end sends as DIR/page-N.pbm\n"
    "  --dry-run              only write what --save-call-pages asks for, then exit\n"
    "  --help                 show this text\n"
    "  --version              print the version\n"
    "\n"
    "Far-end settings: dial=answer|busy|no-dialtone|voice|no-answer, id=TEXT,\n"
    "caps=VR,BR,WD,LN,DF,EC,BF,ST, refuse=PAGExTIMES, copy-check=0|1,\n"
    "call=fax|data|voice, rings=N, caller-id=TEXT, caller-params=LIST, pages=N,\n"
    "pages-file=APF, garble=PAGExTIMES, drop=PAGE:BYTES[:CODE], hangup=PAGE[:CODE],\n"
    "ring-interval-ms=N, dial-delay-ms=N, answer-delay-ms=N, phase-delay-ms=N,\n"
    "silent-after=TEXT, garbage-after=TEXT.\n";

bool Number(const char* text, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return end && *end == '\0' && end != text && out >= 0;
}

int SavePages(const std::string& dir, const std::vector<std::vector<uint8_t>>& pages) {
  int n = 0;
  for (const auto& data : pages) {
    std::string name = dir + "/page-" + std::to_string(++n) + ".pbm";
    if (!telvane::emu::WritePbm(name, telvane::emu::DecodePage(data))) {
      std::fprintf(stderr, "telvane-modem-emu: cannot write %s\n", name.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  telvane::emu::EmulatorOptions options;
  std::string farEnd, savePages, saveCallPages, callAfter;
  long callAfterMs = -1, timeoutS = 600;
  bool exitAfterCall = false, dryRun = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "telvane-modem-emu: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("telvane-modem-emu %s\n", TELVANE_VERSION);
      return 0;
    } else if (arg == "--class") {
      std::string c = value();
      options.class2 = c == "2" || c == "both";
      options.class20 = c == "2.0" || c == "both";
      if (!options.class2 && !options.class20) {
        std::fprintf(stderr, "telvane-modem-emu: --class takes 2, 2.0 or both\n");
        return 2;
      }
    } else if (arg == "--far-end") {
      farEnd += std::string(value()) + "\n";
    } else if (arg == "--far-end-file") {
      std::ifstream in(value());
      if (!in) {
        std::fprintf(stderr, "telvane-modem-emu: cannot read %s\n", argv[i]);
        return 2;
      }
      std::stringstream text;
      text << in.rdbuf();
      farEnd += text.str() + "\n";
    } else if (arg == "--call-after-ms") {
      if (!Number(value(), callAfterMs)) return std::fputs("telvane-modem-emu: bad --call-after-ms\n", stderr), 2;
    } else if (arg == "--call-after") {
      callAfter = value();
    } else if (arg == "--timeout-s") {
      if (!Number(value(), timeoutS)) return std::fputs("telvane-modem-emu: bad --timeout-s\n", stderr), 2;
    } else if (arg == "--exit-after-call") {
      exitAfterCall = true;
    } else if (arg == "--save-pages") {
      savePages = value();
    } else if (arg == "--dry-run") {
      dryRun = true;
    } else if (arg == "--save-call-pages") {
      saveCallPages = value();
    } else {
      std::fprintf(stderr, "telvane-modem-emu: unknown option %s (see --help)\n", arg.c_str());
      return 2;
    }
  }
  std::string error;
  if (!telvane::emu::ParseFarEnd(farEnd, options.farEnd, error)) {
    std::fprintf(stderr, "telvane-modem-emu: %s\n", error.c_str());
    return 2;
  }
  if (!saveCallPages.empty()) {
    std::vector<std::vector<uint8_t>> pages;
    for (const auto& p : options.farEnd.pages) pages.push_back(p.data);
    if (SavePages(saveCallPages, pages) != 0) return 1;
  }
  if (dryRun) return 0;

  telvane::emu::ModemEmulator modem(options);
  if (int rc = modem.Start(); rc < 0) {
    std::fprintf(stderr, "telvane-modem-emu: cannot open a pseudo-terminal: %s\n", std::strerror(-rc));
    return 1;
  }
  std::printf("%s\n", modem.SlavePath().c_str());
  std::fflush(stdout);
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);

  const auto start = std::chrono::steady_clock::now();
  bool called = false, wasInCall = false;
  int exitCode = 0;
  while (!g_stop) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (!called && callAfterMs >= 0 && elapsed >= std::chrono::milliseconds(callAfterMs)) {
      called = true;
      modem.PlaceCall();
    }
    if (!called && !callAfter.empty()) {
      for (const std::string& line : modem.Commands()) {
        if (line.find(callAfter) == std::string::npos) continue;
        called = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        modem.PlaceCall();
        break;
      }
    }
    const bool inCall = modem.InCall();
    if (exitAfterCall && wasInCall && !inCall) break;
    wasInCall = inCall;
    if (elapsed >= std::chrono::seconds(timeoutS)) {
      std::fprintf(stderr, "telvane-modem-emu: time-out after %ld s\n", timeoutS);
      exitCode = 1;
      break;
    }
  }
  // Let the last reports reach the DTE before the pseudo-terminal goes.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  modem.Stop();

  std::vector<std::vector<uint8_t>> confirmed;
  for (const auto& p : modem.ConfirmedPages()) confirmed.push_back(p.data);
  std::fprintf(stderr, "telvane-modem-emu: %zu page(s) received and confirmed, %d page(s) delivered\n",
               confirmed.size(), modem.PagesDelivered());
  for (const std::string& line : modem.Commands())
    if (line.rfind("ATD", 0) == 0) std::fprintf(stderr, "telvane-modem-emu: dialled \"%s\"\n", line.c_str());
  if (!savePages.empty() && SavePages(savePages, confirmed) != 0) return 1;
  return exitCode;
}
