// The line output of an unpack to PDF: codes each decoded line of the page
// being unpacked for the PDF image, at the page's own width and resolution.
#pragma once

#include "faxdoc/ccitt_page_coder.h"
#include "faxdoc/unpacker_state.h"

namespace telvane {

class PdfUnpackOutput final : public UnpackLineOutput {
 public:
  // `state` is the run's: its page header tells the width and resolution.
  explicit PdfUnpackOutput(const UnpackerState& state) : state_(state) {}

  int Starting() override;
  int Line(const uint8_t* data, size_t length, unsigned page) override;
  int Ending() override { return 0; }

  const CcittPageCoder& Page() const { return coder_; }
  // 98 or 196, from the page's resolution flag.
  double LinesPerInch() const;

 private:
  const UnpackerState& state_;
  CcittPageCoder coder_;
  bool started_ = false;  // the coder knows the page's width
};

}  // namespace telvane
