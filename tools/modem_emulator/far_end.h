// The scripted far end of the emulated telephone line, and the faults of the
// modem itself: who answers an outgoing call and how it takes the pages, who
// calls in and which pages it sends, and where the modem goes silent or
// talks nonsense.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/modem_emulator/t30_params.h"

namespace telvane::emu {

// One page of T.4 one-dimensional data in line order: the first bit of the
// stream in bit 0 of the first byte, as APF files keep it. Ends with RTC.
struct FaxPage {
  bool fine = false;
  bool wide = false;
  std::vector<uint8_t> data;
};

struct FarEnd {
  // --- An outgoing call (ATD) ---
  enum class DialResult { kFaxAnswers, kBusy, kNoDialTone, kVoice, kNoAnswer };
  DialResult dialResult = DialResult::kFaxAnswers;
  std::string stationId = "REMOTE FAX";
  SessionParams capabilities;  // the DIS of the answering machine
  // Page n (1-based) is answered this many times with RTN before MCF.
  std::map<int, int> refusePage;
  // Each page is decoded on arrival; one that does not decode cleanly is
  // answered with RTN, as a real machine's copy-quality check would.
  bool checkCopyQuality = true;

  // --- An incoming call (RING, then ATA or automatic answer) ---
  enum class CallKind { kFax, kData, kVoice };
  CallKind callKind = CallKind::kFax;
  int rings = 10;  // the caller gives up after this many rings
  std::string callerId = "CALLER FAX";
  SessionParams callerParams;  // the DCS the caller wants (VR follows the first page)
  std::vector<FaxPage> pages;  // sent to a receiving DTE
  // Page n (1-based) arrives this many times with line errors; the modem
  // reports it bad and the caller sends it again.
  std::map<int, int> garblePage;
  // Carrier lost in page n after `dropAfterBytes` bytes of it (0: never).
  int dropInPage = 0;
  size_t dropAfterBytes = 0;
  int dropCode = 91;  // T.30: no EOL for 5 seconds

  // --- Both directions: the far end hangs up with a given cause ---
  // After page n has been confirmed (0: during training, before any page;
  // -1: never). Sending DTE: the post-page exchange of page n fails; receiving
  // DTE: the caller sends no page after page n although it announced one.
  int hangUpAfterPage = -1;
  int hangUpCode = 52;  // T.30: no response to MPS repeated 3 times

  // --- Timing, scaled down from a real line ---
  int ringIntervalMs = 150;
  int dialDelayMs = 30;   // from ATD to the call's outcome
  int answerDelayMs = 30; // from ATA to the fax handshake's reports
  int phaseDelayMs = 5;   // training and post-page exchanges
  int dataChunk = 2048;   // page bytes handed to the DTE per step
  // Shortest time a page takes on the line, from CONNECT to the end of the
  // page; 0 lets pages pass at the speed of the pseudo-terminal. Some DTEs
  // divide by the whole seconds a page took.
  int pageTimeMs = 0;
  // Bytes per second the line takes page data from a sending DTE (0: no
  // limit). Above 2048 bytes waiting the modem holds the DTE back: it stops
  // reading (as a dropped CTS would) and, with software flow control (Class
  // 2, or +FLO=1), sends XOFF; XON follows below 512.
  int lineRate = 0;

  // --- Faults of the modem itself ---
  // After a command line containing this text (upper case) the modem answers
  // nothing at all, echo included.
  std::string silentAfter;
  // After a command line containing this text it answers line noise instead
  // of its result codes.
  std::string garbageAfter;
};

// Reads a far-end description, one setting per line or separated by ';',
// "#" starting a comment; for example
//   dial=busy; id=FAR END; caps=0,3,0,2,0,0,0,0; refuse=2x1; hangup=2:52
//   call=fax; rings=2; pages=3; pages-file=in.apf; garble=2x1; drop=2:5000:91
//   silent-after=+FDT; garbage-after=ATA
// False with a message in `error` for an unknown key or a bad value.
bool ParseFarEnd(const std::string& text, FarEnd& out, std::string& error);

// Test pages with a different pattern on each page (lines of stripes, blocks
// and a page number mark), and the raster lines they decode to.
std::vector<std::vector<uint8_t>> TestPageRasters(int pageNumber, int lines, int width = 1728);
FaxPage EncodePage(const std::vector<std::vector<uint8_t>>& rasters, bool fine, int width = 1728);

// Writes an APF file of standard-resolution test pages, one per entry of
// `pageNumbers` (TestPageRasters with `lines` lines each). Returns 0 or the
// writer's error code.
int WriteTestApf(const std::string& fileName, const std::vector<int>& pageNumbers, int lines);

// The pages of an APF file, recoded line by line. Returns 0 or the reader's
// error code.
int LoadApfPages(const std::string& fileName, std::vector<FaxPage>& pages);

}  // namespace telvane::emu
