// A wide (B4, 2048-pixel) page sent to a fax machine that takes only A4
// (1728 pixels): reduced across by 27/32 line by line, as fax machines do,
// from the page's coded lines; the page keeps its length and the file its
// wide page.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "faxdoc/page_lines.h"
#include "faxdoc/t4_decoder.h"

namespace telvane {

// Reduces one 2048-pixel raster line (256 bytes, first pixel in the most
// significant bit, set = black) to 1728 pixels (216 bytes). Wide pixel x
// lands on pixel x * 27 / 32; a reduced pixel is black when any pixel that
// lands on it is, so that one-pixel strokes survive.
void ReduceWideLine(const std::uint8_t* wide, std::uint8_t* reduced);

// The coded lines of a wide page, decoded, reduced and coded again at 1728
// pixels, ending with the end-of-page record. Lines the decoder does not
// deliver (bad codes, wrong lengths) are dropped as a receiver would.
class ReducedWidePageLines : public PageLines {
 public:
  explicit ReducedWidePageLines(std::unique_ptr<PageLines> widePage);
  int Next(std::vector<std::uint8_t>& line) override;

 private:
  void TakeLine(const std::uint8_t* raster, std::size_t length);

  std::unique_ptr<PageLines> source_;
  MhDecoder decoder_;
  std::deque<std::vector<std::uint8_t>> ready_;
  std::vector<std::uint8_t> chunk_;
  bool sourceDone_ = false;
  bool endSent_ = false;
};

}  // namespace telvane
