// The conversion engine every input type shares: page loop, margins, line
// coding and output into an APF file, progress and abort.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faxdoc/apf_writer.h"
#include "faxdoc/fax_input.h"
#include "faxdoc/fax_types.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {

// Progress report; returning true asks for the conversion to stop.
struct ConverterStatus {
  bool Starting = false;
  bool Ending = false;
  unsigned PagesConverted = 0;
  unsigned LinesConverted = 0;
  uint64_t BytesConverted = 0;
  uint64_t BytesToConvert = 0;
};
using ConverterStatusHook = std::function<bool(const ConverterStatus&)>;

// Lets pending user-interface events run. Returns 0, or -1003 when the
// program is being asked to quit (the quit request must be re-posted by the hook).
using YieldHook = std::function<int()>;

// Receives coded lines and page ends.
class LineOutput {
 public:
  virtual ~LineOutput() = default;
  virtual int OutputLine(const uint8_t* coded, size_t length) = 0;
  virtual int EndOfPage(bool morePages) = 0;
};

// Engine record of one conversion.
struct FaxConverterState {
  FaxConverterState() = default;
  FaxConverterState(const FaxConverterState&) = delete;  // the coder points into CodedLine
  FaxConverterState& operator=(const FaxConverterState&) = delete;

  bool UseHighRes = false;
  bool DoubleWidth = false;
  bool HalfHeight = false;
  FaxCvtOptions Flags = kDefaultCvtOptions;
  int LineWidth = 1728;
  unsigned LeftMargin = 50;
  unsigned TopMargin = 0;
  unsigned CurrentPage = 0;
  unsigned CurrentLine = 0;
  unsigned CenterOffset = 0;  // bytes of white before image data
  uint64_t BytesRead = 0;
  uint64_t BytesToRead = 0;
  std::string StationId;

  ConverterStatusHook Status;
  YieldHook Yield;

  std::vector<uint8_t> CodedLine = std::vector<uint8_t>(kCodedLineMax);
  std::vector<uint8_t> Raster = std::vector<uint8_t>(kCodedLineMax);

  // Codes the raster (which covers the page right of the left margin) into
  // CodedLine; returns its length.
  size_t CompressLine(const uint8_t* raster);

 private:
  T4LineCoder coder_{CodedLine.data()};
};

// Runs the page loop of `input` into `output`. Returns 0 or the first error.
int RunConversion(FaxConverterState& state, FaxInput& input, const std::string& inputName, LineOutput& output);

// Line output into an APF file through ApfWriter.
class ApfLineOutput : public LineOutput {
 public:
  ApfLineOutput(ApfWriter& writer, bool highRes, bool wide) : writer_(writer), highRes_(highRes), wide_(wide) {}
  int OutputLine(const uint8_t* coded, size_t length) override;
  int EndOfPage(bool morePages) override;

 private:
  ApfWriter& writer_;
  bool highRes_;
  bool wide_;
};

// The 6-byte coded white line that top margins are made of: a byte-aligned
// EOL, white makeup 1728 and white terminating 0, whatever the line width.
inline constexpr uint8_t kTopMarginLine[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};

}  // namespace telvane
