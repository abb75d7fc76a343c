// Wall-clock time of a whole Class 1 session through the simulated fax line:
// our sender against spandsp's own fax terminal sending the same pages to the
// same receiving terminal over the same line, one run each, at 14400 bit/s:
// both on their best coding (two-dimensional), then both with the terminals
// held to one-dimensional (MH) coding.
//
//   class1_session_bench [--pace P] [--pages 1,10] [--coding best|1d|both]
//
// The line runs P times faster than real time (1 by default: the figures are
// those a user would see). The call time is the line's, from the answer to
// the end of the call, for both senders alike.
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "faxdoc/apf_page_reader.h"
#include "comm/port/com_port.h"
#include "faxdoc/fax_converter.h"
#include "comm/fax/fax_sender.h"
#include "comm/core/loop_dispatcher.h"
#include "comm/simline/sim_line.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace telvane;

fs::path WorkDir() {
  static const fs::path dir = [] {
    auto d = fs::temp_directory_path() / ("telvane-class1-bench-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

// `pages` pages of typed-looking text at standard resolution.
std::string MakeFax(int pages) {
  const std::string text = (WorkDir() / ("text" + std::to_string(pages) + ".txt")).string();
  {
    std::ofstream out(text, std::ios::binary);
    const char* words[] = {"fax", "invoice", "delivery", "quantity", "the", "of", "and", "order", "12.50", "Telvane"};
    unsigned seed = 7;
    for (int line = 0; line < pages * 60; ++line) {
      std::string s;
      while (s.size() < 70) {
        seed = seed * 1103515245u + 12345u;
        s += words[(seed >> 16) % 10];
        s += ' ';
      }
      out << s << "\r\n";
    }
  }
  TApdFaxConverter cvt;
  cvt.InputDocumentType = idText;
  cvt.Resolution = frNormal;
  cvt.LinesPerPage = 60;
  cvt.SetDocumentFile(text);
  cvt.OutFileName = (WorkDir() / ("text" + std::to_string(pages) + ".apf")).string();
  cvt.ConvertDocument();
  return cvt.OutFileName;
}

// The same pages as a TIFF for the sending terminal, with the eight white
// lines our sender puts at the top of every page, so both send the same rows.
std::string MakeTiff(const std::string& apf) {
  const std::string name = apf.substr(0, apf.size() - 4) + ".tif";
  TIFF* tif = TIFFOpen(name.c_str(), "w");
  if (!tif) std::exit(1);
  ApfFileHeader header;
  GetFaxHeader(apf, header);
  for (unsigned page = 1; page <= header.PageCount; ++page) {
    ApfPageReader reader;
    if (reader.Open(apf, page) != 0) std::exit(1);
    std::vector<std::vector<uint8_t>> rows;
    std::vector<uint8_t> line;
    while (reader.ReadLine(line) == 1) rows.push_back(line);
    rows.insert(rows.begin(), 8, std::vector<uint8_t>(rows.front().size(), 0));
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(rows.front().size() * 8));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows.size()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rows.size()));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 98.0f);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, page - 1, header.PageCount);
    for (std::size_t y = 0; y < rows.size(); ++y)
      if (TIFFWriteScanline(tif, rows[y].data(), static_cast<uint32_t>(y), 0) < 0) std::exit(1);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return name;
}

struct Owner : IFaxOwner {
  std::string file;
  bool handedOut = false;
  int finish = 1;
  bool finished = false;
  void FaxNext(std::string& phone, std::string& faxFile, std::string& cover) override {
    phone = handedOut ? "" : "5550001";
    faxFile = handedOut ? "" : file;
    cover.clear();
    handedOut = true;
  }
  void FaxStatus(FaxStatusKind, int) override {}
  void FaxLog(int) override {}
  void FaxName(std::string&) override {}
  void FaxAccept(const std::string&, bool& ok) override { ok = true; }
  void FaxError(int code) override { std::fprintf(stderr, "  our sender: error %d\n", code); }
  void FaxFinish(int code) override {
    finish = code;
    finished = true;
  }
};

struct Run {
  bool ok = false;
  double callSeconds = 0;  // answer to end of call, wall clock
  int bitRate = 0;
  int pages = 0;
};

