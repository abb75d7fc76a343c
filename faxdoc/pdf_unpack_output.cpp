// Decoded fax lines coded for a PDF page.
#include "faxdoc/pdf_unpack_output.h"

#include "faxdoc/pdf_writer.h"

namespace telvane {

int PdfUnpackOutput::Starting() {
  coder_.Start(0);
  started_ = false;
  return 0;
}

int PdfUnpackOutput::Line(const uint8_t* data, size_t length, unsigned) {
  // The page header is known once the page's first line arrives.
  if (!started_) {
    coder_.Start((state_.PageHeader.PageFlags & pfWide) ? kWideWidth : kNormalWidth);
    started_ = true;
  }
  coder_.AddLine(data, length);
  return 0;
}

double PdfUnpackOutput::LinesPerInch() const {
  return (state_.PageHeader.PageFlags & pfHighRes) ? kHighLinesPerInch : kStandardLinesPerInch;
}

}  // namespace telvane
