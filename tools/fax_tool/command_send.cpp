// "send": sends APF files (with a cover and a header line) to one or more
// numbers through a modem or the simulated line, writing the fax history.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "faxdoc/transmission_report.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/image_kind.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"
#include "tools/fax_tool/cli_support.h"
#include "tools/fax_tool/input_types.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "tools/fax_tool/exit_codes.h"
#include "tools/fax_tool/fax_line_setup.h"
#include "comm/components/fax_log.h"
#include "tools/fax_tool/progress_printer.h"
#include "comm/components/send_fax.h"
#include "tools/fax_tool/signal_stop.h"

namespace telvane::cli {
namespace {

void SendUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax send --device DEVICE --to NUMBER [OPTIONS] [FILE.APF...]\n"
      "Sends the APF files as one fax (in the order given) to each number, one call\n"
      "per number. Progress goes to stderr, one line per status event.\n"
      "\n"
      "  -d, --device DEVICE     a device from --list-devices, \"simulated line\", or a\n"
      "                          device path (/dev/ttyUSB0, a pseudo-terminal)\n"
      "      --list-devices      print the devices and exit\n"
      "  -c, --class CLASS       1, 2, 2.0 or detect (default detect)\n"
      "  -t, --to NUMBER         a number to send to (repeat for several recipients)\n"
      "      --to-list FILE      numbers from a file, one per line ('#' starts a comment)\n"
      "      --cover FILE        cover page: a text file, or an .apf file\n"
      "      --header TEXT       header line on every page; tags $D date, $T time,\n"
      "                          $N pages, $P page, $F sender, $R recipient, $S title,\n"
      "                          $I station ID\n"
      "      --sender TEXT       the $F of the header line\n"
      "      --recipient TEXT    the $R of the header line\n"
      "      --title TEXT        the $S of the header line\n"
      "      --station-id TEXT   this station's ID (at most 20 characters)\n"
      "      --dial-prefix TEXT  dialled before each number (for example 9,)\n"
      "      --pulse             pulse dialling (default tone)\n"
      "      --blind             dial without waiting for a dial tone\n"
      "      --no-busy-detect    do not detect a busy line\n"
      "      --dial-attempts N   calls per number before giving up (default 3)\n"
      "      --retry-wait S      seconds between calls to a busy number (default 60)\n"
      "      --dial-wait S       seconds to wait for the answer (default 60)\n"
      "      --baud N            port speed (default: the port's)\n"
      "      --init TEXT         extra modem init string\n"
      "      --desired-bps N     highest speed to use (default 14400: the fastest the\n"
      "                          modem and the far end agree on)\n"
      "      --enhanced          draw text covers and the header line with system fonts\n"
      "      --font NAME         system font of text covers (with --enhanced)\n"
      "      --header-font NAME  system font of the header line (with --enhanced)\n"
      "      --history FILE      fax history file (default APDFAX.HIS; '' for none)\n"
      "      --report FILE.pdf   after each call, a one-page transmission report (with\n"
      "                          several numbers FILE-1.pdf, FILE-2.pdf, ...)\n"
      "  -q, --quiet             only errors on stderr\n"
      "  -h, --help              this text\n"
      "\n"
      "Simulated line (--device \"simulated line\"):\n"
      "      --sim-save-dir DIR  the far end receives call N into DIR/call-N.tif\n"
      "      --sim-pace X        line time per real time (default 2; 4 is still safe\n"
      "                          for sending)\n"
      "      --sim-busy          every call finds the line busy\n"
      "      --sim-no-answer     no one answers\n"
      "      --sim-station-id T  the far end's station ID\n"
      "\n"
      "Images (PNG, JPEG, GIF, TIFF, PCX, BMP, ...) and PDF documents, known by\n"
      "their content, are converted into fax files first, as 'convert' does.\n"
      "\n"
      "Exit status: 0 all sent, 2 bad command line, 3 device or port failed (or\n"
      "no modem answers there), 4 no connection (busy, no answer, no dial tone,\n"
      "no carrier), 5 the call failed after connecting (the far end hung up, the\n"
      "line went or was too poor), 6 cancelled, 7 a file\n"
      "that cannot be sent. With several numbers: the status of the first failure.\n",
      out);
}

enum LongOnly {
  kListDevices = 1000, kToList, kCover, kHeader, kSender, kRecipient, kTitle, kStationId, kDialPrefix, kPulse,
  kBlind, kNoBusyDetect, kDialAttempts, kRetryWait, kDialWait, kBaud, kInit, kDesiredBps, kEnhanced, kFont,
  kHeaderFont, kHistory, kReport, kSimSaveDir, kSimPace, kSimBusy, kSimNoAnswer, kSimStationId,
};