SimLineConfig LineConfig(double pace, bool oneDim, SimLineConfig::FarEnd far) {
  SimLineConfig c;
  c.farEnd = far;
  c.pace = pace;
  c.receiveTiff = (WorkDir() / "received.tif").string();
  c.callDelaySeconds = 0.2;
  // A receiving terminal that takes only one-dimensional pages makes both
  // senders code them so; otherwise both choose two-dimensional coding.
  c.peerMhOnly = oneDim;
  return c;
}

Run FromCall(const SimLineResult& r, bool ok) {
  Run run;
  if (r.calls.empty()) return run;
  const CallRecord& call = r.calls.front();
  run.ok = ok && call.terminal.completionCode == 0;
  run.callSeconds = call.realSeconds;
  run.bitRate = call.terminal.bitRate;
  run.pages = call.terminal.pages;
  return run;
}

Run OurSender(const std::string& apf, double pace, bool oneDim) {
  SimLine line;
  if (line.Start(LineConfig(pace, oneDim, SimLineConfig::TerminalReceives)) != 0) return {};
  LoopDispatcher main;
  TApdComPort port(&main);
  port.SetDevicePath(line.PtyPath(0));
  port.SetOutSize(16384);
  port.SetOpen(true);
  Owner owner;
  owner.file = apf;
  FaxSender fax(port, owner, &main);
  fax.SetYield([&] { main.RunPending(); });
  fax.Session().faxClass = fcClass1;
  fax.Session().desiredBps = 14400;
  fax.Session().SetStationId("+1 555 0100");
  fax.Start();
  const bool finished = main.RunUntil([&] { return owner.finished; }, 1800 * 1000);
  line.WaitDone(30);
  fax.Stop();
  port.SetOpen(false);
  line.Stop();
  return FromCall(line.Result(), finished && owner.finish == 0);
}

Run SpandspSender(const std::string& tiff, double pace, bool oneDim) {
  SimLine line;
  SimLineConfig c = LineConfig(pace, oneDim, SimLineConfig::TerminalToTerminal);
  c.sendTiff = tiff;
  if (line.Start(c) != 0) return {};
  const bool done = line.WaitDone(1800);
  line.Stop();
  return FromCall(line.Result(), done);
}

}  // namespace

int main(int argc, char** argv) {
  double pace = 1;
  std::vector<int> pageCounts{1, 10};
  std::vector<bool> codings{false, true};  // one-dimensional only: true
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--coding")) {
      const std::string c = argv[i + 1];
      if (c == "best") {
        codings = {false};
      } else if (c == "1d") {
        codings = {true};
      }
    } else if (!std::strcmp(argv[i], "--pace")) {
      pace = std::atof(argv[i + 1]);
    } else if (!std::strcmp(argv[i], "--pages")) {
      pageCounts.clear();
      for (const char* p = argv[i + 1]; *p;) {
        pageCounts.push_back(std::atoi(p));
        while (*p && *p != ',') ++p;
        if (*p) ++p;
      }
    }
  }
  if (pace <= 0) {
    std::fprintf(stderr, "the pace must be above 0\n");
    return 2;
  }
  std::printf("Class 1 session at 14400 bit/s through the simulated line, pace %.1fx (call time, wall clock)\n", pace);
  std::printf("%6s %7s %12s %12s %7s\n", "pages", "coding", "ours [s]", "spandsp [s]", "ratio");
  int status = 0;
  for (bool oneDim : codings) {
    for (int pages : pageCounts) {
      const std::string apf = MakeFax(pages);
      const std::string tiff = MakeTiff(apf);
      const Run ours = OurSender(apf, pace, oneDim);
      const Run theirs = SpandspSender(tiff, pace, oneDim);
      const char* coding = oneDim ? "1-D" : "best";
      if (!ours.ok || !theirs.ok || ours.pages != pages || theirs.pages != pages) {
        std::printf("%6d %7s  session failed (ours: %d pages at %d, spandsp: %d pages at %d)\n", pages, coding,
                    ours.pages, ours.bitRate, theirs.pages, theirs.bitRate);
        status = 1;
        continue;
      }
      std::printf("%6d %7s %12.2f %12.2f %7.3f   (%d / %d bit/s)\n", pages, coding, ours.callSeconds,
                  theirs.callSeconds, ours.callSeconds / theirs.callSeconds, ours.bitRate, theirs.bitRate);
      std::fflush(stdout);
    }
  }
  fs::remove_all(WorkDir());
  return status;
}
