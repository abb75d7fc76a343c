// Moves one page to the modem: blank lines and fill, the header line, then
// the page's own lines, each padded to the minimum bytes per scan line with
// every DLE doubled, as fast as the output buffer takes them. The lines are
// one-dimensional as stored; a session that agreed two-dimensional coding
// gets all of them re-coded on the way into one packed bit stream (no byte
// alignment of the EOLs), with its own RTC.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "comm/port/com_port.h"
#include "faxdoc/page_lines.h"
#include "faxdoc/t4_mr_recoder.h"

namespace telvane {

inline constexpr std::uint8_t kDLE = 0x10;
inline constexpr std::uint8_t kETX = 0x03;
inline constexpr std::uint8_t kXON = 0x11;
inline constexpr std::uint8_t kDC2 = 0x12;

// The coded all-white line that starts every normal-width page (8 of them):
// a byte-aligned EOL, white makeup 1728 and white terminating 0. Wide pages
// get the same line at 2048 pixels: a receiver counts a line of the wrong
// width as a bad line.
inline constexpr std::uint8_t kBlankLine[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
inline constexpr int kBlankLinesPerPage = 8;
// The blank line for a page of either width.
const std::vector<std::uint8_t>& BlankLine(bool wide);
// Free output space a line is sent into, and the largest zero fill.
inline constexpr int kOutChunk = 4096;
inline constexpr int kMaxFill = 8192;

struct PageSendOptions {
  int minBytes = 0;        // minimum bytes per scan line of the session
  bool wide = false;       // a 2048-pixel page
  int twoDimK = 0;         // 0: one-dimensional; else 2-D with this K
  int maxSendCount = 50;   // lines per call of Send
  int bufferMinimum = 1000;
  // Zero fill up to bufferMinimum after the blank lines, a cushion for a
  // modem that starts sending before the page's own lines come. A Class 1
  // page starts at the modem's CONNECT and its lines are the cushion.
  bool startFill = true;
  std::vector<std::vector<std::uint8_t>> headerLines;  // coded header rows
};

// Appends `line` to `out` with every DLE doubled, padded with zero bytes up
// to `minBytes` (the padding counts coded bytes, before doubling).
void AppendStuffed(std::string& out, const std::uint8_t* line, std::size_t n, int minBytes);

class PageTransmitter {
 public:
  enum Phase { phBlank, phHeader, phBody, phDone };

  void Begin(std::unique_ptr<PageLines> body, PageSendOptions options);
  // Sends what the output buffer takes now. 1 when the whole page is in the
  // output buffer, 0 when it waits for room, or an error of the page source.
  int Send(TApdComPort& port);
  Phase CurrentPhase() const { return phase_; }
  // The output-buffer-free level that means "room for more" for this port.
  static int RoomLevel(TApdComPort& port, int bufferMinimum);
  std::uint64_t BytesSent() const { return sent_; }
  // Bytes of the page's own (stored, one-dimensional) lines taken so far:
  // the progress through a page whose coding on the line differs.
  std::uint64_t BodyBytesTaken() const { return bodyTaken_; }
  bool Recoding() const { return recoder_ != nullptr; }

 private:
  // Puts as much of the staged bytes as fits; true when all are out.
  bool Flush(TApdComPort& port);
  // Stages coded one-dimensional bytes, re-coded when the page goes 2-D.
  void Stage(const std::vector<std::uint8_t>& mh);

  std::unique_ptr<PageLines> body_;
  PageSendOptions opt_;
  std::unique_ptr<MhToMrRecoder> recoder_;
  std::vector<std::uint8_t> recoded_;
  Phase phase_ = phDone;
  int blankDone_ = 0;
  bool fillDone_ = false;
  std::size_t headerDone_ = 0;
  std::string staged_;
  std::size_t stagedAt_ = 0;
  std::uint64_t sent_ = 0;
  std::uint64_t bodyTaken_ = 0;
};

}  // namespace telvane