struct SendOptions {
  LineOptions line;
  TFaxClass faxClass = fcDetect;
  std::vector<std::string> numbers;
  std::vector<std::string> files;
  std::string cover, header, sender, recipient, title, stationId, dialPrefix, init;
  bool pulse = false, blind = false, noBusyDetect = false, enhanced = false, quiet = false;
  int dialAttempts = 3, retryWait = 60, dialWait = 60, desiredBps = 14400;
  std::string font, headerFont;
  std::string history = "APDFAX.HIS";
  std::string report;
  std::string simSaveDir;
};

struct TemporaryFile {
  std::filesystem::path name;
  ~TemporaryFile() {
    std::error_code ec;
    if (!name.empty()) std::filesystem::remove(name, ec);
  }
};

bool ReadNumberList(const std::string& fileName, std::vector<std::string>& numbers) {
  std::ifstream in(fileName);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos) numbers.push_back(line.substr(start));
  }
  return true;
}

bool IsApfName(const std::string& name) {
  std::string ext = std::filesystem::path(name).extension().string();
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".APF";
}

// Images and PDF documents given to send (known by their first bytes) are
// converted into fax files in `folder` first, as `convert` would with its
// defaults; the list then names those. Anything else stays for CheckInputs.
// 0, or kExitBadFile when one cannot be converted (said why).
int ConvertDocuments(SendOptions& o, const std::filesystem::path& folder) {
  int n = 0;
  for (std::string& file : o.files) {
    if (!std::filesystem::is_regular_file(file) || IsApfFile(file)) continue;
    const ImageKind kind = FileImageKind(file);
    const InputType type = TypeOfKind(kind);
    if (type == InputType::kByExtension) continue;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string apf =
        (folder / (std::to_string(++n) + "-" + std::filesystem::path(file).stem().string() + ".apf")).string();
    TApdFaxConverter converter;
    int rc = 0;
    if (NeedsPreparation(type, file)) {
      EnsureGuiApplication();
      rc = ConvertPreparedImage(converter, file, apf + ".Bmp", apf);
    } else {
      rc = ConvertDocumentAs(converter, DocumentTypeOf(type), file, apf);
    }
    if (rc) {
      Say("%s is %s that cannot be converted: %s\n", file.c_str(), ImageKindName(kind), ErrorText(rc));
      return kExitBadFile;
    }
    if (!o.quiet) std::fprintf(stderr, "%s: %s, converted for sending\n", file.c_str(), ImageKindName(kind));
    file = apf;
  }
  return 0;
}

// Every file is looked at before anything is dialled: a missing file or one
// that is no APF file stops the command with its own exit status.
int CheckInputs(const SendOptions& o) {
  for (const std::string& file : o.files) {
    ApfFileHeader header;
    if (int rc = GetFaxHeader(file, header)) {
      // Images and PDF documents were converted before: this is some other file.
      if (std::filesystem::is_regular_file(file) && !IsApfFile(file))
        Say("%s is no APF fax file (make one with 'telvane-fax convert')\n", file.c_str());
      else
        ReportError(file, rc);
      return kExitBadFile;
    }
  }
  if (!o.cover.empty()) {
    ApfFileHeader header;
    const int rc = IsApfName(o.cover) ? GetFaxHeader(o.cover, header)
                   : std::ifstream(o.cover) ? 0
                                            : ErrnoToCode(errno);
    if (rc) {
      ReportError(o.cover, rc);
      return kExitBadFile;
    }
    // A text cover is drawn line by line: a file that is plainly no text
    // would go out as pages of its bytes.
    if (!IsApfName(o.cover)) {
      if (const std::string kind = BinaryKind(o.cover); !kind.empty()) {
        Say("%s is %s, not a text cover (convert it to an APF file and give that)\n", o.cover.c_str(),
            kind.c_str());
        return kExitBadFile;
      }
    }
  }
  return 0;
}

