// Writes unpacked fax images as PCX (version 2, run-length coded, 1 bit per
// pixel) and DCX (one PCX image per page behind a table of page offsets).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faxdoc/output_file.h"
#include "faxdoc/memory_image.h"

namespace telvane {

// Run-length codes one line for PCX, inverting it first (in PCX a set bit is
// white, in fax lines black): 2 to 63 equal bytes are 0xC0 + count and the
// byte; a single byte below 0xC0 stands for itself, one of 0xC0 or more is
// written as 0xC1 and the byte. Appends to `out`.
void PcxEncodeLine(const uint8_t* line, size_t length, std::vector<uint8_t>& out);

// Writes the 128-byte header and the coded lines of `image` (fax polarity)
// at the end of `file`. -1002 (with no byte written) when the image is
// larger than a PCX header can describe: 65536 lines or 65536 pixels a line.
int WritePcxImage(OutputFile& file, const LineSource& image);

// A DCX file being written: the header is reserved first, each page's PCX
// image appended, and the offset table filled in by Finish.
class DcxWriter {
 public:
  explicit DcxWriter(OutputFile& file) : file_(file) {}
  // Writes the placeholder header.
  int Begin();
  // Appends one page; -1002 past the 1023 pages a DCX table can list.
  int AddPage(const LineSource& image);
  // Rewrites the header with the offsets of the pages.
  int Finish();
  size_t Pages() const { return offsets_.size(); }

 private:
  OutputFile& file_;
  std::vector<uint32_t> offsets_;
};

}  // namespace telvane
