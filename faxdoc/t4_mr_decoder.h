// Table-driven T.4 two-dimensional (Modified READ) decoder for pages whose
// lines each start with an EOL and a tag bit. A line that does not decode
// cleanly (a code that does not exist, a line that runs past the width or
// ends short of it, data that runs out) is a bad line: it is counted and
// replaced by a copy of the last good line, so the page keeps its length. So
// are the two-dimensional lines after it up to the next one-dimensional
// line, since the line they were coded against is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace telvane {

class MrDecoder {
 public:
  // Receives each line: (width + 7) / 8 bytes, MSB first, set = black.
  using LineSink = std::function<void(const uint8_t* row)>;

  explicit MrDecoder(int width);

  // Decodes one page: data before the first EOL is skipped; the page ends
  // at RTC (EOLs with nothing between them) or at the end of the data.
  void DecodePage(const uint8_t* data, size_t length, const LineSink& sink);

  int Width() const { return width_; }
  size_t RowBytes() const { return (static_cast<size_t>(width_) + 7) / 8; }
  // Counters of the last page.
  uint32_t Lines() const { return lines_; }
  uint32_t BadLines() const { return badLines_; }
  uint32_t OneDimLines() const { return oneDimLines_; }
  bool EndOfPageSeen() const { return rtcSeen_; }

 private:
  class Reader;
  bool DecodeOneDim(Reader& in);
  bool DecodeTwoDim(Reader& in);

  int width_;
  uint32_t lines_ = 0;
  uint32_t badLines_ = 0;
  uint32_t oneDimLines_ = 0;
  bool rtcSeen_ = false;
  int curCount_ = 0;
  int refCount_ = 0;
  std::vector<int32_t> ref_;  // changes of the last good line
  std::vector<int32_t> cur_;  // changes of the line being decoded
  std::vector<uint8_t> row_;  // the last good line drawn, 8 spare bytes
  std::vector<uint8_t> padded_;
};

}  // namespace telvane