void Configure(TApdSendFax& fax, const SendOptions& o) {
  fax.SetFaxClass(o.faxClass);
  fax.SetFaxFileList(o.files);
  fax.SetCoverFile(o.cover);
  fax.SetHeaderLine(o.header);
  fax.SetHeaderSender(o.sender);
  fax.SetHeaderRecipient(o.recipient);
  fax.SetHeaderTitle(o.title);
  fax.SetStationID(o.stationId);
  fax.SetDialPrefix(o.dialPrefix);
  fax.SetToneDial(!o.pulse);
  fax.SetBlindDial(o.blind);
  fax.SetDetectBusy(!o.noBusyDetect);
  fax.SetDialAttempts(o.dialAttempts);
  fax.SetDialRetryWait(o.retryWait);
  fax.SetDialWait(o.dialWait);
  fax.SetModemInit(o.init);
  fax.SetDesiredBPS(o.desiredBps);
  fax.SetEnhTextEnabled(o.enhanced);
  if (!o.font.empty()) {
    FaxFontSpec f = fax.EnhFont();
    f.Name = o.font;
    fax.SetEnhFont(f);
  }
  if (!o.headerFont.empty()) {
    FaxFontSpec f = fax.EnhHeaderFont();
    f.Name = o.headerFont;
    fax.SetEnhHeaderFont(f);
  }
}

// One fax to one number over a freshly opened line; the comm layer's code.
// `facts` gets what the transmission report tells of the call.
int SendOne(LoopDispatcher& loop, const SendOptions& o, const std::string& number, int call, TApdFaxLog* log,
            bool& opening, EndReason& reason, TransmissionFacts& facts) {
  facts.start = std::time(nullptr);
  facts.number = number;
  facts.stationId = o.stationId;
  facts.firstPageFax = IsApfName(o.cover) ? o.cover : o.files.empty() ? std::string() : o.files.front();
  const auto began = std::chrono::steady_clock::now();
  // The call's facts as they stand when SendOne returns, however it returns.
  struct CallEnd {
    TransmissionFacts& facts;
    std::chrono::steady_clock::time_point began;
    ~CallEnd() {
      facts.durationSeconds = static_cast<int>(
          std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began).count());
    }
  } callEnd{facts, began};
  LineOptions lineOptions = o.line;
  // The simulated far end always receives into a file: the one asked for, or
  // a temporary one that goes when the call is over.
  std::filesystem::path received;
  TemporaryFile scratch;
  if (!o.simSaveDir.empty()) {
    received = std::filesystem::path(o.simSaveDir) / ("call-" + std::to_string(call) + ".tif");
  } else {
    received = std::filesystem::temp_directory_path() /
               ("telvane-fax-sim-" + std::to_string(::getpid()) + "-" + std::to_string(call) + ".tif");
    scratch.name = received;
  }
  lineOptions.sim.receiveTiff = received.string();
  FaxLine line(loop);
  std::string error;
  opening = true;
  if (!line.Select(lineOptions, error)) {
    Say("%s\n", error.c_str());
    return ecTapiCallUnavail;
  }
  if (int rc = line.Open()) return rc;
  opening = false;

  TApdSendFax fax(&loop);
  Configure(fax, o);
  fax.SetPhoneNumber(number);
  fax.SetComPort(&line.Port());
  fax.SetYield([&loop] { loop.RunPending(); });
  fax.SetFaxLog(log);
  // With several numbers each line names the number it is about.
  const std::string prefix = o.numbers.size() > 1 ? number + ": " : "";
  ProgressPrinter printer(stderr, o.quiet);
  printer.SetPrefix(prefix);
  bool finished = false, dialled = false;
  int result = 0, firstError = 0;
  fax.OnFaxStatus = [&](TApdAbstractFax& f, bool, bool) {
    const int progress = f.FaxProgress();
    if (progress > 0 && progress != fpInitModem && progress != fpCancel && progress != fpFinished) dialled = true;
    printer.Status(f);
  };
  fax.OnFaxError = [&](TApdAbstractFax&, int code) {
    if (!firstError) firstError = code;
  };
  fax.OnFaxFinish = [&](TApdAbstractFax&, int code) {
    result = code;
    finished = true;
  };
  try {
    fax.StartTransmit();
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  bool cancelSent = false;
  while (!finished) {
    if (StopRequested() && !cancelSent) {
      cancelSent = true;
      fax.CancelFax();
    }
    loop.RunUntil([&] { return finished || (StopRequested() && !cancelSent); }, 1000);
  }
  line.Close();
  if (line.IsSimulated() && !o.quiet) {
    for (const CallRecord& c : line.SimCalls()) {
      if (c.answered)
        std::fprintf(stderr, "%ssimulated line: the far end received %d page(s) (%s)\n", prefix.c_str(),
                     c.terminal.pages, c.terminal.completionText.c_str());
      else
        std::fprintf(stderr, "%ssimulated line: %s\n", prefix.c_str(), c.busy ? "busy" : "no answer");
    }
  }
  // The finish code is the session's; an error reported before it is the
  // more specific one when the finish carries none.
  const int code = result ? result : firstError;
  reason = fax.SessionEndReason();
  facts.remoteId = fax.RemoteID();
  facts.pagesInFax = fax.TotalPages();
  // A fax that went out had every page confirmed; a failed one those before
  // the page it failed in.
  facts.pagesSent = code == 0 ? facts.pagesInFax : std::max(0, fax.CurrentPage() - 1);
  facts.bps = fax.CurrentPage() > 0 ? fax.SessionBPS() : 0;
  // A device that failed before a number was dialled (no answer to the modem
  // set-up: no modem there) is the device's failure, not a failed call.
  if (!dialled && ExitCodeForError(code) == kExitSession) opening = true;
  return code;
}

}  // namespace

