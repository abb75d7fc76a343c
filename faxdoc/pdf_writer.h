// Writes fax pages as a PDF file: one page per fax page at the page's
// physical size, its image the page's one-bit data kept in CCITT Group 3
// one-dimensional coding, so that the file stays about as small as the fax.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faxdoc/ccitt_page_coder.h"
#include "faxdoc/output_file.h"

namespace telvane {

// Fax pixels across: 1728 on the 215 mm of a standard line.
inline constexpr double kFaxDotsPerInchAcross = 204.0;
// Lines per inch down the page.
inline constexpr double kStandardLinesPerInch = 98.0;
inline constexpr double kHighLinesPerInch = 196.0;

class PdfWriter {
 public:
  explicit PdfWriter(OutputFile& file) : file_(file) {}

  // The file header and the catalogue. 0 or a negated file error.
  int Begin();
  // A page the size of `page`'s lines (204 pixels to the inch across,
  // `linesPerInch` down) showing them. 0, -1002 for a page without lines,
  // or a negated file error.
  int AddFaxPage(const CcittPageCoder& page, double linesPerInch);
  // The page tree, the cross-reference table and the trailer; the file is
  // then complete (the caller commits it).
  int Finish();

  unsigned Pages() const { return static_cast<unsigned>(pageObjects_.size()); }

 private:
  // Starts object `number` at the current end of the file.
  int BeginObject(unsigned number, const std::string& body);
  int Put(const std::string& text);

  OutputFile& file_;
  std::vector<uint64_t> offsets_;  // of objects 1.., 0 while not yet written
  std::vector<unsigned> pageObjects_;
  unsigned nextObject_ = 3;  // 1 is the catalogue, 2 the page tree
};

}  // namespace telvane