int RunSend(int argc, char** argv) {
  static const option kOptions[] = {
      {"device", required_argument, nullptr, 'd'},
      {"list-devices", no_argument, nullptr, kListDevices},
      {"class", required_argument, nullptr, 'c'},
      {"to", required_argument, nullptr, 't'},
      {"to-list", required_argument, nullptr, kToList},
      {"cover", required_argument, nullptr, kCover},
      {"header", required_argument, nullptr, kHeader},
      {"sender", required_argument, nullptr, kSender},
      {"recipient", required_argument, nullptr, kRecipient},
      {"title", required_argument, nullptr, kTitle},
      {"station-id", required_argument, nullptr, kStationId},
      {"dial-prefix", required_argument, nullptr, kDialPrefix},
      {"pulse", no_argument, nullptr, kPulse},
      {"blind", no_argument, nullptr, kBlind},
      {"no-busy-detect", no_argument, nullptr, kNoBusyDetect},
      {"dial-attempts", required_argument, nullptr, kDialAttempts},
      {"retry-wait", required_argument, nullptr, kRetryWait},
      {"dial-wait", required_argument, nullptr, kDialWait},
      {"baud", required_argument, nullptr, kBaud},
      {"init", required_argument, nullptr, kInit},
      {"desired-bps", required_argument, nullptr, kDesiredBps},
      {"enhanced", no_argument, nullptr, kEnhanced},
      {"font", required_argument, nullptr, kFont},
      {"header-font", required_argument, nullptr, kHeaderFont},
      {"history", required_argument, nullptr, kHistory},
      {"report", required_argument, nullptr, kReport},
      {"sim-save-dir", required_argument, nullptr, kSimSaveDir},
      {"sim-pace", required_argument, nullptr, kSimPace},
      {"sim-busy", no_argument, nullptr, kSimBusy},
      {"sim-no-answer", no_argument, nullptr, kSimNoAnswer},
      {"sim-station-id", required_argument, nullptr, kSimStationId},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};

  SendOptions o;
  o.line.sim.farEnd = SimLineConfig::TerminalReceives;
  o.line.sim.pace = 2;
  unsigned n = 0;
  auto number = [&](const char* name, int& out) {
    if (ParseUnsigned(optarg, n) && n <= 100000) return out = static_cast<int>(n), true;
    Say("%s needs a whole number, not '%s'\n", name, optarg);
    return false;
  };
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "d:c:t:qh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'd': o.line.device = optarg; break;
      case kListDevices: PrintDevices(stdout); return kExitOk;
      case 'c':
        if (!ParseFaxClass(optarg, o.faxClass)) {
          return UsageError("unknown class '%s' (1, 2, 2.0 or detect)\n", optarg);
        }
        break;
      case 't': o.numbers.emplace_back(optarg); break;
      case kToList:
        if (!ReadNumberList(optarg, o.numbers)) {
          return UsageError("cannot read the number list '%s'\n", optarg);
        }
        break;
      case kCover: o.cover = optarg; break;
      case kHeader: o.header = optarg; break;
      case kSender: o.sender = optarg; break;
      case kRecipient: o.recipient = optarg; break;
      case kTitle: o.title = optarg; break;
      case kStationId: o.stationId = optarg; break;
      case kDialPrefix: o.dialPrefix = optarg; break;
      case kPulse: o.pulse = true; break;
      case kBlind: o.blind = true; break;
      case kNoBusyDetect: o.noBusyDetect = true; break;
      case kDialAttempts: if (!number("--dial-attempts", o.dialAttempts)) return UsageHint(); break;
      case kRetryWait: if (!number("--retry-wait", o.retryWait)) return UsageHint(); break;
      case kDialWait: if (!number("--dial-wait", o.dialWait)) return UsageHint(); break;
      case kBaud: if (!number("--baud", o.line.baud)) return UsageHint(); break;
      case kInit: o.init = optarg; break;
      case kDesiredBps: if (!number("--desired-bps", o.desiredBps)) return UsageHint(); break;
      case kEnhanced: o.enhanced = true; break;
      case kFont: o.font = optarg; break;
      case kHeaderFont: o.headerFont = optarg; break;
      case kHistory: o.history = optarg; break;
      case kReport: o.report = optarg; break;
      case kSimSaveDir: o.simSaveDir = optarg; break;
      case kSimPace:
        if (!ParsePace(optarg, o.line.sim.pace)) {
          return UsageError("--sim-pace needs a number from 0.1 to 16, not '%s'\n", optarg);
        }
        break;
      case kSimBusy: o.line.sim.busy = true; break;
      case kSimNoAnswer: o.line.sim.neverAnswer = true; break;
      case kSimStationId: o.line.sim.stationId = optarg; break;
      case 'q': o.quiet = true; break;
      case 'h': SendUsage(stdout); return kExitOk;
      default: return UsageHint();
    }
  }
  for (int i = optind; i < argc; ++i) o.files.emplace_back(argv[i]);
  if (o.line.device.empty() || o.numbers.empty() || (o.files.empty() && o.cover.empty())) {
    return UsageError("give --device, at least one --to and a file or a --cover\n");
  }
  // The fax files made from images and PDF documents live as long as the
  // command.
  struct ScratchFolder {
    std::filesystem::path path;
    ~ScratchFolder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } converted{std::filesystem::temp_directory_path() / ("telvane-fax-send-" + std::to_string(::getpid()))};
  if (int rc = ConvertDocuments(o, converted.path)) return rc;
  if (int rc = CheckInputs(o)) return rc;
  if (!o.simSaveDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.simSaveDir, ec);
  }
  if (o.enhanced || !o.report.empty()) EnsureGuiApplication();

  LoopDispatcher loop;
  InstallStopSignals();
  TApdFaxLog log;
  log.SetFaxHistoryName(o.history);
  TApdFaxLog* history = o.history.empty() ? nullptr : &log;

  {
    // The device is the same for every number: one that is missing or may
    // not be opened is told once, before anything else.
    FaxLine probe(loop);
    std::string error;
    if (!probe.Select(o.line, error)) {
      Say("%s\n", error.c_str());
      return kExitDevice;
    }
  }
  std::vector<FaxOutcome> outcomes;
  int call = 0;
  for (const std::string& to : o.numbers) {
    FaxOutcome outcome;
    TransmissionFacts facts;
    outcome.errorCode = SendOne(loop, o, to, ++call, history, outcome.whileOpening, outcome.reason, facts);
    outcomes.push_back(outcome);
    if (!o.report.empty()) {
      facts.resultCode = outcome.errorCode;
      facts.resultText = outcome.errorCode ? OutcomeText(outcome) : ErrorText(0);
      const std::string report = ReportFileForCall(o.report, call, static_cast<int>(o.numbers.size()));
      if (const int rc = WriteTransmissionReport(report, facts))
        Say("cannot write the report '%s': %s\n", report.c_str(), ErrorText(rc));
    }
    if (outcome.errorCode)
      std::fprintf(stderr, "telvane-fax: send to %s: %s\n", to.c_str(), OutcomeText(outcome).c_str());
    // A cancel ends the list; a device that cannot be opened fails the same
    // way for every number.
    if ((outcome.errorCode == ecCancelRequested && outcome.reason != EndReason::RemoteHangUp) || StopRequested())
      break;
    if (ExitCodeForOutcome(outcome) == kExitDevice) break;
  }
  if (history && log.LastWriteFailed())
    Say("cannot write the history file '%s'\n", o.history.c_str());
  int sent = 0;
  for (const FaxOutcome& outcome : outcomes) sent += outcome.errorCode == 0;
  const bool allSent = sent == static_cast<int>(o.numbers.size());
  if (o.numbers.size() > 1 && (!o.quiet || !allSent))
    Say("%d of %zu faxes sent\n", sent, o.numbers.size());
  if (const int status = ExitCodeForOutcomes(outcomes)) return status;
  return allSent ? kExitOk : kExitCancelled;  // stopped by a signal between two faxes
}

}  // namespace telvane::cli
